#include "ui/main_window.h"

#include "core/errors.h"
#include "core/file_system.h"
#include "core/program_folder.h"
#include "core/rounding.h"
#include "core/steps.h"
#include "print_service/print_service.h"
#include "ui/dicom_log_file.h"
#include "ui/dicom_log_view.h"
#include "ui/local_text.h"
#include "ui/preferences_dialog.h"
#include "ui/preview_box.h"
#include "ui/user_dialogs.h"
#include "ui/widget_style.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace kestrova {
namespace {

constexpr int ClientWidth = 977;
constexpr int ClientHeight = 802;
// Space the resize rule leaves below the log and the preview and right of the preview.
constexpr float BottomMargin = 75;
constexpr float RightMargin = 25;

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

} // namespace

fKestrova::fKestrova(PrinterDevice& printer, QWidget* parent)
    : QMainWindow(parent),
      printer_(printer),
      trayAvailable_([] { return QSystemTrayIcon::isSystemTrayAvailable(); })
{
    setObjectName(QStringLiteral("fKestrova"));
    setWindowIcon(QIcon(QStringLiteral(":/kestrova/kestrova.png")));
    createControls();
    createMenus();

    service_ = std::make_unique<PrintService>(printer_, *pBox);
    service_->setPreviewWanted([this] { return isMaximized(); });
    connect(service_.get(), &PrintService::listenFailed, this, &fKestrova::reportListenFailure,
            Qt::DirectConnection);
    connect(service_.get(), &PrintService::listenRetryFailed, this, &fKestrova::showListenFailure,
            Qt::DirectConnection);
    connect(service_.get(), &PrintService::settingsShown, this, &fKestrova::showSettings, Qt::DirectConnection);

    Log = new DicomLogView(service_->log(), centralWidget());
    Log->setObjectName(QStringLiteral("Log"));
    Log->setGeometry(8, 192, 433, 513);
    Log->setFont(fieldFont());

    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    Form_Load();
}

fKestrova::~fKestrova() = default;

void fKestrova::createControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);
    lblName = addLabel(client, "lblName", "AET Name:", {8, 21, 70, 16});
    txtAETName = addReadOnlyField(client, "txtAETName", {96, 16, 345, 27});
    lblPort = addLabel(client, "lblPort", "IP-Port:", {8, 51, 43, 16});
    txtPort = addReadOnlyField(client, "txtPort", {96, 48, 57, 27});
    lblEmulation = addLabel(client, "lblEmulation", "Emulation:", {8, 81, 62, 16});
    txtEmulation = addReadOnlyField(client, "txtEmulation", {96, 78, 345, 27});
    lblPrinter = addLabel(client, "lblPrinter", "Printer:", {9, 117, 41, 16});
    txtPrinter = addReadOnlyField(client, "txtPrinter", {96, 111, 345, 27});

    cmdLog = new QPushButton(QStringLiteral("Save DicomLog ..."), client);
    cmdLog->setObjectName(QStringLiteral("cmdLog"));
    cmdLog->setGeometry(9, 159, 121, 25);
    cmdLog->setFont(fieldFont());
    connect(cmdLog, &QPushButton::clicked, this, &fKestrova::cmdLog_Click);

    // Made after txtAETName so that it lies on top of the field it sits in.
    lblLog = addLabel(client, "lblLog", "", {232, 16, 209, 17});
    lblLog->setAutoFillBackground(true);

    pBox = new PreviewBox(client);
    pBox->setObjectName(QStringLiteral("pBox"));
    pBox->setGeometry(456, 8, 401, 473);
}

