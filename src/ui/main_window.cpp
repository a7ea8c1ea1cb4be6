#include "ui/main_window.h"

#include "core/errors.h"
#include "core/file_system.h"
#include "core/program_folder.h"
#include "core/rounding.h"
#include "core/steps.h"
#include "print_service/print_service.h"
#include "startup/print_server.h"
#include "ui/dicom_log_file.h"
#include "ui/dicom_log_view.h"
#include "ui/films_panel.h"
#include "ui/local_text.h"
#include "ui/preferences_dialog.h"
#include "ui/preview_box.h"
#include "ui/user_dialogs.h"
#include "ui/widget_style.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace kestrova {
namespace {

constexpr int ClientWidth = 977;
constexpr int ClientHeight = 802;
// Space the resize rule leaves below the log and the films and right of the preview and the films.
constexpr float BottomMargin = 75;
constexpr float RightMargin = 25;
// The films list sits below the preview, as wide as it.
constexpr int FilmsGap = 8;
constexpr int FilmsHeight = 216;

QLabel* addLabel(QWidget* parent, const char* name, const char* caption, QRect geometry)
{
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(labelFont());
    return label;
}

QLineEdit* addReadOnlyField(QWidget* parent, const char* name, QRect geometry)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(geometry);
    field->setFont(fieldFont());
    field->setReadOnly(true);
    setBackground(*field, inactiveBorderColour());
    return field;
}

// A control refuses a negative size and keeps the one it has.
int layoutSize(float value)
{
    const int size = roundHalfEven<int>(value);
    if (size < 0)
        raise(ErrorCode::InvalidArgument, "Invalid property value");
    return size;
}

void setControlHeight(QWidget& control, float height) { control.resize(control.width(), layoutSize(height)); }

void setControlWidth(QWidget& control, float width) { control.resize(layoutSize(width), control.height()); }

void setControlTop(QWidget& control, float top) { control.move(control.x(), layoutSize(top)); }

} // namespace

MainWindow::MainWindow(PrintServer& server, QWidget* parent)
    : QMainWindow(parent),
      configuration_(server.configuration),
      printers_(server.printers),
      service_(server.service),
      trayAvailable_([] { return QSystemTrayIcon::isSystemTrayAvailable(); })
{
    setObjectName(QStringLiteral("fKestrova"));
    setWindowIcon(QIcon(QStringLiteral(":/kestrova/kestrova.png")));
    createControls();
    createMenus();

    connect(&service_, &PrintService::listenFailed, this, &MainWindow::reportListenFailure,
            Qt::DirectConnection);
    connect(&service_, &PrintService::listenRetryFailed, this, &MainWindow::showListenFailure,
            Qt::DirectConnection);
    connect(&service_, &PrintService::settingsShown, this, &MainWindow::showSettings, Qt::DirectConnection);
    connect(&service_, &PrintService::filmPrinted, this, &MainWindow::showPreview);
    connect(&service_, &PrintService::printerStatusChanged, this, &MainWindow::showPrinterState);

    logView_ = new DicomLogView(service_.log(), centralWidget());
    logView_->setObjectName(QStringLiteral("Log"));
    logView_->setGeometry(8, 192, 433, 513);
    logView_->setFont(fieldFont());
    filmsPanel_ = new FilmsPanel(service_, centralWidget());
    filmsPanel_->setObjectName(QStringLiteral("films"));
    filmsPanel_->setGeometry(456, 489, 401, FilmsHeight);
    connect(&service_, &PrintService::filmsChanged, filmsPanel_, &FilmsPanel::refresh);

    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    startService();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);
    addLabel(client, "lblName", "AET Name:", {8, 21, 70, 16});
    aeTitleField_ = addReadOnlyField(client, "txtAETName", {96, 16, 345, 27});
    addLabel(client, "lblPort", "IP-Port:", {8, 51, 43, 16});
    portField_ = addReadOnlyField(client, "txtPort", {96, 48, 57, 27});
    addLabel(client, "lblEmulation", "Emulation:", {8, 81, 62, 16});
    emulationField_ = addReadOnlyField(client, "txtEmulation", {96, 78, 345, 27});
    addLabel(client, "lblPrinter", "Printer:", {9, 117, 41, 16});
    printerField_ = addReadOnlyField(client, "txtPrinter", {96, 111, 345, 27});
    // On top of the printer field, at its right end, like the log level label on the AE title's.
    printerStateLabel_ = addLabel(client, "lblPrinterState", "", {250, 116, 188, 17});
    printerStateLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // Beside the save button: the main printer and each virtual printer, as the called AE title
    // reaches them.
    printersList_ = new QListWidget(client);
    printersList_->setObjectName(QStringLiteral("lstPrinters"));
    printersList_->setGeometry(140, 143, 301, 45);
    printersList_->setFont(fieldFont());

    auto* saveLogButton = new QPushButton(QStringLiteral("Save DicomLog ..."), client);
    saveLogButton->setObjectName(QStringLiteral("cmdLog"));
    saveLogButton->setGeometry(9, 159, 121, 25);
    saveLogButton->setFont(fieldFont());
    connect(saveLogButton, &QPushButton::clicked, this, &MainWindow::saveLog);

    // Made after the AE title field so that it lies on top of the field it sits in.
    logLevelLabel_ = addLabel(client, "lblLog", "", {232, 16, 209, 17});
    logLevelLabel_->setAutoFillBackground(true);

    previewBox_ = new PreviewBox(client);
    previewBox_->setObjectName(QStringLiteral("pBox"));
    previewBox_->setGeometry(456, 8, 401, 473);
}

