#include "toolkit/listener_core.h"

#include "core/errors.h"
#include "toolkit/dicom_log.h"
#include "toolkit/dicom_viewer.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace kestrova {

namespace {

void cutConnection(int socket)
{
#ifdef _WIN32
    ::shutdown(static_cast<SOCKET>(socket), SD_BOTH);
#else
    ::shutdown(socket, SHUT_RDWR);
#endif
}

} // namespace

void ListenerCore::UiAnchorDeleter::operator()(QObject* anchor) const
{
    // The last reference may go on a worker thread; a QObject dies in its own thread.
    if (QThread::currentThread() == anchor->thread())
        delete anchor;
    else
        anchor->deleteLater();
}

ListenerCore::ListenerCore(ConnectionHandler& handler, DicomLog& log)
    : handler_(&handler), log_(&log), uiAnchor_(new QObject)
{
}

ListenerCore::~ListenerCore() = default;

bool ListenerCore::deliver(const std::function<void(ConnectionHandler&)>& call)
{
    if (stopping())
        return false;
    bool delivered = false;
    auto onUiThread = [&] {
        if (stopping() || handler_ == nullptr)
            return;
        delivered = true;
        try {
            call(*handler_);
        } catch (...) {
            // The handler traps its own failures; anything that still escapes must not
            // unwind through Qt's event dispatch.
            log(LogCategory::Errors, "Request handler failed: " + currentErrorInfo().description);
        }
    };
    QObject* anchor = uiAnchor_.get();
    if (QThread::currentThread() == anchor->thread())
        onUiThread();
    else
        QMetaObject::invokeMethod(anchor, onUiThread, Qt::BlockingQueuedConnection);
    return delivered;
}

void ListenerCore::log(int category, const std::string& text) const
{
    const std::lock_guard lock(mutex_);
    if (log_ != nullptr)
        log_->append(category, text);
}

bool ListenerCore::logs(int category) const
{
    const std::lock_guard lock(mutex_);
    return log_ != nullptr && log_->accepts(category);
}

void ListenerCore::beginStop()
{
    stopping_ = true;
    const std::lock_guard lock(mutex_);
    std::for_each(sockets_.begin(), sockets_.end(), cutConnection);
}

void ListenerCore::detach()
{
    handler_ = nullptr;
    const std::lock_guard lock(mutex_);
    log_ = nullptr;
}

bool ListenerCore::registerSocket(int socket)
{
    const std::lock_guard lock(mutex_);
    if (stopping())
        return false;
    sockets_.push_back(socket);
    return true;
}

void ListenerCore::unregisterSocket(int socket)
{
    const std::lock_guard lock(mutex_);
    std::erase(sockets_, socket);
}

} // namespace kestrova
