#pragma once
// A printer of a system without CUPS, through Qt Print Support: the page drawn by Qt's own print
// engine, no page file kept. The printer keeps its own paper and makes the copies itself.
//
// Threads: made for one job and used on its thread (see printer_device.h).

#include "printing/printer_device.h"

#include <memory>
#include <string>

class QPrinter;

namespace kestrova {

class SystemPrinter final : public PrinterDevice {
public:
    // Cheap: the queue is set up when first needed, so one that Qt cannot set up fails the job
    // that meets it (PathFileAccess), never another printer's.
    explicit SystemPrinter(std::string name);
    ~SystemPrinter() override;
    SystemPrinter(const SystemPrinter&) = delete;
    SystemPrinter& operator=(const SystemPrinter&) = delete;

    PrinterCapabilities capabilities() const override;
    PrinterMetrics metrics(const PageSetup& setup, const QFont& font) const override;
    PrintedFilm print(const PageSetup& setup, const PagePaint& paint) override;
    // Raises InvalidArgument: there is no page file to send again.
    PrintedFilm reprint(const PrintedFilm& film) override;
    // Present while Qt lists it; stopped while Qt says it is in error.
    PrinterState state() const override;

private:
    QPrinter& printer() const;
    QPrinter& printerFor(const PageSetup& setup) const;

    std::string name_;
    mutable std::unique_ptr<QPrinter> printer_;
};

} // namespace kestrova
