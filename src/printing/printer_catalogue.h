#pragma once
// The printers a job can print on, by name, and the device for one job.
//
// Threads: a catalogue is made on the UI thread; listing and opening are safe from any thread.

#include "printing/printer_device.h"
#include "printing/system_printers.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrova {

class PrinterCatalogue {
public:
    virtual ~PrinterCatalogue() = default;

    // The system's printers in its own order, then the built-in "Kestrova PDF".
    virtual std::vector<std::string> printerNames() const = 0;
    // The printer that jobs print on when the settings name none that is listed.
    virtual std::string defaultPrinter() const = 0;
    // A device of its own for one job; what a queue said of its paper is kept between jobs
    // (system_printers.h). A printer that does not exist (any more) raises an AppError naming
    // it, at once or when the device is first used: a system queue is asked only then.
    virtual std::unique_ptr<PrinterDevice> open(const std::string& name) const = 0;
};

// The printer a job whose settings name `wanted` prints on: that printer when listed, the default
// otherwise.
std::string jobPrinterName(const PrinterCatalogue& printers, const std::string& wanted);

// The printers of the running program: the system's (system_printers.h), and the built-in.
class InstalledPrinters final : public PrinterCatalogue {
public:
    // Takes the system's default printer as the default, or "Kestrova PDF" when the system
    // has none or Qt cannot set it up: a fresh machine prints out of the box. The default stays
    // what it was at start, so a default queue removed later fails its jobs instead of sending
    // them to another printer.
    InstalledPrinters();

    std::vector<std::string> printerNames() const override;
    std::string defaultPrinter() const override { return default_; }
    std::unique_ptr<PrinterDevice> open(const std::string& name) const override;

private:
    std::shared_ptr<QueueDescriptions> descriptions_;
    std::string default_;
};

} // namespace kestrova
