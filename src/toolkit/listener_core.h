#pragma once
// What one listening session shares between the DicomViewer (UI thread) and its
// association workers: the way onto the UI thread, the log, the stop flag, and the
// sockets of the running associations so that a stop can cut them. Internal.

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kestrova {

class ConnectionHandler;
class DeliveryGate;
class DicomLog;

class ListenerCore : public std::enable_shared_from_this<ListenerCore> {
public:
    // Created on the thread the handler lives on, always through std::make_shared.
    ListenerCore(ConnectionHandler& handler, DicomLog& log, std::shared_ptr<DeliveryGate> gate);
    ~ListenerCore();
    ListenerCore(const ListenerCore&) = delete;
    ListenerCore& operator=(const ListenerCore&) = delete;

    // Runs call with the handler on the UI thread and waits for it, also while the gate
    // holds it back. False when it did not run because the listener is stopping.
    bool deliver(const std::function<void(ConnectionHandler&)>& call);

    void log(int category, const std::string& text) const;
    bool logs(int category) const;

    bool stopping() const { return stopping_.load(); }
    // New requests answer at once from now on, and running associations are cut.
    void beginStop();
    // The viewer is going away: nothing reaches its handler or log any more.
    void detach();

    // A worker's connection; false (and not registered) when the listener is stopping.
    bool registerSocket(int socket);
    void unregisterSocket(int socket);

private:
    struct UiAnchorDeleter {
        void operator()(QObject* anchor) const;
    };

    ConnectionHandler* handler_; // touched on the UI thread only
    mutable std::mutex mutex_;   // guards log_ and sockets_
    DicomLog* log_;
    std::vector<int> sockets_;
    std::atomic<bool> stopping_{false};
    std::shared_ptr<DeliveryGate> gate_; // touched on the UI thread only
    std::unique_ptr<QObject, UiAnchorDeleter> uiAnchor_;
};

} // namespace kestrova
