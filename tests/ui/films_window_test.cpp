// The main window on a CUPS queue of a private scheduler (tests/support/cups_server.h): the
// printer's state beside its name and in the tray tip, and the films printed, reprinted and
// opened from the window, as a user does.
#include "core/settings_files.h"
#include "printing/printer_catalogue.h"
#include "startup/print_server.h"
#include "support/cups_server.h"
#include "test_film/test_film.h"
#include "ui/main_window.h"
#include "ui_test_support.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>

namespace kestrova::test {
namespace {

using namespace std::chrono_literals;

const std::string Queue = "KestrovaWindow";

// Where the desktop would have opened a file.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class FilmsInTheWindow : public UiTest {
protected:
    static void SetUpTestSuite()
    {
        cups_ = std::make_unique<CupsServer>();
        cups_->addTestQueue(Queue);
    }
    static void TearDownTestSuite() { cups_.reset(); }
    static CupsServer& cups() { return *cups_; }

    FilmsInTheWindow()
    {
        writeFile(folder / "Kestrova.ini",
                  "[Kestrova]\r\nAETName=WARD3\r\nPort=" + std::to_string(port) + "\r\nPrinter=" + Queue + "\r\n");
        ReadSettings(configuration.settings);
    }

    InstalledPrinters printers;
    PrintServer server{configuration, printers};

private:
    static inline std::unique_ptr<CupsServer> cups_;
};

QStringList row(const QTreeWidget& list, int index)
{
    QStringList columns;
    for (int column = 0; column < list.columnCount(); ++column)
        columns << list.topLevelItem(index)->text(column);
    return columns;
}

TEST_F(FilmsInTheWindow, ShowTheQueuesStateAndReprintAFilmAsItWasSent)
{
    const auto window = startMainWindow(server, true);
    ASSERT_TRUE(window);
    const QLabel& state = control<QLabel>(*window, "lblPrinterState");
    EXPECT_TRUE(pumpUntil([&] { return state.text() == "NORMAL"; }, 10s)) << state.text().toStdString();
    EXPECT_EQ(window->trayIcon().toolTip(), "Kestrova");
    cups().admin("cupsdisable", {QString::fromStdString(Queue)});
    EXPECT_TRUE(pumpUntil([&] { return state.text() == "FAILURE (PRINTER OFFLINE)"; }, 10s)) << state.text().toStdString();
    EXPECT_EQ(window->trayIcon().toolTip(), "Kestrova - FAILURE (PRINTER OFFLINE)");
    cups().admin("cupsenable", {QString::fromStdString(Queue)});
    EXPECT_TRUE(pumpUntil([&] { return window->trayIcon().toolTip() == "Kestrova"; }, 10s));

    TestFilmResult sent;
    runPeer([&] { sent = sendTestFilm("127.0.0.1", port); });
    ASSERT_TRUE(sent.printed) << sent.failure << folder.errorLog();
    const QTreeWidget& films = control<QTreeWidget>(*window, "lstFilms");
    const auto completed = [&](int rows) {
        return films.topLevelItemCount() == rows && films.topLevelItem(0)->text(4).startsWith("completed");
    };
    ASSERT_TRUE(pumpUntil([&] { return completed(1); }, 30s));
    const QStringList first = row(films, 0);
    EXPECT_EQ(first.mid(1, 3), (QStringList{"TESTSCU", QString::fromStdString(Queue), "1"}));
    EXPECT_TRUE(first[4].startsWith("completed (CUPS job ")) << first[4].toStdString();

    QPushButton& reprint = control<QPushButton>(*window, "cmdReprint");
    EXPECT_FALSE(reprint.isEnabled()) << "nothing chosen";
    films.topLevelItem(0)->setSelected(true);
    reprint.click();
    ASSERT_TRUE(pumpUntil([&] { return completed(2); }, 30s)) << folder.errorLog();
    EXPECT_EQ(row(films, 0).mid(1, 3), first.mid(1, 3)) << "for the same requester, on the printer in use";
    EXPECT_NE(row(films, 0)[4], first[4]) << "a job of its own";
    const auto documents = cups().receivedDocuments(Queue);
    ASSERT_GE(documents.size(), 2u);
    EXPECT_EQ(documents[documents.size() - 1], documents[documents.size() - 2]);

    OpenedUrls opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    films.topLevelItem(1)->setSelected(true);
    control<QPushButton>(*window, "cmdOpen").click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(opened.urls.size(), 1);
    const std::filesystem::path file = opened.urls.front().toLocalFile().toStdString();
    EXPECT_EQ(file.parent_path(), folder / "films");
    EXPECT_EQ(readFile(file), documents.back());
    EXPECT_EQ(folder.errorLog(), "");
}

} // namespace
} // namespace kestrova::test

#include "films_window_test.moc"
