#include "network/internal/port_probe.h"

#include <cstdint>

#ifdef _WIN32
#include <winsock2.h>
using NativeSocket = SOCKET;
static void closeNative(NativeSocket s) { closesocket(s); }
static constexpr NativeSocket invalidSocket = INVALID_SOCKET;
#else
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using NativeSocket = int;
static void closeNative(NativeSocket s) { ::close(s); }
static constexpr NativeSocket invalidSocket = -1;
#endif

namespace kestrova::port_probe {

namespace {

class ProbeSocket {
public:
    ProbeSocket() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {}
    ~ProbeSocket()
    {
        if (socket_ != invalidSocket)
            closeNative(socket_);
    }
    ProbeSocket(const ProbeSocket&) = delete;
    ProbeSocket& operator=(const ProbeSocket&) = delete;
    NativeSocket get() const { return socket_; }

private:
    NativeSocket socket_;
};

} // namespace

// DCMTK binds its listening socket with SO_REUSEADDR. A probe bound the same way, and
// never listening itself, is refused exactly while another socket listens on the port,
// so it neither disturbs DCMTK's bind nor mistakes TIME_WAIT leftovers for a listener.
bool isFree(int port)
{
    const ProbeSocket probe;
    if (probe.get() == invalidSocket)
        return false;
    const int reuse = 1;
    setsockopt(probe.get(), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return ::bind(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

} // namespace kestrova::port_probe
