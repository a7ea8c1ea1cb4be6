// The listener's connections acknowledge each read at once, so a requester that writes with
// Nagle's algorithm on never waits for a delayed acknowledgement.
#include "network/internal/prompt_ack_transport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>

namespace kestrova {
namespace {

class Socket {
public:
    explicit Socket(int descriptor) : descriptor_(descriptor) {}
    ~Socket()
    {
        if (descriptor_ >= 0)
            ::close(descriptor_);
    }
    Socket(Socket&& other) noexcept : descriptor_(other.release()) {}
    Socket& operator=(Socket&& other) noexcept
    {
        std::swap(descriptor_, other.descriptor_);
        return *this;
    }
    int get() const { return descriptor_; }
    int release() { return std::exchange(descriptor_, -1); }

private:
    int descriptor_;
};

// Both ends of a loopback TCP connection.
struct LoopbackPair {
    Socket client{-1};
    Socket server{-1};
};

LoopbackPair connectedPair()
{
    const Socket listener(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    EXPECT_EQ(::bind(listener.get(), raw, length), 0);
    EXPECT_EQ(::listen(listener.get(), 1), 0);
    EXPECT_EQ(::getsockname(listener.get(), raw, &length), 0);
    LoopbackPair pair;
    pair.client = Socket(::socket(AF_INET, SOCK_STREAM, 0));
    EXPECT_EQ(::connect(pair.client.get(), raw, length), 0);
    pair.server = Socket(::accept(listener.get(), nullptr, nullptr));
    return pair;
}

int option(int socket, int name)
{
    int value = -1;
    socklen_t length = sizeof value;
    EXPECT_EQ(::getsockopt(socket, IPPROTO_TCP, name, &value, &length), 0);
    return value;
}

TEST(PromptAckTransport, EveryReadLeavesTheConnectionAcknowledgingAtOnce)
{
    LoopbackPair pair = connectedPair();
    ASSERT_GE(pair.server.get(), 0);
    PromptAckTransportLayer layer;
    const int server = pair.server.release(); // the connection closes it
    const std::unique_ptr<DcmTransportConnection> connection(layer.createConnection(server, OFFalse));
    ASSERT_TRUE(connection);

    char received[3] = {};
    for (const char* sent : {"abc", "def"}) {
        // As after an answer: the system has gone back to delaying its acknowledgements.
        const int off = 0;
        ASSERT_EQ(::setsockopt(server, IPPROTO_TCP, TCP_QUICKACK, &off, sizeof off), 0);
        ASSERT_EQ(::write(pair.client.get(), sent, 3), 3);
        ASSERT_EQ(connection->read(received, sizeof received), 3);
        EXPECT_EQ(std::string(received, 3), sent);
        EXPECT_EQ(option(server, TCP_QUICKACK), 1) << "after reading " << sent;
    }
}

TEST(PromptAckTransport, OffersNoSecureLayer)
{
    PromptAckTransportLayer layer;
    const Socket socket(::socket(AF_INET, SOCK_STREAM, 0));
    EXPECT_EQ(layer.createConnection(socket.get(), OFTrue), nullptr);
}

} // namespace
} // namespace kestrova
