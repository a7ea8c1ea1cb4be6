#include "network/dicom_log.h"

#include "core/text_file.h"
#include "network/internal/dcmtk_log_routing.h"

#include <QDateTime>

namespace kestrova {

namespace {

// Entries may span several lines (data set dumps); inside the log every line ends in CR LF.
std::string withCrLf(const std::string& text)
{
    std::string result = convertLineEnds(text, "\r\n");
    while (result.size() >= 2 && result.compare(result.size() - 2, 2, "\r\n") == 0)
        result.resize(result.size() - 2);
    return result;
}

std::string timeStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")).toStdString();
}

} // namespace

DicomLog::DicomLog(QObject* parent)
    : QObject(parent)
{
    dcmtk_log::attach(*this);
}

DicomLog::~DicomLog() { dcmtk_log::detach(*this); }

int DicomLog::level() const
{
    const std::lock_guard lock(mutex_);
    return level_;
}

void DicomLog::setLevel(int level)
{
    const std::lock_guard lock(mutex_);
    level_ = level;
}

bool DicomLog::accepts(int category) const { return (level() & category) != 0; }

std::size_t DicomLog::maxEntries() const
{
    const std::lock_guard lock(mutex_);
    return maxEntries_;
}

void DicomLog::setMaxEntries(std::size_t entries)
{
    const std::lock_guard lock(mutex_);
    maxEntries_ = entries;
    dropOldest();
}

void DicomLog::append(int category, const std::string& text)
{
    {
        const std::lock_guard lock(mutex_);
        if ((level_ & category) == 0)
            return;
        entries_.push_back(timeStamp() + withCrLf(text));
        dropOldest();
    }
    emit entriesAdded();
}

void DicomLog::dropOldest()
{
    while (entries_.size() > maxEntries_)
        entries_.pop_front();
}

std::size_t DicomLog::entryCount() const
{
    const std::lock_guard lock(mutex_);
    return entries_.size();
}

std::string DicomLog::text(std::size_t entries) const
{
    const std::lock_guard lock(mutex_);
    std::string result;
    const std::size_t count = std::min(entries, entries_.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            result += "\r\n";
        result += entries_[i];
    }
    return result;
}

void DicomLog::clear()
{
    const std::lock_guard lock(mutex_);
    entries_.clear();
}

} // namespace kestrova