void fKestrova::createMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileClose = mnuFile->addAction(QStringLiteral("Minimize"), this, &fKestrova::mnuFileClose_Click);
    mnuFileClose->setObjectName(QStringLiteral("mnuFileClose"));
    mnuFileExit = mnuFile->addAction(QStringLiteral("E&xit"), this, &fKestrova::mnuFileExit_Click);
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));

    mnuView = menuBar()->addMenu(QStringLiteral("View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuViewOptions = mnuView->addAction(QStringLiteral("Options..."), this, &fKestrova::mnuViewOptions_Click);
    mnuViewOptions->setObjectName(QStringLiteral("mnuViewOptions"));

    // Never on the menu bar: the tray icon's context menu.
    mnuPop = new QMenu(QStringLiteral("PopupMenu"), this);
    mnuPop->setObjectName(QStringLiteral("mnuPop"));
    mnuPopOpen = mnuPop->addAction(QStringLiteral("Open"), this, &fKestrova::Open);
    mnuPopOpen->setObjectName(QStringLiteral("mnuPopOpen"));
    mnuPopHide = mnuPop->addAction(QStringLiteral("Minimize"), this, &fKestrova::mnuPopHide_Click);
    mnuPopHide->setObjectName(QStringLiteral("mnuPopHide"));
    mnuPopTrenn = mnuPop->addSeparator();
    mnuPopTrenn->setObjectName(QStringLiteral("mnuPopTrenn"));
    mnuPopExit = mnuPop->addAction(QStringLiteral("Exit"), this, &fKestrova::mnuPopExit_Click);
    mnuPopExit->setObjectName(QStringLiteral("mnuPopExit"));
}

void fKestrova::Form_Load()
{
    runSteps("Form_Load", {
        [&] { showListeningState(); },
        [] { fileSystem().ensureFolder(programPath("debug")); },
        [&] { service_->restart(); },
        [&] { setUpTray(); },
    });
}

void fKestrova::setUpTray()
{
    Tray = new QSystemTrayIcon(windowIcon(), this);
    Tray->setObjectName(QStringLiteral("Tray"));
    showListeningState();
    Tray->setContextMenu(mnuPop);
    connect(Tray, &QSystemTrayIcon::activated, this, &fKestrova::Tray_Activated);
}

fPref& fKestrova::preferences()
{
    if (!pref_)
        pref_ = std::make_unique<fPref>(service_->log(), printer_, this);
    return *pref_;
}

void fKestrova::setTrayAvailability(std::function<bool()> available) { trayAvailable_ = std::move(available); }

void fKestrova::showSettings(const Settings& settings, const QString& logLevelText)
{
    txtEmulation->setText(toQString(settings.Emulation));
    txtAETName->setText(toQString(settings.AETName));
    txtPort->setText(QString::number(settings.Port));
    txtPrinter->setText(toQString(settings.Printer));
    lblLog->setText(logLevelText);
    showListeningState();
}

// Nothing else tells the user that requesters are being turned away.
void fKestrova::showListeningState()
{
    const std::string state = service_->isListening() ? "" : " - not listening";
    setWindowTitle(toQString(ProductName + " " + VersionText() + state));
    if (Tray)
        Tray->setToolTip(toQString(ProductName + state));
}

// The service start goes on only after the user has seen the failure and had the chance
// to change the settings.
void fKestrova::reportListenFailure(int port)
{
    showListenFailure(port);
    show();
    runPreferences();
}

void fKestrova::showListenFailure(int port)
{
    userDialogs().showMessage(QStringLiteral("Unable to listen on port %1").arg(port), toQString(ProductName),
                              QMessageBox::Critical);
}

void fKestrova::runPreferences()
{
    preferences().showModal();
    // The dialog's OK clears the DICOM log.
    Log->sync();
}

void fKestrova::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyResizeRule();
}

void fKestrova::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        applyResizeRule();
}

void fKestrova::applyResizeRule()
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
        [&] { setControlHeight(*Log, height - static_cast<float>(Log->y()) - BottomMargin); },
        [&] { setControlWidth(*pBox, width - static_cast<float>(pBox->x()) - RightMargin); },
        [&] { setControlHeight(*pBox, height - static_cast<float>(pBox->y()) - BottomMargin); },
    });
}

// Without a notification area the minimized window stays on the taskbar, where the user
// can still reach it.
void fKestrova::hideIntoTray()
{
    if (!Tray || !trayAvailable_())
        return;
    Tray->show();
    hide();
}

void fKestrova::Open()
{
    setWindowState(Qt::WindowNoState);
    if (Tray)
        Tray->hide();
    show();
    setWindowState(Qt::WindowMaximized);
    raise();
    activateWindow();
}

void fKestrova::Tray_Activated(QSystemTrayIcon::ActivationReason reason)
{
    // The context menu pops up by itself on a right click; a single click does nothing.
    if (reason == QSystemTrayIcon::DoubleClick)
        Open();
}

void fKestrova::cmdLog_Click()
{
    saveDicomLog(service_->log());
    Log->sync();
}

void fKestrova::mnuFileClose_Click() { setWindowState(windowState() | Qt::WindowMinimized); }

void fKestrova::mnuPopHide_Click()
{
    if (!trayAvailable_()) {
        showMinimized();
        return;
    }
    hide();
    setWindowState(windowState() | Qt::WindowMinimized);
}

void fKestrova::mnuViewOptions_Click()
{
    trapAndLog("fKestrova mnuViewOptions_Click", [&] {
        service_->stopListening();
        runPreferences();
        service_->restart();
    });
}

void fKestrova::mnuFileExit_Click() { endProgram(); }

void fKestrova::mnuPopExit_Click()
{
    ignoreErrors({[&] { service_->stopListening(); }});
    endProgram();
}

void fKestrova::endProgram()
{
    ignoreErrors({
        [&] {
            if (pref_)
                pref_->close();
        },
        [&] { close(); },
    });
    QCoreApplication::quit();
}

// Closing the window ends the program; the listener goes with the service.
void fKestrova::closeEvent(QCloseEvent* event)
{
    if (Tray)
        Tray->hide();
    event->accept();
    QCoreApplication::quit();
}

} // namespace kestrova
