#include "network/internal/acceptor_network.h"

#include "network/internal/tcp_socket.h"

#include <dcmtk/dcmnet/dul.h>

#include <mutex>

namespace kestrova {

namespace {

std::mutex& handOverMutex()
{
    static std::mutex mutex;
    return mutex;
}

// DCMTK takes this socket where it would accept a connection, for as long as the object lives.
class HandedOverSocket {
public:
    explicit HandedOverSocket(int socket) { dcmExternalSocketHandle.set(socket); }
    ~HandedOverSocket() { dcmExternalSocketHandle.set(DCMNET_INVALID_SOCKET); }
    HandedOverSocket(const HandedOverSocket&) = delete;
    HandedOverSocket& operator=(const HandedOverSocket&) = delete;
};

} // namespace

AcceptorNetwork::AcceptorNetwork(const Socket& listening, std::chrono::seconds acseTimeout)
{
    T_ASC_Network* network = nullptr;
    {
        // A network made while a socket is handed over opens no listening socket of its own.
        const std::lock_guard lock(handOverMutex());
        const HandedOverSocket handed(listening.get());
        status_ = ASC_initializeNetwork(NET_ACCEPTOR, 0, static_cast<int>(acseTimeout.count()), &network);
    }
    network_.reset(network);
    if (status_.good())
        status_ = ASC_setTransportLayer(network_.get(), &transport_, 0);
}

AcceptorNetwork::~AcceptorNetwork() = default;

DcmTransportConnection* HandOverTransportLayer::createConnection(DcmNativeSocketType openSocket, OFBool useSecureLayer)
{
    if (prepared_)
        return prepared_.release(); // DCMTK takes it over and deletes it with the association
    return plain_.createConnection(openSocket, useSecureLayer);
}

namespace {

// DCMTK keeps the socket exactly when it made a connection of it, and its association key exists
// only with one: our transport makes a connection of every socket handed over, and a failure
// before that (getpeername, setsockopt) leaves the socket to us.
bool takenByDcmtk(const AcceptorNetwork::Received& received)
{
    return received.association != nullptr && received.association->DULassociation != nullptr;
}

} // namespace

AcceptorNetwork::Received AcceptorNetwork::receive(Socket connection, long maxReceivePdu)
{
    const Received received = handOver(connection.get(), nullptr, maxReceivePdu);
    if (takenByDcmtk(received))
        connection.release();
    return received;
}

AcceptorNetwork::Received AcceptorNetwork::receive(std::unique_ptr<DcmTransportConnection> secured,
                                                   DcmNativeSocketType socket, long maxReceivePdu)
{
    return handOver(socket, std::move(secured), maxReceivePdu);
}

AcceptorNetwork::Received AcceptorNetwork::handOver(DcmNativeSocketType socket,
                                                    std::unique_ptr<DcmTransportConnection> prepared, long maxReceivePdu)
{
    Received received;
    const std::lock_guard lock(handOverMutex());
    const HandedOverSocket handed(socket);
    const bool secure = prepared != nullptr;
    transport_.prepare(std::move(prepared));
    received.condition = ASC_receiveAssociation(network_.get(), &received.association, maxReceivePdu, nullptr,
                                                nullptr, secure ? OFTrue : OFFalse, DUL_NOBLOCK, 0);
    // A prepared connection DCMTK did not take goes now, closing its socket.
    transport_.prepare(nullptr);
    return received;
}

} // namespace kestrova
