#include "core/global_settings.h"
#include "print_service/print_service.h"
#include "printing/testing/recording_printer_device.h"
#include "toolkit/dicom_log.h"
#include "ui/dicom_log_file.h"
#include "ui/dicom_log_view.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
#include "ui/preview_box.h"
#include "ui/startup.h"
#include "ui_test_support.h"

#include "support/test_scu.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

namespace kestrova::test {
namespace {

namespace fs = std::filesystem;

class MainWindowTest : public UiTest {
protected:
    std::unique_ptr<fKestrova> start(bool trayAvailable = false)
    {
        // The tray must be decided before the window minimizes itself.
        auto window = Main(printer, [trayAvailable](PrinterDevice& device) {
            auto made = std::make_unique<fKestrova>(device);
            made->setTrayAvailability([trayAvailable] { return trayAvailable; });
            return made;
        });
        if (!window)
            ADD_FAILURE() << "start-up failed";
        return window;
    }

    RecordingPrinterDevice printer;
};

TEST_F(MainWindowTest, StartsWithTheSettingsShownAndTheServiceListening)
{
    const auto window = start();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle().toStdString(), "Kestrova " + VersionText());
    EXPECT_TRUE(window->windowTitle().startsWith("Kestrova v"));
    EXPECT_EQ(window->txtAETName->text(), "KODAK");
    EXPECT_EQ(window->txtEmulation->text(), "KODAK");
    EXPECT_EQ(window->txtPort->text(), QString::number(port));
    EXPECT_EQ(window->txtPrinter->text(), "");
    EXPECT_EQ(window->lblLog->text(), "Current LogLevel: 63");
    EXPECT_TRUE(fs::is_directory(folder / "debug"));
    EXPECT_TRUE(window->service().isListening());
    EXPECT_TRUE(acceptsConnections(port));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(errorLog(), "");
}

TEST_F(MainWindowTest, OpensWithTheDesignedClientAreaAndLogLabelOnTop)
{
    const auto window = start();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->centralWidget()->size(), QSize(977, 802));
    for (QLineEdit* field : {window->txtAETName, window->txtPort, window->txtEmulation, window->txtPrinter})
        EXPECT_TRUE(field->isReadOnly()) << field->objectName().toStdString();
    // The level label lies inside the AE title field and must stay readable on top of it.
    EXPECT_TRUE(window->txtAETName->geometry().contains(window->lblLog->geometry()));
    const QObjectList& children = window->centralWidget()->children();
    EXPECT_GT(children.indexOf(window->lblLog), children.indexOf(window->txtAETName));
}

TEST_F(MainWindowTest, TakenPortShowsTheMessageThenTheWindowAndThePreferencesAndSaysItIsNotListening)
{
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::Any, static_cast<quint16>(port)));
    bool windowShownFirst = false;
    std::size_t messagesBeforeDialog = 0;
    PreferencesAnswer answer([&](fPref& dialog) {
        auto* window = qobject_cast<fKestrova*>(dialog.parentWidget());
        windowShownFirst = window && window->isVisible();
        messagesBeforeDialog = dialogs.messages.size();
        dialog.cmdCancel_Click();
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
    EXPECT_EQ(window->txtPort->text(), QString::number(port));
    EXPECT_EQ(window->lblLog->text(), "Current LogLevel: 63");
    EXPECT_EQ(window->windowTitle().toStdString(), "Kestrova " + VersionText() + " - not listening");
    EXPECT_EQ(window->trayIcon().toolTip(), "Kestrova - not listening");
}

TEST_F(MainWindowTest, TakenPortFixedInThePreferencesIsListenedOnAfterOk)
{
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::Any, static_cast<quint16>(port)));
    const int freePort = freeLoopbackPort();
    PreferencesAnswer answer([&](fPref& dialog) {
        dialog.Port->setText(QString::number(freePort));
        dialog.cmdOK_Click();
    });
    const auto window = start();
    ASSERT_TRUE(window);

    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(window->service().isListening());
    EXPECT_EQ(window->txtPort->text(), QString::number(freePort));
    EXPECT_EQ(window->windowTitle().toStdString(), "Kestrova " + VersionText());
    EXPECT_EQ(window->trayIcon().toolTip(), "Kestrova");
    std::atomic<bool> done = false;
    bool echoed = false;
    std::thread requester([&] {
        TestScu scu;
        echoed = scu.connect("127.0.0.1", freePort) && scu.echo();
        if (scu.isConnected())
            scu.release();
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 30000));
    requester.join();
    EXPECT_TRUE(echoed);
}

