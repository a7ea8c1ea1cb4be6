#pragma once
// The listener's own TCP sockets: the listening socket, accepted connections, and the second
// descriptor by which a stop cuts a connection another thread reads. Linux sockets. Internal.
//
// Threads: a Socket belongs to one thread at a time (moving it hands it over); the functions
// below touch only the sockets they are given.

#include <chrono>
#include <string>

namespace kestrova {

// Owns a socket descriptor and closes it with itself.
class Socket {
public:
    Socket() = default;
    explicit Socket(int descriptor) : descriptor_(descriptor) {}
    ~Socket();
    Socket(Socket&& other) noexcept : descriptor_(other.release()) {}
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int get() const { return descriptor_; }
    bool valid() const { return descriptor_ >= 0; }
    // Gives the descriptor up without closing it (DCMTK has taken it).
    int release();
    // A second descriptor of the same connection. Cutting through it reaches the connection
    // whoever holds the first, and its number cannot be reused while it is open.
    Socket duplicate() const;

private:
    int descriptor_ = -1;
};

// Listens on every address of the port, bound with SO_REUSEADDR as DCMTK binds: a port left in
// TIME_WAIT is taken, a port another socket listens on is not. Invalid with the reason in
// `problem` when it cannot.
Socket openListeningSocket(int port, std::string& problem);

// The next connection, or an invalid socket when none came within the wait.
Socket acceptConnection(const Socket& listening, std::chrono::milliseconds wait);

// Waits until poll() reports one of `events` (POLLIN, POLLOUT ...) on the socket, or an error
// or hang-up, which the operation that follows then meets; false when the deadline passed first.
bool waitUntilReady(const Socket& socket, short events, std::chrono::steady_clock::time_point deadline);

// Switches the socket between non-blocking and blocking reads and writes.
void setNonBlocking(const Socket& socket, bool nonBlocking);

// The peer's numeric address ("127.0.0.1"); no name is looked up.
std::string peerAddress(const Socket& connection);

// Wakes a thread blocked reading the connection; it may still write (an A-ABORT).
void cutReading(const Socket& connection);
// Wakes every thread blocked on the connection.
void cutConnection(const Socket& connection);

} // namespace kestrova
