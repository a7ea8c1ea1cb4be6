#pragma once
// The DICOM log: what the listener and DCMTK report, time-stamped, kept in memory up to
// a maximum number of entries. Safe to append from any thread.

#include <QObject>

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

namespace kestrova {

namespace LogCategory {
inline constexpr int Errors = 1;
inline constexpr int Warnings = 2;
inline constexpr int Associations = 4;
inline constexpr int Commands = 8;      // DIMSE commands with status
inline constexpr int DataSets = 16;     // data set dumps
inline constexpr int Network = 32;      // network detail
inline constexpr int Everything = 63;
} // namespace LogCategory

// How many entries a log keeps unless told otherwise; older ones go.
inline constexpr std::size_t DefaultMaxLogEntries = 10000;

class DicomLog : public QObject {
    Q_OBJECT
public:
    explicit DicomLog(QObject* parent = nullptr);
    ~DicomLog() override;

    int level() const;
    void setLevel(int level);
    // The maximum number of entries kept; the oldest go first.
    std::size_t maxEntries() const;
    void setMaxEntries(std::size_t entries);

    // Records a line when its category is in the level.
    void append(int category, const std::string& text);
    // Whether lines of that category are recorded, so that costly text (data set dumps)
    // is only built when it is wanted.
    bool accepts(int category) const;

    std::size_t entryCount() const;
    // The text of the n oldest entries, one per line, lines separated by CR LF.
    std::string text(std::size_t entries) const;
    void clear();

signals:
    void entriesAdded();

private:
    void dropOldest(); // with mutex_ held

    mutable std::mutex mutex_;
    std::deque<std::string> entries_;
    int level_ = LogCategory::Everything;
    std::size_t maxEntries_ = DefaultMaxLogEntries;
};

} // namespace kestrova
