#pragma once
// One CUPS queue as printing uses it: the paper it offers and its resolution, asked over a
// connection of the queue's own. A job of a PDF document (SentJob), the queue's state and a
// job's outcome are each asked over a connection of their own, by the queue's name.
//
// Threads: a queue or a sent job is used on the thread that made it; the static calls on any
// thread.

#include "printing/internal/cups_handles.h"
#include "printing/printer_device.h"

#include <QMarginsF>

#include <filesystem>
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

    // Never raise: a queue that cannot be asked is not present, a job that cannot be asked Unknown.
    static PrinterState stateOf(const std::string& name);
    static JobState jobState(int jobId);

private:
    std::string name_;
    cups::Http http_;
    cups::Dest dest_;
    cups::DestInfo info_;
};

// One film sent to a queue as one Print-Job request, on a connection of its own. The document is
// written when the job is made and the scheduler's answer read when asked for, so that the
// caller can keep the film's file while the scheduler spools it.
class SentJob {
public:
    // Raises PathFileAccess, naming the queue, when the scheduler cannot be reached.
    SentJob(std::string queue, const std::string& pdf, const JobOptions& options);

    // The job's id once the scheduler holds the whole document. Raises PathFileAccess with the
    // scheduler's reason when it refused the job, and then there is none.
    int accepted();
    // For a film that failed after it was sent: the job, if the scheduler made one, is cancelled.
    void withdraw() noexcept;

private:
    std::string queue_;
    std::string resource_;
    cups::Http http_;
    http_status_t sent_ = HTTP_STATUS_ERROR;
};

} // namespace kestrova
