#pragma once
// The listener's open connections, as the limits and the stop see them: connections still
// waiting for their association request (at most maxPending; beyond that the one waiting longest
// is cut), associations being served (at most maxAssociations), and whether each association is
// handling a request. The registry holds a second descriptor of each connection, so that a cut
// reaches the connection whichever thread holds it, and never a socket opened since. Internal.
//
// Threads: every member may be called from any thread; all state is under one mutex.

#include "network/internal/tcp_socket.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>

namespace kestrova {

class ConnectionRegistry {
public:
    using Id = std::uint64_t;

    ConnectionRegistry(std::size_t maxPending, std::size_t maxAssociations);
    ConnectionRegistry(const ConnectionRegistry&) = delete;
    ConnectionRegistry& operator=(const ConnectionRegistry&) = delete;

    // A connection just accepted, waiting for its association request; `cutHandle` is a second
    // descriptor of it. nullopt once stopping: the caller closes the connection.
    std::optional<Id> addPending(Socket cutHandle);
    enum class Cut { None, ForRoom, ByStop };
    // Whether the connection was cut, and why: then its end was not the peer's doing.
    Cut cutOf(Id id) const;
    enum class Admission { Served, NoFreeAssociation, Stopping };
    // Its association request has arrived: the connection stops waiting, and is served when
    // fewer than maxAssociations are.
    Admission admit(Id id);
    // A served association handles a request from here to endRequest(). False once stopping: the
    // request is not handled.
    bool beginRequest(Id id);
    void endRequest(Id id);
    // The connection is closing.
    void remove(Id id);

    // From now on nothing is added, admitted or begun. Connections waiting for their request and
    // served associations between requests are cut at once (their connections close); those
    // handling a request are waited for, up to `grace`, and end with an A-ABORT of their own
    // once answered, or are cut as well. Returns when nothing is handling a request any more.
    void stop(std::chrono::milliseconds grace);
    bool stopping() const;

private:
    enum class Phase { Pending, Idle, Busy };
    struct Entry {
        Id id = 0;
        Socket cutHandle;
        Phase phase = Phase::Pending;
        Cut cut = Cut::None;
    };

    Entry* find(Id id); // with mutex_ held
    const Entry* find(Id id) const;
    void cutOldestPending(); // with mutex_ held
    bool anyBusy() const;    // with mutex_ held

    const std::size_t maxPending_;
    const std::size_t maxAssociations_;
    mutable std::mutex mutex_;
    std::condition_variable requestEnded_;
    std::list<Entry> entries_; // in the order the connections came
    std::size_t pending_ = 0;
    std::size_t served_ = 0;
    Id nextId_ = 1;
    bool stopping_ = false;
};

// Removes its connection from the registry when it goes.
class Registration {
public:
    Registration(ConnectionRegistry& registry, ConnectionRegistry::Id id) : registry_(registry), id_(id) {}
    ~Registration() { registry_.remove(id_); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    ConnectionRegistry::Id id() const { return id_; }

private:
    ConnectionRegistry& registry_;
    const ConnectionRegistry::Id id_;
};

} // namespace kestrova
