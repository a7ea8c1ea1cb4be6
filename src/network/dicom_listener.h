#pragma once
// The DICOM listener: accepts connections on a port (and DICOM over TLS on a second one, when set
// up) and serves each on a thread of its own, from
// the wait for its association request to the association's end, handing every request to the
// handler the service gives for that association (network/dicom_service.h). A peer holds up only
// its own thread. Nothing in it waits for the thread that owns the listener.
//
// Threads: listen, stop and the setters are for the owner's thread. A stop accepts no new
// association, lets requests being handled finish and be answered for up to StopGrace, closes
// every other connection at once, and joins every thread before it returns.

#include "network/peer_access.h"

class DcmSCPConfig;

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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
    // DICOM over TLS on a second port, beside the plain one; none while its Port is 0. Applies
    // from the next listen(): settings that cannot be used (a file that cannot be read, a port
    // that is taken) leave the plain port listening alone, with the reason in the DICOM log.
    void setTls(const TlsSettings& tls);
    // The port TLS associations are accepted on; 0 when there is none.
    int tlsPort() const;
    // Why the last listen() did not open the TLS port it was set up for; empty when it did.
    const std::string& tlsProblem() const { return tlsProblem_; }

private:
    struct Door;
    struct Run;

    std::unique_ptr<Door> openTlsDoor(const DcmSCPConfig& config);
    std::unique_ptr<Door> tlsDoor(const DcmSCPConfig& config);
    void logAccess() const;

    ServiceProvider& service_;
    DicomLog& log_;
    std::unique_ptr<Run> run_;
    int port_ = 0;
    std::chrono::seconds dimseTimeout_{60};
    std::chrono::seconds acseTimeout_{30};
    ListenerLimits limits_;
    PeerAccess access_;
    TlsSettings tls_;
    std::string tlsProblem_;
};

} // namespace kestrova
