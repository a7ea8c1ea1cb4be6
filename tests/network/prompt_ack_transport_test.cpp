// The listener's connections acknowledge each read at once, so a requester that writes with
// Nagle's algorithm on never waits for a delayed acknowledgement.
#include "network/internal/prompt_ack_transport.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace kestrova {
namespace {

int quickAck(int socket)
{
    int value = -1;
    socklen_t length = sizeof value;
    EXPECT_EQ(::getsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &value, &length), 0);
    return value;
}

TEST(PromptAckTransport, EveryReadLeavesTheConnectionAcknowledgingAtOnce)
{
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost, 0));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, listener.serverPort());
    ASSERT_TRUE(client.waitForConnected(5000) && listener.waitForNewConnection(5000));
    // The connection owns and closes its socket; Qt keeps its own.
    const int server = ::dup(static_cast<int>(listener.nextPendingConnection()->socketDescriptor()));
    PromptAckTransportLayer layer;
    const std::unique_ptr<DcmTransportConnection> connection(layer.createConnection(server, OFFalse));
    ASSERT_TRUE(connection);

    char received[3] = {};
    for (const char* sent : {"abc", "def"}) {
        // As after an answer: the system has gone back to delaying its acknowledgements.
        const int off = 0;
        ASSERT_EQ(::setsockopt(server, IPPROTO_TCP, TCP_QUICKACK, &off, sizeof off), 0);
        client.write(sent, 3);
        ASSERT_TRUE(client.waitForBytesWritten(5000));
        ASSERT_EQ(connection->read(received, sizeof received), 3);
        EXPECT_EQ(std::string(received, 3), sent);
        EXPECT_EQ(quickAck(server), 1) << "after reading " << sent;
    }
}

} // namespace
} // namespace kestrova
