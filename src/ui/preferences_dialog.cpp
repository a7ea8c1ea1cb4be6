#include "ui/preferences_dialog.h"

#include "core/errors.h"
#include "core/configuration.h"
#include "core/rounding.h"
#include "core/settings_files.h"
#include "core/steps.h"
#include "core/text_file.h"
#include "printing/printer_catalogue.h"
#include "network/dicom_log.h"
#include "ui/local_text.h"
#include "ui/numeric_text.h"
#include "ui/user_dialogs.h"
#include "ui/virtual_printers_table.h"
#include "ui/widget_style.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include <optional>
#include <string>

namespace kestrova {
namespace {

constexpr int OpeningLogLevel = LogCategory::Everything;

template <typename Control>
Control* addControl(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* control = new Control(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left, top, width, height);
    return control;
}

QLabel* addLabel(QWidget* parent, const char* name, const char* caption, int left, int top, int width, int height)
{
    auto* label = addControl<QLabel>(parent, name, left, top, width, height);
    label->setText(QString::fromLatin1(caption));
    return label;
}

QPushButton* addButton(QWidget* parent, const char* name, const char* caption, int left, int top, int width, int height)
{
    auto* button = addControl<QPushButton>(parent, name, left, top, width, height);
    button->setText(QString::fromLatin1(caption));
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QString joinLines(const std::optional<HeaderLines>& lines)
{
    QStringList joined;
    if (lines)
        for (const std::string& line : *lines)
            joined << toQString(line);
    return joined.join(QLatin1Char('\n'));
}

// The text view holds lines; the caption files hold them with CR LF.
std::string captionFileText(const QPlainTextEdit& field)
{
    return convertLineEnds(toLocalString(field.toPlainText()), "\r\n");
}

} // namespace

PreferencesDialog::PreferencesDialog(Configuration& configuration, DicomLog& log, const PrinterCatalogue& printers,
                                     QWidget* parent)
    : QDialog(parent), configuration_(configuration), log_(log), catalogue_(printers)
{
    setObjectName(QStringLiteral("fPref"));
    setWindowTitle(QStringLiteral("Kestrova Preferences"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(392, 717);
    setFont(fieldFont());
    createControls();
    for (QLineEdit* field : {aeTitle_, port_, emulation_})
        connect(field, &QLineEdit::textChanged, this, &PreferencesDialog::updateOkEnabled);
    connect(virtualPrinters_, &VirtualPrintersTable::changed, this, &PreferencesDialog::updateOkEnabled);
}

// Created in tab order.
void PreferencesDialog::createControls()
{
    addLabel(this, "Label1", "AET Name:", 8, 15, 65, 16);
    aeTitle_ = addControl<QLineEdit>(this, "AETName", 123, 12, 257, 24);
    addLabel(this, "Label2", "IP-Port:", 8, 48, 44, 16);
    port_ = addControl<QLineEdit>(this, "Port", 123, 45, 73, 24);
    addLabel(this, "Label3", "Printer Emulation:", 8, 81, 103, 16);
    emulation_ = addControl<QLineEdit>(this, "Emulation", 123, 78, 257, 24);
    addLabel(this, "Label4", "Printer:", 8, 111, 43, 16);
    printers_ = addControl<QComboBox>(this, "Prntr", 123, 111, 257, 24);
    printWithLut_ = addControl<QCheckBox>(this, "chkPrintLut", 8, 147, 372, 17);
    printWithLut_->setText(QStringLiteral("Print image with LUT"));
    addLabel(this, "Label6", "Caption Font Name:", 8, 180, 114, 16);
    font_ = addControl<QLineEdit>(this, "txtFont", 126, 177, 193, 24);
    font_->setReadOnly(true);
    setBackground(*font_, grayTextColour());
    connect(addButton(this, "cmdFont", "Font...", 324, 177, 57, 24), &QPushButton::clicked, this,
            &PreferencesDialog::chooseFont);
    addLabel(this, "Label5", "Caption Left:", 8, 222, 73, 16);
    captionLeft_ = addControl<QPlainTextEdit>(this, "HeaderLeft", 123, 216, 257, 81);
    addLabel(this, "Label8", "Caption Right:", 8, 318, 81, 16);
    captionRight_ = addControl<QPlainTextEdit>(this, "HeaderRight", 123, 309, 257, 81);
    addLabel(this, "Label7", "Caption Logo:", 8, 408, 79, 16);
    logoPath_ = addControl<QLineEdit>(this, "txtImagePath", 123, 402, 193, 24);
    connect(addButton(this, "cmdOpen", "...", 324, 402, 57, 24), &QPushButton::clicked, this,
            &PreferencesDialog::chooseLogoFile);
    createAccessControls();
    addLabel(this, "Label11", "Virtual printers, chosen by the called AE title:", 8, 531, 372, 16);
    virtualPrinters_ = addControl<VirtualPrintersTable>(this, "virtualPrinters", 8, 550, 372, 126);
    ok_ = addButton(this, "cmdOK", "OK", 192, 684, 89, 25);
    connect(ok_, &QPushButton::clicked, this, &PreferencesDialog::applyAndClose);
    connect(addButton(this, "cmdCancel", "Cancel", 291, 684, 89, 25), &QPushButton::clicked, this,
            &PreferencesDialog::reject);
    // Multi-line fields would otherwise swallow Tab, and the tab order runs down the dialog.
    captionLeft_->setTabChangesFocus(true);
    captionRight_->setTabChangesFocus(true);
}

// Who may print, below the captions: empty lists let everyone.
void PreferencesDialog::createAccessControls()
{
    addLabel(this, "Label9", "Allowed AETs:", 8, 441, 110, 16);
    callingAeTitles_ = addControl<QLineEdit>(this, "txtCallingAETitles", 123, 438, 257, 24);
    callingAeTitles_->setPlaceholderText(QStringLiteral("every calling AE title; CT1\\VIEWER for two"));
    addLabel(this, "Label10", "Allowed Hosts:", 8, 474, 110, 16);
    hosts_ = addControl<QLineEdit>(this, "txtHosts", 123, 471, 257, 24);
    hosts_->setPlaceholderText(QStringLiteral("every host; e.g. 10.1.0.0/16, 192.168.1.7"));
    checkCalledAeTitle_ = addControl<QCheckBox>(this, "chkCheckCalledAET", 8, 504, 372, 17);
    checkCalledAeTitle_->setText(QStringLiteral("Accept only associations that call the AET Name"));
}

void PreferencesDialog::showModal()
{
    const QRect screenArea = screen()->availableGeometry();
    move(screenArea.center() - rect().center());
    exec();
}

void PreferencesDialog::showEvent(QShowEvent* event)
{
    // A window coming back from the taskbar is no new showing.
    if (!event->spontaneous())
        showCurrentSettings();
    QDialog::showEvent(event);
}

void PreferencesDialog::showCurrentSettings()
{
    // Every showing starts from the design state, as a freshly loaded form would.
    for (QLineEdit* field : {aeTitle_, port_, font_, logoPath_, callingAeTitles_, hosts_})
        field->clear();
    emulation_->setText(QStringLiteral("KODAK"));
    captionLeft_->clear();
    captionRight_->clear();
    printers_->clear();
    ok_->setEnabled(false);

    trapAndLog("fPref Form_Load", [&] {
        showFontSetting();
        captionLeft_->setPlainText(joinLines(configuration_.headerLeft));
        captionRight_->setPlainText(joinLines(configuration_.headerRight));
        printWithLut_->setChecked(settings().LUT != 0);
        log_.setLevel(OpeningLogLevel);
        logoPath_->setText(toQString(settings().ImagePath));
        emulation_->setText(toQString(settings().Emulation));
        port_->setText(settings().Port == 0 ? QString() : QString::number(settings().Port));
        aeTitle_->setText(toQString(settings().AETName));
        showAccessSettings();
        virtualPrinters_->showPrinters(configuration_.virtualPrinters, catalogue_.printerNames());
        fillPrinterList();
    });
}

void PreferencesDialog::showAccessSettings()
{
    const AccessSettings& access = configuration_.access;
    callingAeTitles_->setText(toQString(access.CallingAETitles));
    hosts_->setText(toQString(access.Hosts));
    checkCalledAeTitle_->setChecked(access.CheckCalledAETitle != 0);
}

void PreferencesDialog::fillPrinterList()
{
    for (const std::string& name : catalogue_.printerNames())
        printers_->addItem(toQString(name));
    // Filling the list selects nothing by itself.
    printers_->setCurrentIndex(-1);
    if (settings().Printer.empty())
        return;
    const int index = printers_->findText(toQString(settings().Printer), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        kestrova::raise(ErrorCode::InvalidArgument, "Printer not installed: " + settings().Printer);
    printers_->setCurrentIndex(index);
}

void PreferencesDialog::showFontSetting()
{
    font_->setText(toQString(settings().Fontname) + QStringLiteral(", ") + QString::number(settings().Fontsize));
}

void PreferencesDialog::updateOkEnabled()
{
    ok_->setEnabled(!aeTitle_->text().isEmpty() && !emulation_->text().isEmpty()
                    && isNumericText(toLocalString(port_->text())) && virtualPrinters_->isValid(aeTitle_->text()));
}

void PreferencesDialog::chooseFont()
{
    trapAndLog("fPref cmdFont_Click", [&] {
        QFont current(toQString(settings().Fontname));
        if (settings().Fontsize > 0)
            current.setPointSize(settings().Fontsize);
        current.setBold(fontBold_);
        current.setItalic(fontItalic_);
        const std::optional<QFont> chosen = userDialogs().chooseFont(current);
        if (!chosen)
            return;
        settings().Fontname = toLocalString(chosen->family());
        settings().Fontsize = roundHalfEven<std::int32_t>(chosen->pointSizeF());
        fontBold_ = chosen->bold();
        fontItalic_ = chosen->italic();
        showFontSetting();
    });
}

void PreferencesDialog::chooseLogoFile()
{
    ignoreErrors({[&] {
        const std::optional<QString> file = userDialogs().chooseOpenFile(QStringLiteral("All Files (*.*)"));
        if (file && !file->isEmpty())
            logoPath_->setText(*file);
    }});
}

void PreferencesDialog::applyAndClose()
{
    try {
        storeSettings();
    } catch (...) {
        // Values stored before the failing one stay in effect; nothing is written.
        userDialogs().showMessage(toQString(currentErrorInfo().description), toQString(ProductName),
                                  QMessageBox::NoIcon);
        return;
    }
    ignoreErrors({
        [&] { WriteHeaderFile(leftHeaderPath(), captionFileText(*captionLeft_)); },
        [&] { WriteHeaderFile(rightHeaderPath(), captionFileText(*captionRight_)); },
        [&] { ReadHeader(configuration_); },
        [&] { accept(); },
    });
}

void PreferencesDialog::storeSettings()
{
    settings().Emulation = toLocalString(emulation_->text());
    settings().Port = int32FromNumericText(toLocalString(port_->text()));
    settings().AETName = toLocalString(aeTitle_->text());
    settings().Printer = printers_->currentIndex() < 0 ? std::string() : toLocalString(printers_->currentText());
    settings().ImagePath = toLocalString(logoPath_->text());
    // A value the box cannot show (LUT=2 written by hand) stays unless the user changed the box.
    if (printWithLut_->isChecked() != (settings().LUT != 0))
        settings().LUT = printWithLut_->isChecked() ? 1 : 0;
    storeAccessSettings();
    configuration_.virtualPrinters = virtualPrinters_->printers();
    WriteSettings(settings());
    WriteAccess(configuration_.access);
    WriteVirtualPrinters(configuration_.virtualPrinters);
    log_.clear();
}

void PreferencesDialog::storeAccessSettings()
{
    AccessSettings& access = configuration_.access;
    access.CallingAETitles = toLocalString(callingAeTitles_->text());
    access.Hosts = toLocalString(hosts_->text());
    access.CheckCalledAETitle = checkCalledAeTitle_->isChecked() ? 1 : 0;
}

void PreferencesDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kestrova