void MainWindow::createMenus()
{
    const auto name = [](QObject* object, const char* objectName) { object->setObjectName(QString::fromLatin1(objectName)); };
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    name(file, "mnuFile");
    name(file->addAction(QStringLiteral("Minimize"), this, &MainWindow::minimize), "mnuFileClose");
    name(file->addAction(QStringLiteral("E&xit"), this, &MainWindow::exitKeepingTheListener), "mnuFileExit");

    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    name(view, "mnuView");
    name(view->addAction(QStringLiteral("Options..."), this, &MainWindow::changePreferences), "mnuViewOptions");

    // Never on the menu bar: the tray icon's context menu.
    trayMenu_ = new QMenu(QStringLiteral("PopupMenu"), this);
    name(trayMenu_, "mnuPop");
    name(trayMenu_->addAction(QStringLiteral("Open"), this, &MainWindow::open), "mnuPopOpen");
    name(trayMenu_->addAction(QStringLiteral("Minimize"), this, &MainWindow::minimizeFromTrayMenu), "mnuPopHide");
    name(trayMenu_->addSeparator(), "mnuPopTrenn");
    name(trayMenu_->addAction(QStringLiteral("Exit"), this, &MainWindow::exitStoppingTheListener), "mnuPopExit");
}

void MainWindow::startService()
{
    runSteps("Form_Load", {
        [&] { showListeningState(); },
        [] { fileSystem().ensureFolder(programPath("debug")); },
        [&] { service_.restart(); },
        [&] { setUpTray(); },
    });
}

void MainWindow::setUpTray()
{
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setObjectName(QStringLiteral("Tray"));
    showListeningState();
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this, &MainWindow::trayActivated);
}

PreferencesDialog& MainWindow::preferences()
{
    if (!preferences_)
        preferences_ = std::make_unique<PreferencesDialog>(configuration_, service_.log(), printers_, this);
    return *preferences_;
}

void MainWindow::setTrayAvailability(std::function<bool()> available) { trayAvailable_ = std::move(available); }

void MainWindow::showSettings(const Settings& settings, const QString& logLevelText)
{
    emulationField_->setText(toQString(settings.Emulation));
    aeTitleField_->setText(toQString(settings.AETName));
    portField_->setText(QString::number(settings.Port));
    printerField_->setText(toQString(settings.Printer));
    logLevelLabel_->setText(logLevelText);
    showPrinterState();
}

// Nothing else tells the user that requesters are being turned away; the tray tip also says when
// the printer is not ready.
void MainWindow::showListeningState()
{
    const std::string state = service_.isListening() ? "" : " - not listening";
    setWindowTitle(toQString(ProductName + " " + VersionText() + state));
    const std::optional<DicomPrinterStatus> printer = service_.printerStatus();
    const std::string printerState = printer && printer->status != "NORMAL" ? " - " + statusText(*printer) : "";
    if (tray_)
        tray_->setToolTip(toQString(ProductName + printerState + state));
}

