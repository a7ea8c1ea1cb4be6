#include "print_service/printer_watch.h"

#include "core/error_log.h"
#include "core/errors.h"
#include "print_service/service_state.h"

#include <algorithm>
#include <set>

namespace kestrova {
namespace {

using namespace std::chrono_literals;

constexpr auto Tick = 1s;
constexpr const char* FollowLabel = "FollowJob";
constexpr const char* ReprintLabel = "Reprint";

bool failed(JobState state)
{
    return state == JobState::Aborted || state == JobState::Canceled || state == JobState::Stopped;
}

std::string jobName(int id, const std::string& printer)
{
    return "CUPS job " + std::to_string(id) + " on \"" + printer + "\"";
}

} // namespace

PrinterWatch::PrinterWatch(ServiceState& service, Reports reports)
    : service_(service), reports_(std::move(reports)), thread_([this] { run(); })
{
}

PrinterWatch::~PrinterWatch()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PrinterWatch::follow(const FilmRecord& record)
{
    const std::lock_guard lock(mutex_);
    arrived_.push_back(FollowedJob{record.id, record.printer, record.film.job, record.state, std::chrono::steady_clock::now()});
}

bool PrinterWatch::reprint(int record)
{
    {
        const std::lock_guard lock(mutex_);
        if (reprints_.size() >= MaxWaitingReprints)
            return false;
        reprints_.push_back(record);
    }
    wake_.notify_all();
    return true;
}

std::optional<DicomPrinterStatus> PrinterWatch::printerStatus() const
{
    std::string printer;
    {
        const std::lock_guard lock(mutex_);
        printer = mainPrinter_;
    }
    return printerStatus(printer);
}

std::optional<DicomPrinterStatus> PrinterWatch::printerStatus(const std::string& printer) const
{
    const std::lock_guard lock(mutex_);
    const auto seen = statuses_.find(printer);
    return seen == statuses_.end() ? std::nullopt : std::optional(seen->second);
}

void PrinterWatch::run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        std::vector<int> reprints = std::exchange(reprints_, {});
        lock.unlock();
        for (const int record : reprints)
            sendReprint(record);
        takeNewJobs();
        followJobs();
        watchPrinters();
        lock.lock();
        wake_.wait_for(lock, Tick, [this] { return stopping_ || !reprints_.empty(); });
    }
}

void PrinterWatch::takeNewJobs()
{
    {
        const std::lock_guard lock(mutex_);
        std::move(arrived_.begin(), arrived_.end(), std::back_inserter(followed_));
        arrived_.clear();
    }
    while (followed_.size() > MaxFollowedJobs) {
        service_.log().append(LogCategory::Warnings,
                              jobName(followed_.front().job->id(), followed_.front().printer) + " no longer followed");
        followed_.erase(followed_.begin());
    }
}

void PrinterWatch::followJobs()
{
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(followed_, [&](FollowedJob& followed) {
        const JobState state = followed.job->state();
        if (state != followed.last) {
            followed.last = state;
            reportJob(followed, state);
        }
        if (isFinal(state))
            return true;
        if (now - followed.since < FollowFor)
            return false;
        service_.log().append(LogCategory::Warnings, jobName(followed.job->id(), followed.printer) + " no longer followed");
        return true;
    });
}

void PrinterWatch::reportJob(const FollowedJob& followed, JobState state)
{
    const std::string line = jobName(followed.job->id(), followed.printer) + ": " + jobStateText(state);
    if (failed(state))
        LogError(static_cast<int>(ErrorCode::PathFileAccess), line, FollowLabel);
    service_.log().append(failed(state) ? LogCategory::Errors : LogCategory::Commands, line);
    service_.films().setState(followed.record, state);
    if (reports_.filmsChanged)
        reports_.filmsChanged();
}

void PrinterWatch::sendReprint(int record)
{
    const std::optional<FilmRecord> original = service_.films().find(record);
    if (!original)
        return;
    try {
        const std::string printer = service_.currentJobSettings().printer;
        FilmRecord again{0, std::chrono::system_clock::now(), original->callingAeTitle, printer,
                         service_.openPrinter(printer)->reprint(original->film), JobState::Completed};
        if (again.film.job)
            again.state = JobState::Pending;
        service_.recordFilm(std::move(again));
    } catch (...) {
        const ErrorInfo error = currentErrorInfo();
        LogError(error.number, error.description, ReprintLabel);
        service_.log().append(LogCategory::Errors, "Reprint failed: " + error.description);
    }
}

void PrinterWatch::watchPrinters()
{
    const std::vector<ServedPrinter> served = service_.servedPrinters();
    std::set<std::string> printers;
    for (const ServedPrinter& printer : served)
        printers.insert(printer.printer);
    {
        const std::lock_guard lock(mutex_);
        mainPrinter_ = served.front().printer;
        std::erase_if(statuses_, [&](const auto& seen) { return !printers.contains(seen.first); });
    }
    for (const std::string& printer : printers)
        watchPrinter(printer);
}

void PrinterWatch::watchPrinter(const std::string& printer)
{
    // None before the service first starts.
    if (printer.empty())
        return;
    const DicomPrinterStatus status = dicomPrinterStatus(service_.printerState(printer));
    {
        const std::lock_guard lock(mutex_);
        const auto [seen, first] = statuses_.try_emplace(printer, status);
        if (!first && seen->second == status)
            return;
        seen->second = status;
    }
    service_.log().append(status.status == "NORMAL" ? LogCategory::Commands : LogCategory::Warnings,
                          "Printer \"" + printer + "\": " + statusText(status));
    if (reports_.printerStatusChanged)
        reports_.printerStatusChanged();
}

} // namespace kestrova
