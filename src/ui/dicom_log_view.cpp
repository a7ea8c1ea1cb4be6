#include "ui/dicom_log_view.h"

#include "core/text_file.h"
#include "network/dicom_log.h"
#include "ui/local_text.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace kestrova {
namespace {

bool continuesWith(std::string_view current, std::string_view shownTail)
{
    return current.starts_with(shownTail)
        && (current.size() == shownTail.size() || current[shownTail.size()] == '\n');
}

std::optional<std::string_view> textAfter(std::string_view current, std::size_t shownLength)
{
    if (current.size() == shownLength)
        return std::nullopt;
    return current.substr(shownLength + 1);
}

} // namespace

LogViewUpdate planLogViewUpdate(std::string_view shown, std::string_view current)
{
    if (shown.empty())
        return {.reset = !current.empty(), .dropLines = 0, .append = std::nullopt};
    // The log only ever loses its oldest entries or all of them, so the view's text is
    // found again as the current text's beginning from one of its line starts on.
    std::size_t lineStart = 0;
    std::size_t linesBefore = 0;
    while (lineStart < shown.size()) {
        const std::string_view tail = shown.substr(lineStart);
        if (continuesWith(current, tail))
            return {.reset = false, .dropLines = linesBefore, .append = textAfter(current, tail.size())};
        const std::size_t lineEnd = shown.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            break;
        lineStart = lineEnd + 1;
        ++linesBefore;
    }
    return {.reset = true, .dropLines = 0, .append = std::nullopt};
}

std::string logTextForView(const DicomLog& log)
{
    return convertLineEnds(log.text(log.entryCount()), "\n");
}

DicomLogView::DicomLogView(DicomLog& log, QWidget* parent)
    : QPlainTextEdit(parent), log_(log)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // Entries arrive from the listener's threads; one sync per turn of the event loop
    // takes in everything that came since.
    connect(&log_, &DicomLog::entriesAdded, this, &DicomLogView::scheduleSync);
    sync();
}

void DicomLogView::scheduleSync()
{
    if (syncScheduled_)
        return;
    syncScheduled_ = true;
    QMetaObject::invokeMethod(this, &DicomLogView::sync, Qt::QueuedConnection);
}

void DicomLogView::sync()
{
    syncScheduled_ = false;
    std::string current = logTextForView(log_);
    const LogViewUpdate update = planLogViewUpdate(shown_, current);
    if (update.reset) {
        clear();
        if (!current.empty())
            appendPlainText(toQString(current));
    } else {
        dropTopLines(update.dropLines);
        if (update.append)
            appendPlainText(toQString(std::string(*update.append)));
    }
    shown_ = std::move(current);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void DicomLogView::dropTopLines(std::size_t lines)
{
    if (lines == 0)
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, static_cast<int>(lines));
    cursor.removeSelectedText();
}

} // namespace kestrova
