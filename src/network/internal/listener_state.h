#pragma once
// What the accept thread and the association threads of one listen share: the service they
// hand associations to, the DICOM log, the stop flag and the sockets of the open associations,
// so that a stop can cut them. Internal.
//
// Threads: every member may be used from any of them; the socket list is guarded by mutex_,
// the flag is atomic, the service and the log guard themselves.

#include "network/dicom_log.h"
#include "network/dicom_service.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace kestrova {

class ListenerState {
public:
    ListenerState(ServiceProvider& service, DicomLog& log) : service_(service), log_(log) {}
    ListenerState(const ListenerState&) = delete;
    ListenerState& operator=(const ListenerState&) = delete;

    ServiceProvider& service() const { return service_; }
    void log(int category, const std::string& text) const { log_.append(category, text); }
    bool logs(int category) const { return log_.accepts(category); }

    bool stopping() const { return stopping_.load(); }
    // No association starts from now on, and the open ones are cut.
    void stop();

    // An association's connection; false (and not registered) once the listener is stopping.
    bool registerSocket(int socket);
    void unregisterSocket(int socket);

private:
    ServiceProvider& service_;
    DicomLog& log_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<int> sockets_;
};

} // namespace kestrova
