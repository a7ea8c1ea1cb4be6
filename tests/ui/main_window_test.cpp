#include "core/configuration.h"
#include "core/errors.h"
#include "print_service/print_service.h"
#include "printing/testing/recording_printers.h"
#include "network/dicom_log.h"
#include "ui/dicom_log_file.h"
#include "ui/dicom_log_view.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
#include "ui/preview_box.h"
#include "startup/print_server.h"
#include "ui/startup.h"
#include "ui_test_support.h"

#include "test_film/test_film.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <filesystem>
#include <functional>

namespace kestrova::test {
namespace {

namespace fs = std::filesystem;

bool listensOn(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    return socket.waitForConnected(2000);
}

QString textOf(const MainWindow& window, const char* field) { return control<QLineEdit>(window, field).text(); }
QString logViewText(const MainWindow& window) { return control<QPlainTextEdit>(window, "Log").toPlainText(); }
QAction& action(const MainWindow& window, const char* name) { return control<QAction>(window, name); }

class MainWindowTest : public UiTest {
protected:
    std::unique_ptr<MainWindow> start(bool trayAvailable = false)
    {
        auto window = startMainWindow(server, trayAvailable);
        if (!window)
            ADD_FAILURE() << "start-up failed";
        return window;
    }

    RecordingPrinters printers;
    PrintServer server{configuration, printers};
};

TEST_F(MainWindowTest, StartsWithTheSettingsShownAndTheServiceListening)
{
    const auto window = start();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle().toStdString(), "Kestrova " + VersionText());
    EXPECT_TRUE(window->windowTitle().startsWith("Kestrova v"));
    const QStringList shown{textOf(*window, "txtAETName"), textOf(*window, "txtEmulation"), textOf(*window, "txtPort"),
                            textOf(*window, "txtPrinter")};
    EXPECT_EQ(shown, (QStringList{"WARD3", "KODAK", QString::number(port), ""}));
    EXPECT_EQ(control<QLabel>(*window, "lblLog").text(), "Current LogLevel: 63");
    for (const char* field : {"txtAETName", "txtPort", "txtEmulation", "txtPrinter"})
        EXPECT_TRUE(control<QLineEdit>(*window, field).isReadOnly()) << field;
    // The level label lies inside the AE title field and must stay readable on top of it.
    const QObjectList& children = window->centralWidget()->children();
    EXPECT_GT(children.indexOf(&control<QLabel>(*window, "lblLog")), children.indexOf(&control<QLineEdit>(*window, "txtAETName")));
    EXPECT_TRUE(fs::is_directory(folder / "debug"));
    EXPECT_TRUE(listensOn(port));
    const std::string line = "Program folder: " + folder.path().string();
    const std::string log = window->service().log().text(window->service().log().entryCount());
    EXPECT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find(line), log.rfind(line)) << "said once";
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(folder.errorLog(), "");
}

TEST_F(MainWindowTest, TakenPortShowsTheMessageThenTheWindowAndThePreferencesAndSaysItIsNotListening)
{
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::Any, static_cast<quint16>(port)));
    bool windowShownFirst = false;
    std::size_t messagesBeforeDialog = 0;
    PreferencesAnswer answer([&](PreferencesDialog& dialog) {
        auto* window = qobject_cast<MainWindow*>(dialog.parentWidget());
        windowShownFirst = window && window->isVisible();
        messagesBeforeDialog = dialogs.messages.size();
        control<QPushButton>(dialog, "cmdCancel").click();
    });
    const auto window = start();
    ASSERT_TRUE(window);

    // The second message is the retry on the unchanged port; the dialog is not offered again.
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text.toStdString(), "Unable to listen on port " + std::to_string(port));
    EXPECT_EQ(dialogs.messages[1].text, dialogs.messages[0].text);
    EXPECT_EQ(dialogs.messages[0].title, "Kestrova");
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(answer.timesAnswered(), 1);
    EXPECT_FALSE(answer.leftOpen());
    EXPECT_TRUE(windowShownFirst);
    EXPECT_EQ(messagesBeforeDialog, 1u);
    // Start-up still completes, without a listener.
    EXPECT_TRUE(window->isMinimized());
    EXPECT_FALSE(window->service().isListening());
    EXPECT_EQ(window->windowTitle().toStdString(), "Kestrova " + VersionText() + " - not listening");
    EXPECT_EQ(window->trayIcon().toolTip(), "Kestrova - not listening");
}

bool showsOnlyBackground(const QImage& image)
{
    const QRgb background = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            if (image.pixel(x, y) != background)
                return false;
    return true;
}

