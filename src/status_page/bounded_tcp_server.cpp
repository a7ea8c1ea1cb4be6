#include "status_page/bounded_tcp_server.h"

#include <QTimer>

#include <algorithm>
#include <memory>

namespace kestrova {

BoundedTcpServer::BoundedTcpServer(ConnectionBounds bounds, QObject* parent) : QTcpServer(parent), bounds_(bounds) {}

// The socket is handed to the HTTP server, which deletes it once its client has gone.
void BoundedTcpServer::incomingConnection(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        socket->deleteLater();
        return;
    }
    makeRoomForOneMore();
    bound(*socket);
    open_.emplace_back(socket);
    addPendingConnection(socket);
}

void BoundedTcpServer::makeRoomForOneMore()
{
    open_.erase(std::remove_if(open_.begin(), open_.end(), [](const QPointer<QTcpSocket>& socket) { return socket.isNull(); }),
                open_.end());
    while (!open_.empty() && static_cast<int>(open_.size()) >= bounds_.maxConnections) {
        if (open_.front())
            open_.front()->abort();
        open_.pop_front();
    }
}

// Connected before the HTTP server's own handler, so each count sees what arrived since the
// handler last read everything. The read buffer holds no more than the bound: a client that fills
// it has sent more than any page request, and Qt's server may have stopped reading it by then.
void BoundedTcpServer::bound(QTcpSocket& socket) const
{
    socket.setReadBufferSize(bounds_.maxReceivedBytes);
    auto received = std::make_shared<qint64>(0);
    QTcpSocket* const counted = &socket;
    connect(counted, &QIODevice::readyRead, counted, [counted, received, limit = bounds_.maxReceivedBytes] {
        *received += counted->bytesAvailable();
        if (*received >= limit)
            counted->abort();
    });
    QTimer::singleShot(bounds_.lifetime, counted, [counted] { counted->abort(); });
}

} // namespace kestrova
