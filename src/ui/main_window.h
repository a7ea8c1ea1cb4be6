#pragma once
// fKestrova: the main window. It owns the print service and shows what the service runs
// with, the DICOM log and the film preview; it lives in the notification area while
// minimized, where one exists.

#include "core/global_settings.h"

#include <QMainWindow>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace kestrova {

class DicomLogView;
class PreviewBox;
class PrintService;
class PrinterDevice;
class fPref;

class fKestrova : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and loads it (Form_Load), which starts the print service.
    explicit fKestrova(PrinterDevice& printer, QWidget* parent = nullptr);
    ~fKestrova() override;

    PrintService& service() { return *service_; }
    // The preferences dialog, created on first use.
    fPref& preferences();

    // Whether a notification area exists; the platform decides unless told otherwise.
    void setTrayAvailability(std::function<bool()> available);
    QSystemTrayIcon& trayIcon() { return *Tray; }

    // Event handlers, public so tests can act as the user.
    void Open();
    void cmdLog_Click();
    void mnuFileClose_Click();
    void mnuFileExit_Click();
    void mnuViewOptions_Click();
    void mnuPopHide_Click();
    void mnuPopExit_Click();
    void Tray_Activated(QSystemTrayIcon::ActivationReason reason);

    QLabel* lblName;
    QLineEdit* txtAETName;
    QLabel* lblPort;
    QLineEdit* txtPort;
    QLabel* lblEmulation;
    QLineEdit* txtEmulation;
    QLabel* lblPrinter;
    QLineEdit* txtPrinter;
    QPushButton* cmdLog;
    QLabel* lblLog;
    DicomLogView* Log = nullptr;
    PreviewBox* pBox;

    QMenu* mnuFile;
    QAction* mnuFileClose;
    QAction* mnuFileExit;
    QMenu* mnuView;
    QAction* mnuViewOptions;
    QMenu* mnuPop;
    QAction* mnuPopOpen;
    QAction* mnuPopHide;
    QAction* mnuPopTrenn;
    QAction* mnuPopExit;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createMenus();
    void Form_Load();
    void setUpTray();
    void applyResizeRule();
    void hideIntoTray();
    void showSettings(const Settings& settings, const QString& logLevelText);
    void reportListenFailure(int port);
    void showListenFailure(int port);
    void showListeningState();
    void runPreferences();
    void endProgram();

    PrinterDevice& printer_;
    std::function<bool()> trayAvailable_;
    QSystemTrayIcon* Tray = nullptr;
    // Declared in this order so the dialog goes before the service whose log it uses.
    std::unique_ptr<PrintService> service_;
    std::unique_ptr<fPref> pref_;
};

} // namespace kestrova
