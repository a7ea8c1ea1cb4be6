#include "network/internal/request_arrival.h"

#include "network/internal/tcp_socket.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>

namespace kestrova {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t AssociateRequestType = 0x01;
constexpr std::size_t PduHeaderLength = 6;

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

// False when the deadline passed first.
bool waitReadable(const Socket& connection, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd ready{connection.get(), POLLIN | POLLRDHUP, 0};
        const int result = ::poll(&ready, 1, static_cast<int>(left));
        if (result > 0)
            return true;
        if (result < 0 && errno != EINTR)
            return true; // the socket is unusable: the reading that follows says so
    }
}

std::size_t bytesWaiting(const Socket& connection)
{
    int waiting = 0;
    return ::ioctl(connection.get(), FIONREAD, &waiting) == 0 && waiting > 0 ? static_cast<std::size_t>(waiting) : 0;
}

// Waits until `bytes` are there; Closed when the connection ended short of them.
Arrival waitForBytes(const Socket& connection, const LowWaterMark& mark, std::size_t bytes, Clock::time_point deadline)
{
    mark.set(bytes);
    if (!waitReadable(connection, deadline))
        return Arrival::TimedOut;
    return bytesWaiting(connection) >= bytes ? Arrival::Whole : Arrival::Closed;
}

} // namespace

Arrival waitForAssociateRequest(const Socket& connection, Clock::time_point deadline)
{
    const LowWaterMark mark(connection);
    if (const Arrival header = waitForBytes(connection, mark, PduHeaderLength, deadline); header != Arrival::Whole)
        return header;
    std::array<std::uint8_t, PduHeaderLength> pdu{};
    if (::recv(connection.get(), pdu.data(), pdu.size(), MSG_PEEK | MSG_DONTWAIT) != static_cast<ssize_t>(pdu.size()))
        return Arrival::Closed;
    if (pdu[0] != AssociateRequestType)
        return Arrival::NotARequest;
    const std::uint32_t length = (std::uint32_t{pdu[2]} << 24) | (std::uint32_t{pdu[3]} << 16)
                                 | (std::uint32_t{pdu[4]} << 8) | pdu[5];
    if (length > MaxAssociateRequestLength)
        return Arrival::TooLong;
    return waitForBytes(connection, mark, PduHeaderLength + length, deadline);
}

} // namespace kestrova
