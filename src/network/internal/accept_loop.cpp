#include "network/internal/accept_loop.h"

#include "network/internal/connection_thread.h"
#include "network/internal/listener_state.h"

#include <system_error>

namespace kestrova {

namespace {

// How long the accept thread waits for a connection before it looks at the stop flag again.
constexpr std::chrono::seconds AcceptWait{1};

} // namespace

AcceptLoop::AcceptLoop(Socket listening, const DcmSCPConfig& config, ListenerState& listener, const TlsAcceptor* tls)
    : listening_(std::move(listening)), config_(config), listener_(listener), tls_(tls),
      network_(listening_, std::chrono::seconds(config.getACSETimeout()))
{
}

AcceptLoop::~AcceptLoop() { joinAll(); }

void AcceptLoop::run()
{
    while (!listener_.stopping()) {
        Socket connection = acceptConnection(listening_, AcceptWait);
        joinFinished();
        if (connection.valid())
            start(std::move(connection));
    }
    listening_ = Socket();
    joinAll();
}

void AcceptLoop::start(Socket connection)
{
    ConnectionRegistry& connections = listener_.connections();
    const std::optional<ConnectionRegistry::Id> id = connections.addPending(connection.duplicate());
    if (!id)
        return; // the listener is stopping: the connection closes
    Served& served = served_.emplace_back();
    try {
        served.thread = std::thread([this, &served, id = *id, connection = std::move(connection)]() mutable {
            serveConnection(std::move(connection), id, network_, tls_, config_, listener_);
            served.finished = true;
        });
    } catch (const std::system_error&) {
        // No thread to be had: the connection closes unserved.
        served_.pop_back();
        connections.remove(*id);
    }
}

void AcceptLoop::joinFinished()
{
    std::erase_if(served_, [](Served& served) {
        if (!served.finished)
            return false;
        served.thread.join();
        return true;
    });
}

void AcceptLoop::joinAll()
{
    for (Served& served : served_)
        served.thread.join();
    served_.clear();
}

} // namespace kestrova