TEST_F(MainWindowTest, TakenPortFixedInThePreferencesPrintsAndPreviewsTheNextFilm)
{
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::Any, static_cast<quint16>(port)));
    const int otherPort = freePort();
    PreferencesAnswer answer([&](PreferencesDialog& dialog) {
        control<QLineEdit>(dialog, "Port").setText(QString::number(otherPort));
        control<QPushButton>(dialog, "cmdOK").click();
    });
    const auto window = start();
    ASSERT_TRUE(window);

    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(textOf(*window, "txtPort"), QString::number(otherPort));
    EXPECT_EQ(window->windowTitle().toStdString(), "Kestrova " + VersionText());
    EXPECT_EQ(window->trayIcon().toolTip(), "Kestrova");
    // A listener that merely holds the port is not enough: a whole film must come through,
    // sent from another thread while this one serves the window, as in the program.
    window->open();
    TestFilmResult result;
    runPeer([&] {
        FilmRequest film;
        film.images = testPattern(64);
        result = sendTestFilm("127.0.0.1", otherPort, film);
    });
    ASSERT_TRUE(result.printed) << result.failure << "\n" << folder.errorLog();
    EXPECT_EQ(result.statuses, (std::vector<std::uint16_t>(7, 0)));
    EXPECT_EQ(printers.pages().size(), 1u);
    const auto previewShown = [&] { return !showsOnlyBackground(control<PreviewBox>(*window, "pBox").image()); };
    EXPECT_TRUE(QTest::qWaitFor(previewShown, 5000));
    window->setWindowState(Qt::WindowNoState);
    emit window->service().filmPrinted();
    EXPECT_TRUE(showsOnlyBackground(control<PreviewBox>(*window, "pBox").image())) << "drawn only while maximized";
    // The view mirrors the log once the association's last entries have come in.
    const DicomLogView& view = control<DicomLogView>(*window, "Log");
    const auto logText = [&] { return QString::fromLocal8Bit(logTextForView(window->service().log())); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.toPlainText() == logText(); }, 5000));
    EXPECT_TRUE(view.toPlainText().contains("N-ACTION")) << view.toPlainText().toStdString();
    EXPECT_EQ(folder.errorLog(), "");
}

TEST_F(MainWindowTest, OptionsStopTheListenerAndRestartItOnTheSamePortOrTheNewOne)
{
    const auto window = start();
    ASSERT_TRUE(window);
    window->service().log().setLevel(7);
    window->service().log().append(LogCategory::Associations, "an association");
    QCoreApplication::processEvents();
    bool listeningDuringDialog = true;
    PreferencesAnswer cancel([&](PreferencesDialog& dialog) {
        listeningDuringDialog = window->service().isListening() || listensOn(port);
        control<QPushButton>(dialog, "cmdCancel").click();
    });
    action(*window, "mnuViewOptions").trigger();
    EXPECT_EQ(cancel.timesAnswered(), 1);
    EXPECT_FALSE(listeningDuringDialog);
    EXPECT_TRUE(listensOn(port));
    EXPECT_EQ(control<QLabel>(*window, "lblLog").text(), "Current LogLevel: 63");
    EXPECT_FALSE(logViewText(*window).isEmpty()) << "Cancel keeps the log";

    const int newPort = freePort();
    PreferencesAnswer ok([&](PreferencesDialog& dialog) {
        control<QLineEdit>(dialog, "Port").setText(QString::number(newPort));
        control<QPushButton>(dialog, "cmdOK").click();
    });
    action(*window, "mnuViewOptions").trigger();
    EXPECT_EQ(ok.timesAnswered(), 1);
    EXPECT_TRUE(listensOn(newPort));
    EXPECT_FALSE(listensOn(port));
    EXPECT_EQ(textOf(*window, "txtPort"), QString::number(newPort));
    EXPECT_TRUE(logViewText(*window).isEmpty()) << "OK clears the log";
    EXPECT_EQ(folder.errorLog(), "");
}

TEST_F(MainWindowTest, StartFailureIsLoggedAndAsksForARestart)
{
    PreferencesAnswer answer([](PreferencesDialog& dialog) { control<QPushButton>(dialog, "cmdCancel").click(); });
    const auto window = Main(server, [](PrintServer&) -> std::unique_ptr<MainWindow> {
        throw AppError(ErrorCode::FileNotFound);
    });
    EXPECT_FALSE(window);
    EXPECT_NE(folder.errorLog().find(" 53 File not foundMAIN\r\n"), std::string::npos) << folder.errorLog();
    EXPECT_EQ(answer.timesAnswered(), 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Please restart Kestrova");
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
}

// The outer size, frame included, is what the rule works from.
void resizeOuter(QWidget& window, QSize size)
{
    const QSize frame = window.frameGeometry().size() - window.size();
    window.resize(size - frame);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.frameGeometry().size() == size; }, 5000));
}

