#pragma once
// A CUPS queue as a printer: each film's page file (film_file.h), written for the queue's paper,
// is sent to it through libcups as one PDF job with the film's copies, orientation and, where the
// queue offers the film's size, media.
//
// Threads: made for one job and used on its thread (see printer_device.h).

#include "printing/printer_device.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

class CupsQueue;
struct QueueMedia;

class CupsPrinter final : public PrinterDevice {
public:
    // Cheap: the queue is asked when first needed, so one that cannot be used fails the job that
    // meets it (PathFileAccess), never another printer's.
    explicit CupsPrinter(std::string name);
    ~CupsPrinter() override;
    CupsPrinter(const CupsPrinter&) = delete;
    CupsPrinter& operator=(const CupsPrinter&) = delete;

    // The film sizes the queue offers, on its default paper otherwise; its printer-resolution-default.
    PrinterCapabilities capabilities() const override;
    PrinterMetrics metrics(const PageSetup& setup, const QFont& font) const override;
    // Returns once CUPS holds the whole document. A refused job raises PathFileAccess with the
    // scheduler's reason, and its page file is not kept.
    PrintedFilm print(const PageSetup& setup, const PagePaint& paint) override;
    PrintedFilm reprint(const PrintedFilm& film) override;
    // The queue's state, and what keeps films/ from taking its page files.
    PrinterState state() const override;

private:
    struct Paper;
    const Paper& paper() const;
    QueueMedia mediaFor(const PageSetup& setup) const;
    int submit(const std::string& pdf, const PageSetup& setup) const;

    std::string name_;
    mutable std::unique_ptr<const Paper> paper_;
};

} // namespace kestrova
