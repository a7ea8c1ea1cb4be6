#pragma once
// DCMTK's network for the association requests the listener receives. DCMTK reads a request in
// the very call that accepts its connection (ASC_receiveAssociation), so one connection sending
// nothing would hold every later one up. The listener therefore accepts connections itself and
// waits on each connection's own thread until its request has arrived whole
// (request_arrival.h); only then is the socket handed to DCMTK, which reads and parses the
// request at once. DCMTK takes an accepted socket through one process-wide variable
// (dcmExternalSocketHandle, read where it would otherwise call accept()), so each hand-over
// holds a process-wide lock for exactly that call, which never waits for a peer. Internal.
//
// Threads: receive() from any connection's thread; made and destroyed on the owner's thread.

#include "network/internal/prompt_ack_transport.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/assoc.h>

#include <chrono>
#include <memory>

namespace kestrova {

class Socket;

// What DCMTK makes of the socket handed over to it: the connection prepared for it (a TLS
// connection whose handshake is over), else a plain PromptAckConnection.
class HandOverTransportLayer : public DcmTransportLayer {
public:
    // The connection the next createConnection() gives; null for none.
    void prepare(std::unique_ptr<DcmTransportConnection> connection) { prepared_ = std::move(connection); }
    DcmTransportConnection* createConnection(DcmNativeSocketType openSocket, OFBool useSecureLayer) override;

private:
    PromptAckTransportLayer plain_;
    std::unique_ptr<DcmTransportConnection> prepared_;
};

class AcceptorNetwork {
public:
    // Opens no listening socket of DCMTK's own: the listener has its own, `listening`.
    AcceptorNetwork(const Socket& listening, std::chrono::seconds acseTimeout);
    ~AcceptorNetwork();
    AcceptorNetwork(const AcceptorNetwork&) = delete;
    AcceptorNetwork& operator=(const AcceptorNetwork&) = delete;

    // Bad when DCMTK could not set the network up.
    OFCondition status() const { return status_; }

    struct Received {
        T_ASC_Association* association = nullptr; // owns the connection when not null
        OFCondition condition;
    };
    // Reads the association request waiting whole on the connection. When DCMTK does not take
    // the socket, it is closed here.
    Received receive(Socket connection, long maxReceivePdu);
    // The same for a TLS connection whose handshake is over and whose request was read ahead;
    // `socket` is its socket, which goes with it when DCMTK does not take it.
    Received receive(std::unique_ptr<DcmTransportConnection> secured, DcmNativeSocketType socket, long maxReceivePdu);

private:
    // `prepared` is the connection DCMTK gets for the socket; null makes it a plain one.
    Received handOver(DcmNativeSocketType socket, std::unique_ptr<DcmTransportConnection> prepared, long maxReceivePdu);

    struct NetworkDropper {
        void operator()(T_ASC_Network* network) const { ASC_dropNetwork(&network); }
    };

    HandOverTransportLayer transport_; // outlives the network that uses it
    std::unique_ptr<T_ASC_Network, NetworkDropper> network_;
    OFCondition status_;
};

} // namespace kestrova
