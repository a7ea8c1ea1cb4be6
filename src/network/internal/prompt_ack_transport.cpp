#include "network/internal/prompt_ack_transport.h"

#include <memory>

#ifdef __linux__
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace kestrova {

// Linux leaves its quick acknowledgement mode by itself, e.g. after each answer sent, so it is
// asked for again each time. Setting it also sends an acknowledgement that is being held back.
// Elsewhere acknowledgements are left to the system. A failure only costs the delay.
void acknowledgePromptly([[maybe_unused]] DcmNativeSocketType socket)
{
#ifdef __linux__
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
}

ssize_t PromptAckConnection::read(void* buffer, size_t bytes)
{
    const ssize_t received = DcmTCPConnection::read(buffer, bytes);
    acknowledgePromptly(getSocket());
    return received;
}

DcmTransportConnection* PromptAckTransportLayer::createConnection(DcmNativeSocketType openSocket, OFBool useSecureLayer)
{
    if (useSecureLayer)
        return nullptr;
    // DCMTK takes the connection over and deletes it with the association.
    return std::make_unique<PromptAckConnection>(openSocket).release();
}

} // namespace kestrova