TEST_F(MainWindowTest, LogPreviewAndFilmsFollowTheOuterSizeButKeepAUsableHeight)
{
    const auto window = start();
    ASSERT_TRUE(window);
    window->setWindowState(Qt::WindowNoState);
    window->show();
    resizeOuter(*window, QSize(1200, 900));
    const QWidget& log = control<QWidget>(*window, "Log");
    const QWidget& preview = control<QWidget>(*window, "pBox");
    const QWidget& films = control<QWidget>(*window, "films");
    EXPECT_EQ(log.height(), 900 - 192 - 75);
    EXPECT_EQ(preview.width(), 1200 - 456 - 25);
    EXPECT_EQ(preview.height(), 900 - 8 - 75 - 8 - 216) << "the films below it";
    EXPECT_EQ(films.geometry(), QRect(456, 900 - 75 - 216, 1200 - 456 - 25, 216));
    const QSize logSize = log.size();
    const QSize previewSize = preview.size();
    resizeOuter(*window, QSize(1300, 200));
    EXPECT_EQ(preview.width(), 1300 - 456 - 25);
    EXPECT_EQ(preview.pos(), QPoint(456, 8));
    EXPECT_EQ(preview.height(), previewSize.height()) << "no room: it keeps its height";
    EXPECT_EQ(films.geometry(), QRect(456, 900 - 75 - 216, 1300 - 456 - 25, 216)) << "and the films their place";
    EXPECT_EQ(log.size(), logSize);
}

TEST_F(MainWindowTest, WithATrayTheWindowLivesInIt)
{
    const auto window = start(true);
    ASSERT_TRUE(window);
    QSystemTrayIcon& tray = window->trayIcon();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(tray.isVisible());
    EXPECT_FALSE(tray.icon().isNull());
    ASSERT_EQ(tray.contextMenu(), &control<QMenu>(*window, "mnuPop"));
    QStringList entries;
    for (const QAction* entry : tray.contextMenu()->actions())
        entries << (entry->isSeparator() ? QStringLiteral("-") : entry->objectName());
    EXPECT_EQ(entries, (QStringList{"mnuPopOpen", "mnuPopHide", "-", "mnuPopExit"}));

    emit tray.activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window->isVisible());
    emit tray.activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window->isMaximized());
    EXPECT_FALSE(tray.isVisible());
    action(*window, "mnuFileClose").trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(tray.isVisible());
    action(*window, "mnuPopOpen").trigger();
    EXPECT_TRUE(window->isVisible());
    action(*window, "mnuPopHide").trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
}

TEST_F(MainWindowTest, WithoutATrayTheWindowStaysOnTheTaskbar)
{
    const auto window = start(false);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    EXPECT_FALSE(window->trayIcon().isVisible());
    window->open();
    EXPECT_TRUE(window->isMaximized());
    action(*window, "mnuFileClose").trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    window->open();
    action(*window, "mnuPopHide").trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
}

struct ExitCase {
    const char* name;
    bool tray;
    const char* command; // the object name of an action; null: close the window
    bool listeningAfter;
};

class Exit : public MainWindowTest, public ::testing::WithParamInterface<ExitCase> {};

// As in the program, only the window's own exits end the event loop, not the last window closing.
TEST_P(Exit, EndsTheProgram)
{
    QApplication::setQuitOnLastWindowClosed(false);
    const auto window = start(GetParam().tray);
    ASSERT_TRUE(window);
    window->open();
    QTimer::singleShot(0, [&] {
        if (GetParam().command)
            action(*window, GetParam().command).trigger();
        else
            window->close();
    });
    bool hung = false;
    QTimer guard; // a local timer: it must not fire into a later test
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        hung = true;
        QCoreApplication::exit(1);
    });
    guard.start(30000);
    QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(true);
    EXPECT_FALSE(hung);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->trayIcon().isVisible());
    EXPECT_EQ(window->service().isListening(), GetParam().listeningAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Exit,
    ::testing::Values(ExitCase{"FileExitLeavesTheListenerToTheEnd", false, "mnuFileExit", true},
                      ExitCase{"PopupExitStopsTheListener", true, "mnuPopExit", false},
                      ExitCase{"ClosingTheWindow", false, nullptr, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, SaveWritesTheLogToATimeStampedFileAndClearsItOnlyWhenSaved)
{
    const auto window = start();
    ASSERT_TRUE(window);
    DicomLog& log = window->service().log();
    log.append(LogCategory::Associations, "association from MODALITY");
    log.append(LogCategory::Commands, "N-CREATE\nsecond line");
    QCoreApplication::processEvents();
    const std::string expected = log.text(log.entryCount()) + "\r\n";

    writeFile(folder / "Logs", "a file where the folder should be");
    QPushButton& save = control<QPushButton>(*window, "cmdLog");
    save.click();
    EXPECT_EQ(log.text(log.entryCount()) + "\r\n", expected);
    EXPECT_FALSE(logViewText(*window).isEmpty());

    fs::remove(folder / "Logs");
    const QDateTime before = QDateTime::currentDateTime();
    save.click();
    const QDateTime after = QDateTime::currentDateTime();
    const fs::path saved = fs::exists(dicomLogFilePath(before)) ? dicomLogFilePath(before) : dicomLogFilePath(after);
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(readFile(saved), expected);
    EXPECT_EQ(log.entryCount(), 0u);
    EXPECT_TRUE(logViewText(*window).isEmpty());
    EXPECT_EQ(dicomLogFilePath(QDateTime(QDate(2026, 12, 5), QTime(21, 3, 11))), folder / "Logs" / "Dicom20261205210311.log");
}

} // namespace
} // namespace kestrova::test
