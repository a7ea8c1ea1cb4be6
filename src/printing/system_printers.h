#pragma once
// The system's printers: its CUPS queues through libcups where the system has CUPS, Qt Print
// Support's printers where it has none.
//
// Threads: any thread; each call asks the system afresh.

#include "printing/printer_device.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrova {

// In the system's own order; empty when it cannot be asked.
std::vector<std::string> systemPrinterNames();
// Empty when the system names no default printer.
std::string systemDefaultPrinter();
std::unique_ptr<PrinterDevice> openSystemPrinter(const std::string& name);

} // namespace kestrova
