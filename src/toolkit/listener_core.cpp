#include "toolkit/listener_core.h"

#include "core/errors.h"
#include "toolkit/delivery_gate.h"
#include "toolkit/dicom_log.h"
#include "toolkit/dicom_viewer.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>

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

// One call from a worker to the UI thread. The worker may give up on a call that has not
// started when the listener stops (its event may never run); a call that started is
// always waited for, since it uses the worker's connection.
class PendingCall {
public:
    // UI thread: false when the worker gave up.
    bool start()
    {
        const std::lock_guard lock(mutex_);
        if (state_ != State::Waiting)
            return false;
        state_ = State::Running;
        return true;
    }

    void finish(bool delivered)
    {
        {
            const std::lock_guard lock(mutex_);
            state_ = State::Done;
            delivered_ = delivered;
        }
        done_.notify_all();
    }

    // Worker thread.
    bool wait(const std::function<bool()>& stopping)
    {
        std::unique_lock lock(mutex_);
        while (state_ != State::Done) {
            if (state_ == State::Waiting && stopping()) {
                state_ = State::Abandoned;
                return false;
            }
            done_.wait_for(lock, std::chrono::milliseconds(50));
        }
        return delivered_;
    }

private:
    enum class State { Waiting, Running, Done, Abandoned };
    std::mutex mutex_;
    std::condition_variable done_;
    State state_ = State::Waiting;
    bool delivered_ = false;
};

} // namespace

void ListenerCore::UiAnchorDeleter::operator()(QObject* anchor) const
{
    // The last reference may go on a worker thread; a QObject dies in its own thread.
    if (QThread::currentThread() == anchor->thread())
        delete anchor;
    else
        anchor->deleteLater();
}

ListenerCore::ListenerCore(ConnectionHandler& handler, DicomLog& log, std::shared_ptr<DeliveryGate> gate)
    : handler_(&handler), log_(&log), gate_(std::move(gate)), uiAnchor_(new QObject)
{
}

ListenerCore::~ListenerCore() = default;

bool ListenerCore::deliver(const std::function<void(ConnectionHandler&)>& call)
{
    if (stopping())
        return false;
    const auto runHandler = [&]() -> bool {
        if (stopping() || handler_ == nullptr)
            return false;
        try {
            call(*handler_);
        } catch (...) {
            // The handler traps its own failures; anything that still escapes must not
            // unwind through Qt's event dispatch.
            log(LogCategory::Errors, "Request handler failed: " + currentErrorInfo().description);
        }
        return true;
    };
    QObject* anchor = uiAnchor_.get();
    if (QThread::currentThread() == anchor->thread())
        return runHandler();

    auto pending = std::make_shared<PendingCall>();
    QMetaObject::invokeMethod(
        anchor,
        [self = shared_from_this(), pending, &runHandler] {
            self->gate_->runOrQueue([pending, &runHandler] {
                if (pending->start())
                    pending->finish(runHandler());
            });
        },
        Qt::QueuedConnection);
    return pending->wait([this] { return stopping(); });
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
