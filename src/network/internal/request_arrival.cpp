#include "network/internal/request_arrival.h"

#include "network/internal/tcp_socket.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>


namespace kestrova {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t AssociateRequestType = 0x01;

// Readable means: at least `bytes` are waiting (the low-water mark), or the connection ended.
// The mark is left at 1 for DCMTK, whose reads would otherwise wait for it too.
class LowWaterMark {
public:
    explicit LowWaterMark(const Socket& connection) : connection_(connection) {}
    ~LowWaterMark() { set(1); }
    LowWaterMark(const LowWaterMark&) = delete;
    LowWaterMark& operator=(const LowWaterMark&) = delete;

    void set(std::size_t bytes) const
    {
        const int mark = static_cast<int>(bytes);
        ::setsockopt(connection_.get(), SOL_SOCKET, SO_RCVLOWAT, &mark, sizeof mark);
    }

private:
    const Socket& connection_;
};

std::size_t bytesWaiting(const Socket& connection)
{
    int waiting = 0;
    return ::ioctl(connection.get(), FIONREAD, &waiting) == 0 && waiting > 0 ? static_cast<std::size_t>(waiting) : 0;
}

// Waits until `bytes` are there; Closed when the connection ended short of them.
Arrival waitForBytes(const Socket& connection, const LowWaterMark& mark, std::size_t bytes, Clock::time_point deadline)
{
    mark.set(bytes);
    if (!waitUntilReady(connection, POLLIN | POLLRDHUP, deadline))
        return Arrival::TimedOut;
    return bytesWaiting(connection) >= bytes ? Arrival::Whole : Arrival::Closed;
}

} // namespace

Arrival waitForAssociateRequest(const Socket& connection, Clock::time_point deadline)
{
    const LowWaterMark mark(connection);
    if (const Arrival header = waitForBytes(connection, mark, PduHeaderLength, deadline); header != Arrival::Whole)
        return header;
    PduHeader header{};
    if (::recv(connection.get(), header.data(), header.size(), MSG_PEEK | MSG_DONTWAIT) != static_cast<ssize_t>(header.size()))
        return Arrival::Closed;
    std::uint32_t length = 0;
    if (const Arrival checked = checkRequestHeader(header, length); checked != Arrival::Whole)
        return checked;
    return waitForBytes(connection, mark, PduHeaderLength + length, deadline);
}

Arrival checkRequestHeader(const PduHeader& header, std::uint32_t& length)
{
    if (header[0] != AssociateRequestType)
        return Arrival::NotARequest;
    length = (std::uint32_t{header[2]} << 24) | (std::uint32_t{header[3]} << 16) | (std::uint32_t{header[4]} << 8)
             | header[5];
    return length > MaxAssociateRequestLength ? Arrival::TooLong : Arrival::Whole;
}

} // namespace kestrova
