#pragma once
// The TCP side of the status page. Qt's HTTP server keeps in memory whatever a client sends and
// keeps every connection a client leaves open; this server bounds both: at most MaxConnections
// at once (a new one closes the oldest, so silent clients cannot shut others out), each closed
// after Lifetime or once its client has sent more than MaxReceivedBytes. A browser asks for a
// page in a few hundred bytes and opens a new connection when an old one was closed.
//
// Threads: lives on the thread that serves the page, as its sockets do.

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <chrono>
#include <deque>

namespace kestrova {

struct ConnectionBounds {
    int maxConnections = 16;
    qint64 maxReceivedBytes = 64 * 1024;
    std::chrono::milliseconds lifetime = std::chrono::seconds(10);
};

class BoundedTcpServer : public QTcpServer {
public:
    explicit BoundedTcpServer(ConnectionBounds bounds, QObject* parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void makeRoomForOneMore();
    void bound(QTcpSocket& socket) const;

    ConnectionBounds bounds_;
    std::deque<QPointer<QTcpSocket>> open_; // oldest first
};

} // namespace kestrova