void MainWindow::showPrinterState()
{
    const std::optional<DicomPrinterStatus> printer = service_.printerStatus();
    printerStateLabel_->setText(printer ? toQString(statusText(*printer)) : QString());
    printerStateLabel_->setAutoFillBackground(printer.has_value());
    printersList_->clear();
    for (const ServedPrinter& served : service_.servedPrinters())
        printersList_->addItem(toQString(served.aeTitle + " - " + served.printer + ": "
                                         + (served.status ? statusText(*served.status) : std::string("?"))));
    showListeningState();
}

// The preview is drawn only while the window is maximized; a film printed otherwise leaves
// it empty. A preview that cannot be drawn must not cost the window.
void MainWindow::showPreview()
{
    const std::shared_ptr<const FilmPage> page = service_.lastPrintedFilm();
    ignoreErrors({[&] {
        if (page && isMaximized())
            previewBox_->showFilm(*page);
        else
            previewBox_->clear();
    }});
}

// The service start goes on only after the user has seen the failure and had the chance
// to change the settings.
void MainWindow::reportListenFailure(int port)
{
    showListenFailure(port);
    show();
    runPreferences();
}

void MainWindow::showListenFailure(int port)
{
    userDialogs().showMessage(QStringLiteral("Unable to listen on port %1").arg(port), toQString(ProductName),
                              QMessageBox::Critical);
}

void MainWindow::runPreferences()
{
    preferences().showModal();
    // The dialog's OK clears the DICOM log.
    logView_->sync();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyResizeRule();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        applyResizeRule();
}

void MainWindow::applyResizeRule()
{
    if (isMinimized()) {
        hideIntoTray();
        return;
    }
    if (!isVisible())
        return;
    const QRect outer = frameGeometry();
    const auto height = static_cast<float>(outer.height());
    const auto width = static_cast<float>(outer.width());
    ignoreErrors({
        [&] { setControlHeight(*logView_, height - static_cast<float>(logView_->y()) - BottomMargin); },
        [&] { setControlWidth(*previewBox_, width - static_cast<float>(previewBox_->x()) - RightMargin); },
        [&] {
            setControlHeight(*previewBox_,
                             height - static_cast<float>(previewBox_->y()) - BottomMargin - FilmsGap - FilmsHeight);
        },
        [&] { setControlWidth(*filmsPanel_, width - static_cast<float>(filmsPanel_->x()) - RightMargin); },
        [&] { setControlTop(*filmsPanel_, height - BottomMargin - FilmsHeight); },
    });
}

// Without a notification area the minimized window stays on the taskbar, where the user
// can still reach it.
void MainWindow::hideIntoTray()
{
    // A window state the platform reports late must not bring back the icon of a program that
    // is ending.
    if (!tray_ || !trayAvailable_() || ending_)
        return;
    tray_->show();
    hide();
}

void MainWindow::open()
{
    setWindowState(Qt::WindowNoState);
    if (tray_)
        tray_->hide();
    show();
    setWindowState(Qt::WindowMaximized);
    raise();
    activateWindow();
}

void MainWindow::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // The context menu pops up by itself on a right click; a single click does nothing.
    if (reason == QSystemTrayIcon::DoubleClick)
        open();
}

void MainWindow::saveLog()
{
    saveDicomLog(service_.log());
    logView_->sync();
}

void MainWindow::minimize() { setWindowState(windowState() | Qt::WindowMinimized); }

void MainWindow::minimizeFromTrayMenu()
{
    if (!trayAvailable_()) {
        showMinimized();
        return;
    }
    hide();
    setWindowState(windowState() | Qt::WindowMinimized);
}

void MainWindow::changePreferences()
{
    trapAndLog("fKestrova mnuViewOptions_Click", [&] {
        service_.stopListening();
        runPreferences();
        service_.restart();
    });
}

void MainWindow::exitKeepingTheListener() { endProgram(); }

void MainWindow::exitStoppingTheListener()
{
    ignoreErrors({[&] { service_.stopListening(); }});
    endProgram();
}

void MainWindow::endProgram()
{
    ending_ = true;
    ignoreErrors({
        [&] {
            if (preferences_)
                preferences_->close();
        },
        [&] { close(); },
    });
    QCoreApplication::quit();
}

// Closing the window ends the program; the listener goes with the service.
void MainWindow::closeEvent(QCloseEvent* event)
{
    ending_ = true;
    if (tray_)
        tray_->hide();
    event->accept();
    QCoreApplication::quit();
}

} // namespace kestrova
