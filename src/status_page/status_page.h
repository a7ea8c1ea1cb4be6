#pragma once
// The status page: a small HTTP server, off unless the [StatusPage] settings give it a port, that
// answers "/" with the status as HTML, "/status.json" with the same as JSON, and "/films/NAME" with
// the PDF of a film the page lists. It only reads: nothing it serves changes a setting or prints.
//
// Threads: made, started and served on the UI thread, where Qt's HTTP server delivers requests;
// what it asks of the service guards itself.

#include "core/configuration.h"

#include <QtGlobal>

#include <memory>
#include <string>

class QHttpServer;

namespace kestrova {

class PrintService;

class StatusPage {
public:
    StatusPage(PrintService& service, const Configuration& configuration);
    ~StatusPage();
    StatusPage(const StatusPage&) = delete;
    StatusPage& operator=(const StatusPage&) = delete;

    // Serves the page on the address and port the settings give; nothing while their port is 0.
    // Says in the DICOM log where it listens, or why it cannot. Once per program run.
    void start(const StatusPageSettings& settings);
    // The port it listens on; 0 when it does not.
    quint16 port() const { return port_; }

private:
    void addRoutes();

    PrintService& service_;
    const Configuration& configuration_;
    std::unique_ptr<QHttpServer> server_;
    quint16 port_ = 0;
};

} // namespace kestrova
