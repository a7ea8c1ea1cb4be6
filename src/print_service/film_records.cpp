#include "print_service/film_records.h"

#include "core/log_text.h"

#include <QDateTime>

#include <algorithm>

namespace kestrova {
namespace {

template <typename Records>
auto recordWithId(Records& records, int id)
{
    return std::find_if(records.begin(), records.end(), [id](const FilmRecord& record) { return record.id == id; });
}

} // namespace

std::string filmDescription(const FilmRecord& record)
{
    std::string text = record.film.file.filename().string() + " for " + logText(record.callingAeTitle) + " on \"" +
                       record.printer + "\"";
    if (record.film.job)
        text += ", CUPS job " + std::to_string(record.film.job->id());
    return text;
}

std::string jobStateText(JobState state)
{
    switch (state) {
    case JobState::Pending: return "pending";
    case JobState::Printing: return "printing";
    case JobState::Stopped: return "stopped";
    case JobState::Completed: return "completed";
    case JobState::Canceled: return "canceled";
    case JobState::Aborted: return "aborted";
    case JobState::Unknown: break;
    }
    return "unknown";
}

std::string outcomeText(const FilmRecord& record)
{
    if (!record.film.job)
        return "written";
    return jobStateText(record.state) + " (CUPS job " + std::to_string(record.film.job->id()) + ")";
}

int sheetsOf(const FilmRecord& record) { return record.film.pages * std::max(1, int{record.film.setup.copies}); }

bool isFinal(JobState state)
{
    return state == JobState::Completed || state == JobState::Canceled || state == JobState::Aborted;
}

std::string timeText(std::chrono::system_clock::time_point when)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

int FilmRecords::add(FilmRecord record)
{
    const std::lock_guard lock(mutex_);
    record.id = nextId_++;
    records_.push_back(std::move(record));
    if (records_.size() > MaxRecords)
        records_.pop_front();
    return records_.back().id;
}

void FilmRecords::setState(int id, JobState state)
{
    const std::lock_guard lock(mutex_);
    if (const auto record = recordWithId(records_, id); record != records_.end())
        record->state = state;
}

std::optional<FilmRecord> FilmRecords::find(int id) const
{
    const std::lock_guard lock(mutex_);
    const auto record = recordWithId(records_, id);
    return record != records_.end() ? std::optional<FilmRecord>(*record) : std::nullopt;
}

std::vector<FilmRecord> FilmRecords::all() const
{
    const std::lock_guard lock(mutex_);
    return {records_.begin(), records_.end()};
}

} // namespace kestrova