TEST_F(MainWindowTest, OptionsWithCancelRestartsTheListenerOnTheSamePort)
{
    const auto window = start();
    ASSERT_TRUE(window);
    window->service().log().setLevel(7);
    bool listeningDuringDialog = true;
    PreferencesAnswer answer([&](fPref& dialog) {
        listeningDuringDialog = window->service().isListening() || acceptsConnections(port);
        dialog.cmdCancel_Click();
    });
    window->mnuViewOptions_Click();

    EXPECT_EQ(answer.timesAnswered(), 1);
    EXPECT_FALSE(listeningDuringDialog);
    EXPECT_TRUE(window->service().isListening());
    EXPECT_TRUE(acceptsConnections(port));
    EXPECT_EQ(window->lblLog->text(), "Current LogLevel: 63");
    EXPECT_EQ(errorLog(), "");
}

TEST_F(MainWindowTest, OptionsWithANewPortMovesTheListener)
{
    const auto window = start();
    ASSERT_TRUE(window);
    const int newPort = freeLoopbackPort();
    PreferencesAnswer answer([&](fPref& dialog) {
        dialog.Port->setText(QString::number(newPort));
        dialog.cmdOK_Click();
    });
    window->mnuViewOptions_Click();

    EXPECT_EQ(answer.timesAnswered(), 1);
    EXPECT_TRUE(acceptsConnections(newPort));
    EXPECT_FALSE(acceptsConnections(port));
    EXPECT_EQ(window->txtPort->text(), QString::number(newPort));
    EXPECT_NE(readFile(folder / "Kestrova.ini").find("Port=" + std::to_string(newPort)), std::string::npos);
}

TEST_F(MainWindowTest, OptionsOkClearsTheLogView)
{
    const auto window = start();
    ASSERT_TRUE(window);
    window->service().log().append(LogCategory::Associations, "an association");
    QCoreApplication::processEvents();
    ASSERT_FALSE(window->Log->toPlainText().isEmpty());
    PreferencesAnswer answer([](fPref& dialog) { dialog.cmdOK_Click(); });
    window->mnuViewOptions_Click();
    EXPECT_TRUE(window->Log->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, StartFailureIsLoggedAndAsksForARestart)
{
    PreferencesAnswer answer([](fPref& dialog) { dialog.cmdCancel_Click(); });
    const auto window = Main(printer, [](PrinterDevice&) -> std::unique_ptr<fKestrova> {
        throw AppError(ErrorCode::FileNotFound);
    });
    EXPECT_FALSE(window);
    EXPECT_NE(errorLog().find("File not found"), std::string::npos);
    EXPECT_NE(errorLog().find("MAIN"), std::string::npos);
    EXPECT_EQ(answer.timesAnswered(), 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Please restart Kestrova");
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
}

// The window as the user has it after Open: shown, not maximized.
class ResizeRuleTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        window = start();
        ASSERT_TRUE(window);
        window->setWindowState(Qt::WindowNoState);
        window->show();
        resizeTo(QSize(1200, 900));
    }

    // The outer size, frame included, is what the rule works from.
    void resizeTo(QSize size)
    {
        const QSize frame = window->frameGeometry().size() - window->size();
        window->resize(size - frame);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry().size() == size; }, 2000));
    }

    std::unique_ptr<fKestrova> window;
};

