#include "network/internal/listener_core.h"

#include "core/errors.h"
#include "network/dicom_log.h"
#include "network/dicom_listener.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <algorithm>
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

// As many pieces of work of each kind at once as there are cores, and at least two.
std::ptrdiff_t workSlotsOfAKind() { return std::max<std::ptrdiff_t>(2, std::thread::hardware_concurrency()); }

} // namespace

// One call from an association thread to the UI thread. The association thread gives up on
// a call that has not started when the listener stops (its event may never run); a call
// that started is always waited for.
class PendingCall {
public:
    explicit PendingCall(ListenerCore::HandlerCall call) : call_(std::move(call)) {}

    // UI thread: false when the association thread gave up.
    bool start()
    {
        const std::lock_guard lock(mutex_);
        if (state_ != State::Waiting)
            return false;
        state_ = State::Running;
        return true;
    }

    const ListenerCore::HandlerCall& call() const { return call_; }

    void finish(bool delivered)
    {
        {
            const std::lock_guard lock(mutex_);
            state_ = State::Done;
            delivered_ = delivered;
        }
        changed_.notify_all();
    }

    // The listener is stopping: a call still waiting is given up.
    void stop()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
    }

    // Association thread. Untimed: finish() or stop() always wakes it.
    bool wait()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return state_ == State::Done || (state_ == State::Waiting && stopping_); });
        if (state_ != State::Done) {
            state_ = State::Abandoned;
            return false;
        }
        return delivered_;
    }

private:
    enum class State { Waiting, Running, Done, Abandoned };
    const ListenerCore::HandlerCall call_;
    std::mutex mutex_;
    // _any: its wait gives up and retakes mutex_ in inline code, where ThreadSanitizer sees
    // the ordering; std::condition_variable does it inside libstdc++, which is not instrumented.
    std::condition_variable_any changed_;
    State state_ = State::Waiting;
    bool stopping_ = false;
    bool delivered_ = false;
};

// Lives on the UI thread; an event posted to it runs what was delivered. The event carries
// nothing: what to run is in the core's queue.
class ListenerCore::Dispatcher : public QObject {
public:
    static constexpr QEvent::Type Delivery = QEvent::User;

    std::weak_ptr<ListenerCore> core;

protected:
    void customEvent(QEvent*) override
    {
        if (const auto alive = core.lock())
            alive->runDelivered();
    }
};

void ListenerCore::DispatcherDeleter::operator()(Dispatcher* dispatcher) const
{
    // The last reference to the core may go on an association thread; a QObject dies in
    // its own thread.
    if (QThread::currentThread() == dispatcher->thread())
        delete dispatcher;
    else
        dispatcher->deleteLater();
}

std::shared_ptr<ListenerCore> ListenerCore::create(ConnectionHandler& handler, DicomLog& log)
{
    auto core = std::make_shared<ListenerCore>(ConstructionKey{}, handler, log);
    core->dispatcher_->core = core;
    return core;
}

ListenerCore::ListenerCore(ConstructionKey, ConnectionHandler& handler, DicomLog& log)
    : handler_(&handler),
      log_(&log),
      answerSlots_(workSlotsOfAKind()),
      preparationSlots_(workSlotsOfAKind()),
      dispatcher_(std::make_unique<Dispatcher>().release())
{
}

ListenerCore::~ListenerCore() = default;

bool ListenerCore::deliver(HandlerCall call)
{
    if (stopping())
        return false;
    if (std::this_thread::get_id() == uiThread_)
        return runHandler(call);

    auto pending = std::make_shared<PendingCall>(std::move(call));
    {
        // Checked under the lock that beginStop() takes to stop every outstanding call, so
        // that no call can start waiting after the stop went by.
        const std::lock_guard lock(mutex_);
        if (stopping())
            return false;
        delivered_.push_back(pending);
        outstanding_.push_back(pending);
    }
    QCoreApplication::postEvent(dispatcher_.get(), std::make_unique<QEvent>(Dispatcher::Delivery).release());
    const bool delivered = pending->wait();
    const std::lock_guard lock(mutex_);
    std::erase(outstanding_, pending);
    return delivered;
}

void ListenerCore::runDelivered()
{
    for (;;) {
        std::shared_ptr<PendingCall> pending;
        {
            const std::lock_guard lock(mutex_);
            if (delivered_.empty())
                return;
            pending = std::move(delivered_.front());
            delivered_.pop_front();
        }
        if (pending->start())
            pending->finish(runHandler(pending->call()));
    }
}

bool ListenerCore::runHandler(const HandlerCall& call)
{
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
}

ListenerCore::WorkSlot::WorkSlot(ListenerCore& core, Connection::WorkKind kind)
    : slots_(kind == Connection::WorkKind::Preparation ? core.preparationSlots_ : core.answerSlots_)
{
    slots_.acquire();
}

ListenerCore::WorkSlot::~WorkSlot() { slots_.release(); }

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
    for (const auto& pending : outstanding_)
        pending->stop();
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
