#pragma once
// The films printed since the service started, newest first: time, calling AE title, printer,
// sheets and outcome. Reprint sends the chosen film again to the printer in use now; Open shows
// its page file in the desktop's PDF viewer.
//
// Threads: the UI thread's; the service tells it of changes through a queued signal.

#include <QWidget>

#include <optional>

class QPushButton;
class QTreeWidget;

namespace kestrova {

class PrintService;
struct FilmRecord;

class FilmsPanel : public QWidget {
    Q_OBJECT
public:
    FilmsPanel(PrintService& service, QWidget* parent);

    // Lists the service's films again, keeping the chosen one chosen.
    void refresh();

private:
    std::optional<int> chosenFilm() const;
    void showChoice();
    void reprintChosen();
    void openChosen();

    PrintService& service_;
    QTreeWidget* list_ = nullptr;
    QPushButton* reprint_ = nullptr;
    QPushButton* open_ = nullptr;
};

} // namespace kestrova
