#pragma once
// Log: the main window's live view of the DICOM log, newest entry at the bottom. It
// follows the log by appending what is new and dropping what the log dropped, so a full
// log of thousands of entries is not laid out again for every new line.

#include <QPlainTextEdit>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

class DicomLog;

// How a view showing `shown` becomes `current` (both with LF line ends): drop lines from
// the top, then append text as new lines (an empty text is one empty line). `reset` asks
// to start over with all of current.
struct LogViewUpdate {
    bool reset = false;
    std::size_t dropLines = 0;
    std::optional<std::string_view> append;

    bool operator==(const LogViewUpdate&) const = default;
};
LogViewUpdate planLogViewUpdate(std::string_view shown, std::string_view current);

// The log's text with every line end as LF, as a text view splits lines.
std::string logTextForView(const DicomLog& log);

class DicomLogView : public QPlainTextEdit {
    Q_OBJECT
public:
    DicomLogView(DicomLog& log, QWidget* parent = nullptr);

    // Brings the view up to the log's content now; entriesAdded brings it there by itself.
    void sync();

private:
    void scheduleSync();
    void dropTopLines(std::size_t lines);

    DicomLog& log_;
    std::string shown_;
    bool syncScheduled_ = false;
};

} // namespace kestrova
