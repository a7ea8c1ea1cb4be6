#pragma once
// One CUPS queue as printing uses it: the paper it offers, its resolution, and one job of a
// PDF document. Its state and a job's outcome are asked without a queue at hand.
//
// Threads: a queue is made for one print job and used on its thread.

#include "printing/internal/cups_handles.h"
#include "printing/printer_device.h"

#include <QMarginsF>

#include <optional>
#include <string>
#include <vector>

namespace kestrova {

struct QueueMedia {
    std::string name; // the media keyword CUPS knows it by ("iso_a4_210x297mm")
    PaperSize paper;  // portrait
    QMarginsF marginsMm; // left, top, right, bottom of the portrait paper
};

struct JobOptions {
    int copies = 1;
    Orientation orientation = Orientation::Portrait;
    std::optional<std::string> media; // the queue's default paper when none
};

class CupsQueue {
public:
    // Raises PathFileAccess, naming the queue, when the scheduler cannot be reached or no longer
    // offers it.
    explicit CupsQueue(std::string name);

    // Every paper the queue offers, its default, and the one of that size (within CUPS's own
    // tolerance).
    std::vector<QueueMedia> media() const;
    std::optional<QueueMedia> defaultMedia() const;
    std::optional<QueueMedia> mediaOfSize(const PaperSize& paper) const;
    // Its printer-resolution-default in dots per inch, when it names one.
    std::optional<int> resolution() const;

    // Sends the PDF as one job and returns its id once the scheduler holds the whole document.
    // Raises PathFileAccess with the scheduler's reason when it refuses; a job it began is
    // cancelled then, so that nothing of it is left.
    int submit(const std::string& pdf, const JobOptions& options) const;

    // Never raise: a queue that cannot be asked is not present, a job that cannot be asked Unknown.
    static PrinterState stateOf(const std::string& name);
    static JobState jobState(int jobId);

private:
    [[noreturn]] void refuse(int jobId) const;

    std::string name_;
    cups::Http http_;
    cups::Dest dest_;
    cups::DestInfo info_;
};

} // namespace kestrova
