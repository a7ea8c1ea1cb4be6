#pragma once
// The system's printers: its CUPS queues through libcups where the system has CUPS, Qt Print
// Support's printers where it has none.
//
// Threads: any thread; listing asks the system afresh each time.

#include "printing/printer_device.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrova {

// In the system's own order; empty when it cannot be asked.
std::vector<std::string> systemPrinterNames();
// Empty when the system names no default printer.
std::string systemDefaultPrinter();

// What the system's printers said of their paper, kept for the printers opened with it (only
// CUPS queues keep anything).
class QueueDescriptions;
std::shared_ptr<QueueDescriptions> keptQueueDescriptions();
std::unique_ptr<PrinterDevice> openSystemPrinter(const std::string& name,
                                                 const std::shared_ptr<QueueDescriptions>& descriptions);

} // namespace kestrova
