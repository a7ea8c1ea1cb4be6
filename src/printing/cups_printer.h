#pragma once
// A CUPS queue as a printer: each film's page file (film_file.h), written for the queue's paper,
// is sent to it through libcups as one PDF job with the film's copies, orientation and, where the
// queue offers the film's size, media.
//
// What a queue says of its paper and resolution is kept in QueueDescriptions, shared by the
// printers opened for jobs, so that a film costs the scheduler one job and nothing more.
//
// Threads: a printer is made for one job and used on its thread (see printer_device.h);
// QueueDescriptions is used from any thread.

#include "printing/printer_device.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

struct QueueMedia;
struct JobOptions;
struct QueueDescription;

// What each queue said of its paper and resolution, asked again after DescriptionLifetime so
// that a queue given other paper prints on it from then on. A queue that cannot be asked is not
// kept: the next job asks again.
class QueueDescriptions {
public:
    static constexpr std::chrono::seconds DescriptionLifetime{60};

    QueueDescriptions();
    ~QueueDescriptions();
    QueueDescriptions(const QueueDescriptions&) = delete;
    QueueDescriptions& operator=(const QueueDescriptions&) = delete;

    // Raises PathFileAccess, naming the queue, when it cannot be asked.
    std::shared_ptr<const QueueDescription> of(const std::string& name);

private:
    struct Kept;
    std::mutex mutex_;
    std::map<std::string, Kept> kept_;
};

class CupsPrinter final : public PrinterDevice {
public:
    // Cheap: the queue is asked when first needed, so one that cannot be used fails the job that
    // meets it (PathFileAccess), never another printer's.
    CupsPrinter(std::string name, std::shared_ptr<QueueDescriptions> descriptions);
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
    const QueueDescription& description() const;
    QueueMedia mediaFor(const PageSetup& setup) const;
    JobOptions jobOptions(const PageSetup& setup, const QueueMedia& media) const;

    std::string name_;
    std::shared_ptr<QueueDescriptions> descriptions_;
    mutable std::shared_ptr<const QueueDescription> description_;
};

} // namespace kestrova
