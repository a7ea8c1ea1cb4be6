#pragma once
// The listening socket and the threads of the connections accepted on it. Internal.
//
// Each connection gets a thread of its own as soon as it is accepted, which waits for its
// association request and then serves the association (connection_thread.h); the accept thread
// itself never waits for a peer. It owns every such thread and is the only one to join it;
// nothing deletes itself (DCMTK's own thread pool starts a worker outside its lock, and a worker
// whose association is over before the start call returns is written to after it freed itself).

#include "network/internal/acceptor_network.h"
#include "network/internal/tcp_socket.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/scpcfg.h>

#include <atomic>
#include <list>
#include <thread>

namespace kestrova {

class ListenerState;
class TlsAcceptor;

class AcceptLoop {
public:
    // Made on the owner's thread, listening already. With `tls`, the connections it accepts are
    // TLS connections; the TLS acceptor outlives the loop.
    AcceptLoop(Socket listening, const DcmSCPConfig& config, ListenerState& listener, const TlsAcceptor* tls = nullptr);
    ~AcceptLoop();
    AcceptLoop(const AcceptLoop&) = delete;
    AcceptLoop& operator=(const AcceptLoop&) = delete;

    // Bad when DCMTK's side of the network could not be set up.
    OFCondition status() const { return network_.status(); }
    // On the accept thread: accepts until the listener stops (seen within a second), then closes
    // the listening socket and waits for every connection's thread.
    void run();

private:
    struct Served {
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    void start(Socket connection);
    void joinFinished();
    void joinAll();

    Socket listening_;
    const DcmSCPConfig config_;
    ListenerState& listener_;
    const TlsAcceptor* const tls_;
    AcceptorNetwork network_;
    std::list<Served> served_; // accept thread only
};

} // namespace kestrova
