#pragma once
// The DICOM listener: accepts associations on a port and serves each on a thread of its own,
// handing every request to the handler the service gives for that association
// (network/dicom_service.h). Nothing in it waits for the thread that owns the listener.
//
// Threads: listen, stop and the queries are for the owner's thread. A stop sets the stop flag,
// cuts the open associations' connections and joins every thread before it returns.

#include <chrono>
#include <memory>

namespace kestrova {

class DicomLog;
class ServiceProvider;

class DicomListener {
public:
    DicomListener(ServiceProvider& service, DicomLog& log);
    ~DicomListener(); // stops listening
    DicomListener(const DicomListener&) = delete;
    DicomListener& operator=(const DicomListener&) = delete;

    // True only when actually listening; a port in use, 0 or outside 1..65535 gives false,
    // with the reason in the DICOM log.
    bool listen(int port);
    // Stops accepting, ends the served associations and joins their threads.
    void stop();
    bool isListening() const;
    int port() const;

    // How long a served association may stay silent: between DIMSE messages, and while its
    // association is negotiated or released. 60 s and 30 s unless set; applies from the next
    // listen(). Fault tests shorten them so that a silent peer is dropped within seconds.
    void setTimeouts(std::chrono::seconds dimse, std::chrono::seconds acse);

private:
    struct Run;

    bool waitUntilAccepting(Run& run, int port) const;

    ServiceProvider& service_;
    DicomLog& log_;
    std::unique_ptr<Run> run_;
    int port_ = 0;
    std::chrono::seconds dimseTimeout_{60};
    std::chrono::seconds acseTimeout_{30};
};

} // namespace kestrova
