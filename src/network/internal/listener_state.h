#pragma once
// What the accept threads and the connection threads of one listen share: the service they hand
// associations to, the DICOM log, the limits, who may connect, and the registry of open connections through which
// a stop reaches them. Internal.
//
// Threads: every member may be used from any of them; the registry, the service and the log
// guard themselves, the limits and the access rules do not change while the listener runs.

#include "network/dicom_listener.h"
#include "network/dicom_log.h"
#include "network/dicom_service.h"
#include "network/internal/connection_registry.h"
#include "network/peer_access.h"

#include <chrono>
#include <string>

namespace kestrova {

// Associations served at once; a further request is refused (transient, local limit exceeded).
inline constexpr std::size_t MaxAssociations = 16;

class ListenerState {
public:
    ListenerState(ServiceProvider& service, DicomLog& log, const ListenerLimits& limits, const PeerAccess& access)
        : service_(service), log_(log), limits_(limits), access_(access),
          connections_(limits.pendingConnections, MaxAssociations)
    {
    }
    ListenerState(const ListenerState&) = delete;
    ListenerState& operator=(const ListenerState&) = delete;

    ServiceProvider& service() const { return service_; }
    void log(int category, const std::string& text) const { log_.append(category, text); }
    bool logs(int category) const { return log_.accepts(category); }
    const ListenerLimits& limits() const { return limits_; }
    const PeerAccess& access() const { return access_; }

    ConnectionRegistry& connections() { return connections_; }
    bool stopping() const { return connections_.stopping(); }
    // No association starts from now on; see ConnectionRegistry::stop.
    void stop(std::chrono::milliseconds grace) { connections_.stop(grace); }

private:
    ServiceProvider& service_;
    DicomLog& log_;
    const ListenerLimits limits_;
    const PeerAccess access_;
    ConnectionRegistry connections_;
};

} // namespace kestrova
