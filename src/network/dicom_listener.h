#pragma once
// The DICOM listener: accepts connections on a port and serves each on a thread of its own, from
// the wait for its association request to the association's end, handing every request to the
// handler the service gives for that association (network/dicom_service.h). A peer holds up only
// its own thread. Nothing in it waits for the thread that owns the listener.
//
// Threads: listen, stop and the setters are for the owner's thread. A stop accepts no new
// association, lets requests being handled finish and be answered for up to StopGrace, closes
// every other connection at once, and joins every thread before it returns.

#include "network/peer_access.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kestrova {

class DicomLog;
class ServiceProvider;

// What the listener allows its peers.
struct ListenerLimits {
    // Connections still waiting for their association request; when full, the one waiting
    // longest is closed.
    std::size_t pendingConnections = 32;
    // Bytes of one request's data set. A larger one is received and dropped, and its request
    // reaches the handler with Request::dataSetTooLarge set.
    std::uint64_t dataSetBytes = std::uint64_t{512} << 20;
};

// How long a stop waits for the requests being handled (an N-ACTION printing its film) to be
// answered before it cuts their connections too.
inline constexpr std::chrono::seconds StopGrace{30};

class DicomListener {
public:
    DicomListener(ServiceProvider& service, DicomLog& log);
    ~DicomListener(); // stops listening
    DicomListener(const DicomListener&) = delete;
    DicomListener& operator=(const DicomListener&) = delete;

    // True only when actually listening; a port in use, 0 or outside 1..65535 gives false,
    // with the reason in the DICOM log.
    bool listen(int port);
    // Accepts no new association, lets requests being handled finish and be answered (StopGrace at
    // most) before it aborts their associations, closes the other connections at once and joins
    // every thread.
    void stop();
    bool isListening() const;
    int port() const;

    // How long a peer may stay silent: between DIMSE messages, and while its association request
    // is awaited, negotiated or released. 60 s and 30 s unless set; applies from the next
    // listen(). Fault tests shorten them so that a silent peer is dropped within seconds.
    void setTimeouts(std::chrono::seconds dimse, std::chrono::seconds acse);
    // Applies from the next listen().
    void setLimits(const ListenerLimits& limits);
    // Who may open an association; everyone unless set. Applies from the next listen(), which
    // writes it to the DICOM log.
    void setAccess(const PeerAccess& access);

private:
    struct Run;

    void logAccess() const;

    ServiceProvider& service_;
    DicomLog& log_;
    std::unique_ptr<Run> run_;
    int port_ = 0;
    std::chrono::seconds dimseTimeout_{60};
    std::chrono::seconds acseTimeout_{30};
    ListenerLimits limits_;
    PeerAccess access_;
};

} // namespace kestrova