TEST_F(ResizeRuleTest, LogAndPreviewFollowTheOuterSize)
{
    const QRect outer = window->frameGeometry();
    EXPECT_EQ(window->Log->height(), outer.height() - 192 - 75);
    EXPECT_EQ(window->pBox->width(), outer.width() - 456 - 25);
    EXPECT_EQ(window->pBox->height(), outer.height() - 8 - 75);
}

TEST_F(ResizeRuleTest, WideningWidensOnlyThePreview)
{
    const int previewWidth = window->pBox->width();
    const QSize logSize = window->Log->size();
    resizeTo(window->frameGeometry().size() + QSize(100, 0));
    EXPECT_EQ(window->pBox->width(), previewWidth + 100);
    EXPECT_EQ(window->Log->size(), logSize);
    EXPECT_EQ(window->pBox->pos(), QPoint(456, 8));
}

TEST_F(ResizeRuleTest, TooSmallAWindowLeavesTheLogHeightAsItWas)
{
    const int logHeight = window->Log->height();
    resizeTo(QSize(1200, 200));
    EXPECT_EQ(window->Log->height(), logHeight);
    EXPECT_EQ(window->pBox->height(), 200 - 8 - 75);
}

TEST_F(MainWindowTest, WithATrayTheWindowLivesInIt)
{
    const auto window = start(true);
    ASSERT_TRUE(window);
    QSystemTrayIcon& tray = window->trayIcon();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(tray.isVisible());
    EXPECT_EQ(tray.toolTip(), "Kestrova");
    EXPECT_FALSE(tray.icon().isNull());
    EXPECT_EQ(tray.icon().availableSizes(), window->windowIcon().availableSizes());

    emit tray.activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window->isVisible());

    emit tray.activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMaximized());
    EXPECT_FALSE(tray.isVisible());

    window->mnuFileClose->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(tray.isVisible());
}

TEST_F(MainWindowTest, TrayMenuOpensMinimizesAndLists)
{
    const auto window = start(true);
    ASSERT_TRUE(window);
    QMenu* menu = window->trayIcon().contextMenu();
    ASSERT_EQ(menu, window->mnuPop);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->objectName(), "mnuPopOpen");
    EXPECT_EQ(items[0]->text(), "Open");
    EXPECT_EQ(items[1]->objectName(), "mnuPopHide");
    EXPECT_EQ(items[1]->text(), "Minimize");
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[2]->objectName(), "mnuPopTrenn");
    EXPECT_EQ(items[3]->objectName(), "mnuPopExit");
    EXPECT_EQ(items[3]->text(), "Exit");

    window->mnuPopOpen->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMaximized());
    EXPECT_FALSE(window->trayIcon().isVisible());

    window->mnuPopHide->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(window->trayIcon().isVisible());
}

TEST_F(MainWindowTest, WithoutATrayTheWindowStaysOnTheTaskbar)
{
    const auto window = start(false);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    EXPECT_FALSE(window->trayIcon().isVisible());

    window->Open();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMaximized());

    window->mnuFileClose->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());

    window->Open();
    window->mnuPopHide_Click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
}

TEST_F(MainWindowTest, PreviewBoxDrawsPicturesWhereTold)
{
    const auto window = start();
    ASSERT_TRUE(window);
    window->pBox->clear();
    const QImage blank = window->pBox->image();
    window->Open();
    ASSERT_TRUE(window->isMaximized());
    // A picture drawn into the box shows in its backing image at the place given.
    QImage black(4, 4, QImage::Format_Grayscale8);
    black.fill(0);
    window->pBox->paintPicture(Picture{black, 0, 0}, 10, 10, 20, 20);
    EXPECT_EQ(window->pBox->image().pixelColor(15, 15), QColor(Qt::black));
    EXPECT_NE(window->pBox->image().pixelColor(40, 40), QColor(Qt::black));
    EXPECT_EQ(window->pBox->scaleWidth(), static_cast<float>(window->pBox->contentsRect().width()));
    window->pBox->clear();
    EXPECT_EQ(window->pBox->image().pixelColor(15, 15), blank.pixelColor(0, 0));
}

