#pragma once
// The DICOM listener. Each association is served on a worker thread; every event it
// produces is handed to the handler on the thread that owns the DicomListener (the UI
// thread), one call at a time, and the worker waits for the call to finish, runs the work
// the handler left for it (Connection::continueOnAssociationThread), sends the response, and
// runs the work left for after the response. listener_core.h says which thread touches what.

#include "network/connection.h"

#include <QObject>

#include <chrono>
#include <memory>

namespace kestrova {

class DicomLog;

class ConnectionHandler {
public:
    virtual ~ConnectionHandler() = default;
    virtual void associationStarted(Connection& connection) = 0;
    // Every DIMSE-N request and every C- request other than C-ECHO. No response is
    // sent unless the handler gives one.
    virtual void handleRequest(Connection& connection) = 0;
    // Released, aborted, or the connection was lost.
    virtual void associationEnded(Connection& connection) = 0;
};

class DicomListener : public QObject {
    Q_OBJECT
public:
    DicomListener(ConnectionHandler& handler, DicomLog& log, QObject* parent = nullptr);
    ~DicomListener() override; // stops listening

    // True only when actually listening; a port in use, 0 or outside 1..65535 gives false,
    // with the reason in the DICOM log.
    bool listen(int port);
    // Stops accepting, ends the served associations and waits for the workers, while
    // events keep being processed. Returns within a couple of seconds.
    void stopListening();
    bool isListening() const;
    int port() const;

    // How long a served association may stay silent: between DIMSE messages, and while its
    // association is negotiated or released. 60 s and 30 s unless set; applies from the next
    // listen(). Fault tests shorten them so that a silent peer is dropped within seconds.
    void setTimeouts(std::chrono::seconds dimse, std::chrono::seconds acse);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kestrova
