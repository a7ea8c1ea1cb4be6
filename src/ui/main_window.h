#pragma once
// The main window. It owns the print service and shows what the service runs with, every
// printer it serves (the main one and the virtual printers) with its state, the DICOM log, the
// film preview and the films printed (with Reprint and Open); it lives in the notification area
// while minimized, where one exists. Its controls are its own: tests reach them by object name,
// as a user reaches them by sight.

#include "core/configuration.h"

#include <QMainWindow>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;

namespace kestrova {

class DicomLogView;
class FilmsPanel;
class PreviewBox;
class PrintService;
class PrinterCatalogue;
struct PrintServer;
class PreferencesDialog;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and starts the print service on the program's configuration.
    // Shows the server, and starts its service.
    explicit MainWindow(PrintServer& server, QWidget* parent = nullptr);
    ~MainWindow() override;

    PrintService& service() { return service_; }
    // The preferences dialog, created on first use.
    PreferencesDialog& preferences();

    // Whether a notification area exists; the platform decides unless told otherwise.
    void setTrayAvailability(std::function<bool()> available);
    QSystemTrayIcon& trayIcon() { return *tray_; }

    // Shows the window maximized, out of the notification area.
    void open();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createMenus();
    void startService();
    void setUpTray();
    void applyResizeRule();
    void hideIntoTray();
    void showSettings(const Settings& settings, const QString& logLevelText);
    void reportListenFailure(int port);
    void showListenFailure(int port);
    void showListeningState();
    void showPrinterState();
    void showPreview();
    void runPreferences();
    void endProgram();

    // What the user does.
    void saveLog();
    void minimize();
    void minimizeFromTrayMenu();
    void changePreferences();
    void exitKeepingTheListener();
    void exitStoppingTheListener();
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

    Configuration& configuration_;
    const PrinterCatalogue& printers_;
    PrintService& service_;
    std::function<bool()> trayAvailable_;
    bool ending_ = false;
    QLineEdit* aeTitleField_ = nullptr;
    QLineEdit* portField_ = nullptr;
    QLineEdit* emulationField_ = nullptr;
    QLineEdit* printerField_ = nullptr;
    QLabel* logLevelLabel_ = nullptr;
    QLabel* printerStateLabel_ = nullptr;
    QListWidget* printersList_ = nullptr;
    FilmsPanel* filmsPanel_ = nullptr;
    DicomLogView* logView_ = nullptr;
    PreviewBox* previewBox_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<PreferencesDialog> preferences_;
};

} // namespace kestrova