class ExitTest : public MainWindowTest {
protected:
    // As in the program: only the window's own exits end it, not the last window closing.
    void SetUp() override { QApplication::setQuitOnLastWindowClosed(false); }
    void TearDown() override { QApplication::setQuitOnLastWindowClosed(true); }

    // Runs the program's event loop with the command given; true when the program ended.
    bool runUntilQuit(std::function<void()> command)
    {
        QTimer::singleShot(0, std::move(command));
        bool hung = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            hung = true;
            QCoreApplication::exit(1);
        });
        guard.start(10000);
        QApplication::exec();
        return !hung;
    }
};

TEST_F(ExitTest, FileExitEndsTheProgramLeavingTheListenerToTheEnd)
{
    const auto window = start();
    ASSERT_TRUE(window);
    window->Open();
    EXPECT_TRUE(runUntilQuit([&] { window->mnuFileExit->trigger(); }));
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->service().isListening());
}

TEST_F(ExitTest, PopupExitStopsTheListenerThenEndsTheProgram)
{
    const auto window = start(true);
    ASSERT_TRUE(window);
    EXPECT_TRUE(runUntilQuit([&] { window->mnuPopExit->trigger(); }));
    EXPECT_FALSE(window->service().isListening());
    EXPECT_FALSE(window->trayIcon().isVisible());
}

TEST_F(ExitTest, ClosingTheWindowEndsTheProgram)
{
    const auto window = start();
    ASSERT_TRUE(window);
    window->Open();
    EXPECT_TRUE(runUntilQuit([&] { window->close(); }));
}

class SaveLogTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        window = start();
        ASSERT_TRUE(window);
        window->service().log().append(LogCategory::Associations, "association from MODALITY");
        window->service().log().append(LogCategory::Commands, "N-CREATE\nsecond line");
        QCoreApplication::processEvents();
    }

    std::vector<fs::path> savedLogs() const
    {
        std::vector<fs::path> files;
        if (fs::is_directory(folder / "Logs"))
            for (const auto& entry : fs::directory_iterator(folder / "Logs"))
                if (entry.path().filename().string().starts_with("Dicom"))
                    files.push_back(entry.path());
        return files;
    }

    std::unique_ptr<fKestrova> window;
};

TEST_F(SaveLogTest, WritesTheLogToATimeStampedFileAndClearsIt)
{
    DicomLog& log = window->service().log();
    const std::string expected = log.text(log.entryCount()) + "\r\n";
    const QDateTime before = QDateTime::currentDateTime();
    window->cmdLog->click();
    const QDateTime after = QDateTime::currentDateTime();

    const auto files = savedLogs();
    ASSERT_EQ(files.size(), 1u);
    const auto& saved = files.front();
    EXPECT_TRUE(saved == dicomLogFilePath(before) || saved == dicomLogFilePath(after)) << saved;
    EXPECT_EQ(saved.filename().string().size(), std::string("Dicom20261205210311.log").size());
    EXPECT_EQ(readFile(saved), expected);
    EXPECT_EQ(window->service().log().entryCount(), 0u);
    EXPECT_TRUE(window->Log->toPlainText().isEmpty());
}

TEST_F(SaveLogTest, FailedSaveKeepsTheLog)
{
    writeFile(folder / "Logs", "a file where the folder should be");
    const std::size_t entries = window->service().log().entryCount();
    window->cmdLog->click();
    EXPECT_EQ(window->service().log().entryCount(), entries);
    EXPECT_FALSE(window->Log->toPlainText().isEmpty());
}

TEST(DicomLogFileName, IsTheLocalTimeStamp)
{
    TempProgramFolder folder;
    const QDateTime when(QDate(2026, 12, 5), QTime(21, 3, 11));
    EXPECT_EQ(dicomLogFilePath(when), folder / "Logs" / "Dicom20261205210311.log");
}

} // namespace
} // namespace kestrova::test
