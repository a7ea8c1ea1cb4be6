#pragma once
// The print server both programs run, put together in this one place: the print service on the
// program's configuration and printers, and its status page. The tray program shows it in its
// main window; the headless service runs it on its own.

#include "core/configuration.h"
#include "print_service/print_service.h"
#include "printing/printer_catalogue.h"
#include "status_page/status_page.h"

namespace kestrova {

struct PrintServer {
    PrintServer(Configuration& configuration, const PrinterCatalogue& printers)
        : configuration(configuration), printers(printers), service(configuration, printers),
          statusPage(service, configuration)
    {
    }
    PrintServer(const PrintServer&) = delete;
    PrintServer& operator=(const PrintServer&) = delete;

    // The program's own: the preferences dialog changes it, the service copies it at each start.
    Configuration& configuration;
    const PrinterCatalogue& printers;
    PrintService service;
    // Started once the settings are read, when they give it a port.
    StatusPage statusPage;
};

} // namespace kestrova
