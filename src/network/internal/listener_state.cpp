#include "network/internal/listener_state.h"

#include <algorithm>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace kestrova {

namespace {

// Wakes the association's thread from a blocked read; the thread then ends the association.
void cutConnection(int socket)
{
#ifdef _WIN32
    ::shutdown(static_cast<SOCKET>(socket), SD_BOTH);
#else
    ::shutdown(socket, SHUT_RDWR);
#endif
}

} // namespace

void ListenerState::stop()
{
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    std::for_each(sockets_.begin(), sockets_.end(), cutConnection);
}

bool ListenerState::registerSocket(int socket)
{
    // Checked under the lock that stop() takes, so that no socket is registered after the cut.
    const std::lock_guard lock(mutex_);
    if (stopping())
        return false;
    sockets_.push_back(socket);
    return true;
}

void ListenerState::unregisterSocket(int socket)
{
    const std::lock_guard lock(mutex_);
    std::erase(sockets_, socket);
}

} // namespace kestrova
