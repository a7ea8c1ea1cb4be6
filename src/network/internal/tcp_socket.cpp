#include "network/internal/tcp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kestrova {

namespace {

// As many connections as the kernel keeps waiting for accept(): a burst of them is taken in
// without refusals while the accept thread starts their threads.
constexpr int Backlog = 128;

std::string systemError(int error)
{
    if (error == EADDRINUSE)
        return "it is in use";
    return std::strerror(error);
}

} // namespace

Socket::~Socket()
{
    if (valid())
        ::close(descriptor_);
}

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other) {
        if (valid())
            ::close(descriptor_);
        descriptor_ = other.release();
    }
    return *this;
}

int Socket::release()
{
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

Socket Socket::duplicate() const { return Socket(valid() ? ::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0) : -1); }

Socket openListeningSocket(int port, std::string& problem)
{
    Socket listening(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int reuse = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (!listening.valid() || ::setsockopt(listening.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0
        || ::bind(listening.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(listening.get(), Backlog) != 0) {
        problem = systemError(errno);
        return Socket();
    }
    return listening;
}

Socket acceptConnection(const Socket& listening, std::chrono::milliseconds wait)
{
    pollfd ready{listening.get(), POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(wait.count())) <= 0 || (ready.revents & POLLIN) == 0)
        return Socket();
    return Socket(::accept4(listening.get(), nullptr, nullptr, SOCK_CLOEXEC));
}

bool waitUntilReady(const Socket& socket, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return false;
        pollfd ready{socket.get(), events, 0};
        const int result = ::poll(&ready, 1, static_cast<int>(left));
        if (result > 0 || (result < 0 && errno != EINTR))
            return true;
    }
}

void setNonBlocking(const Socket& socket, bool nonBlocking)
{
    const int flags = ::fcntl(socket.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(socket.get(), F_SETFL, nonBlocking ? flags | O_NONBLOCK : flags & ~O_NONBLOCK);
}

std::string peerAddress(const Socket& connection)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    char text[INET_ADDRSTRLEN] = "";
    if (::getpeername(connection.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0
        || ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text) == nullptr)
        return "an unknown address";
    return text;
}

void cutReading(const Socket& connection) { ::shutdown(connection.get(), SHUT_RD); }

void cutConnection(const Socket& connection) { ::shutdown(connection.get(), SHUT_RDWR); }

} // namespace kestrova
