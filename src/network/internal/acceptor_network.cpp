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

AcceptorNetwork::Received AcceptorNetwork::receive(Socket connection, long maxReceivePdu)
{
    Received received;
    {
        const std::lock_guard lock(handOverMutex());
        const HandedOverSocket handed(connection.get());
        received.condition = ASC_receiveAssociation(network_.get(), &received.association, maxReceivePdu, nullptr,
                                                    nullptr, OFFalse, DUL_NOBLOCK, 0);
    }
    // DCMTK keeps the socket exactly when it made a connection of it, and its association key
    // exists only with one: our transport makes a connection of every plain socket, and a failure
    // before that (getpeername, setsockopt) leaves the socket to us.
    if (received.association != nullptr && received.association->DULassociation != nullptr)
        connection.release();
    return received;
}

} // namespace kestrova
