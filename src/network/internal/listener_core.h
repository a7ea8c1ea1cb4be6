#pragma once
// What one listening session shares between the DicomListener (UI thread) and its
// association threads: the way onto the UI thread, the log, the stop flag, and the
// sockets of the running associations so that a stop can cut them. Internal.
//
// Threads and what they touch:
// - an association thread owns its DCMTK association and its worker; it reaches the UI
//   thread only through deliver(), which hands over a PendingCall under mutex_. The call
//   holds shared ownership of what it uses (the Connection), never a reference into the
//   association thread's stack, and the thread waits until the call has run or was given up.
// - the UI thread runs every handler call, one at a time, in arrival order. handler_ is
//   touched there only.
// - the log and the socket list are guarded by mutex_, the stop flag is atomic.
// Qt's event queue only wakes the UI thread; no data of ours travels through it, so every
// hand-off is ordered by a mutex of ours (and visible to ThreadSanitizer as such).

#include "network/connection.h"

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

class QObject;

namespace kestrova {

class ConnectionHandler;
class DicomLog;
class PendingCall;

class ListenerCore : public std::enable_shared_from_this<ListenerCore> {
    struct ConstructionKey {};

public:
    // On the thread the handler lives on (the UI thread).
    static std::shared_ptr<ListenerCore> create(ConnectionHandler& handler, DicomLog& log);
    ListenerCore(ConstructionKey, ConnectionHandler& handler, DicomLog& log);
    ~ListenerCore();
    ListenerCore(const ListenerCore&) = delete;
    ListenerCore& operator=(const ListenerCore&) = delete;

    using HandlerCall = std::function<void(ConnectionHandler&)>;
    // Runs call with the handler on the UI thread and waits for it. False when it did not run because the listener is stopping.
    bool deliver(HandlerCall call);

    void log(int category, const std::string& text) const;
    bool logs(int category) const;

    bool stopping() const { return stopping_.load(); }
    // New requests answer at once from now on, and running associations are cut.
    void beginStop();
    // The listener is going away: nothing reaches its handler or log any more.
    void detach();

    // Work left for association threads (decoding images, printing pages) runs only while it
    // holds one of these: each holds tens of megabytes while it runs, and more of them at once
    // than there are cores only adds memory, not speed. Preparations for later requests have
    // slots of their own, so that a requester waiting for its answer never queues behind the
    // images that other associations keep sending.
    class WorkSlot {
    public:
        WorkSlot(ListenerCore& core, Connection::WorkKind kind);
        ~WorkSlot();
        WorkSlot(const WorkSlot&) = delete;
        WorkSlot& operator=(const WorkSlot&) = delete;

    private:
        std::counting_semaphore<>& slots_;
    };

    // An association's connection; false (and not registered) when the listener is stopping.
    bool registerSocket(int socket);
    void unregisterSocket(int socket);

private:
    class Dispatcher;
    struct DispatcherDeleter {
        void operator()(Dispatcher* dispatcher) const;
    };

    // UI thread: everything delivered so far.
    void runDelivered();
    bool runHandler(const HandlerCall& call);

    const std::thread::id uiThread_ = std::this_thread::get_id();
    ConnectionHandler* handler_;         // UI thread only
    mutable std::mutex mutex_;           // guards log_, sockets_, delivered_ and outstanding_
    DicomLog* log_;
    std::vector<int> sockets_;
    std::deque<std::shared_ptr<PendingCall>> delivered_;   // not yet taken by the UI thread
    std::vector<std::shared_ptr<PendingCall>> outstanding_; // waited for by association threads
    std::atomic<bool> stopping_{false};
    std::counting_semaphore<> answerSlots_;
    std::counting_semaphore<> preparationSlots_;
    std::unique_ptr<Dispatcher, DispatcherDeleter> dispatcher_;
};

} // namespace kestrova
