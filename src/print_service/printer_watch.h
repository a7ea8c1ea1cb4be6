#pragma once
// The service's one thread for its printers besides the requests: it follows each job handed to
// the printing system until it ends, sends the reprints the window asks for, and asks each printer
// in use (the main one and the virtual printers') for its state every second, saying each change.
// Outcomes and changes go to the DICOM log; a job that failed (aborted, canceled, stopped) to the
// error log as well.
//
// Threads: follow and reprint are called from any thread and only hand work over, under a mutex
// of ours; the printers are asked on the watch's own thread, where the reports are made too.
// Destroying the watch stops and joins its thread; jobs not yet ended are no longer followed.

#include "print_service/film_records.h"
#include "print_service/printer_status.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kestrova {

class ServiceState;

class PrinterWatch {
public:
    struct Reports {
        std::function<void()> filmsChanged;
        std::function<void()> printerStatusChanged;
    };
    // What the watch holds at most: jobs followed at once (the oldest give way), for how long
    // each, and reprints waiting to be sent.
    static constexpr std::size_t MaxFollowedJobs = 256;
    static constexpr std::chrono::hours FollowFor{24};
    static constexpr std::size_t MaxWaitingReprints = 16;

    PrinterWatch(ServiceState& service, Reports reports);
    ~PrinterWatch();
    PrinterWatch(const PrinterWatch&) = delete;
    PrinterWatch& operator=(const PrinterWatch&) = delete;

    // Follows the recorded film's job.
    void follow(const FilmRecord& record);
    // Sends the recorded film again to the printer the settings name now, listed as a film of its
    // own. False when too many reprints wait already.
    bool reprint(int record);
    // The main printer's, or the named printer's, as last seen; none before the first look.
    std::optional<DicomPrinterStatus> printerStatus() const;
    std::optional<DicomPrinterStatus> printerStatus(const std::string& printer) const;

private:
    struct FollowedJob {
        int record = 0;
        std::string printer;
        std::shared_ptr<const SubmittedJob> job;
        JobState last = JobState::Pending;
        std::chrono::steady_clock::time_point since;
    };

    void run();
    void takeNewJobs();
    void followJobs();
    void reportJob(const FollowedJob& job, JobState state);
    void sendReprint(int record);
    void watchPrinters();
    void watchPrinter(const std::string& printer);

    ServiceState& service_;
    Reports reports_;
    std::vector<FollowedJob> followed_; // the watch's thread's own

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::vector<FollowedJob> arrived_;
    std::vector<int> reprints_;
    std::string mainPrinter_;
    std::map<std::string, DicomPrinterStatus> statuses_;
    std::thread thread_; // last: starts once everything above is made
};

} // namespace kestrova
