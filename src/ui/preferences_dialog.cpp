#include "ui/preferences_dialog.h"

#include "core/errors.h"
#include "core/global_settings.h"
#include "core/rounding.h"
#include "core/settings_files.h"
#include "core/steps.h"
#include "printing/printer_device.h"
#include "toolkit/dicom_log.h"
#include "ui/local_text.h"
#include "ui/numeric_text.h"
#include "ui/user_dialogs.h"
#include "ui/widget_style.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <optional>
#include <string>

namespace kestrova {
namespace {

constexpr int OpeningLogLevel = 63;

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
    return toLocalString(field.toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n")));
}

} // namespace

fPref::fPref(DicomLog& log, const PrinterDevice& printer, QWidget* parent)
    : QDialog(parent), log_(log), printer_(printer)
{
    setObjectName(QStringLiteral("fPref"));
    setWindowTitle(QStringLiteral("Kestrova Preferences"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(392, 471);
    setFont(fieldFont());
    createControls();

    for (QLineEdit* field : {AETName, Port, Emulation})
        connect(field, &QLineEdit::textChanged, this, &fPref::updateOkEnabled);
    connect(cmdFont, &QPushButton::clicked, this, &fPref::cmdFont_Click);
    connect(cmdOpen, &QPushButton::clicked, this, &fPref::cmdOpen_Click);
    connect(cmdOK, &QPushButton::clicked, this, &fPref::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &fPref::cmdCancel_Click);
}

// Created in tab order.
void fPref::createControls()
{
    Label1 = addLabel(this, "Label1", "AET Name:", 8, 15, 65, 16);
    AETName = addControl<QLineEdit>(this, "AETName", 123, 12, 257, 24);
    Label2 = addLabel(this, "Label2", "IP-Port:", 8, 48, 44, 16);
    Port = addControl<QLineEdit>(this, "Port", 123, 45, 73, 24);
    Label3 = addLabel(this, "Label3", "Printer Emulation:", 8, 81, 103, 16);
    Emulation = addControl<QLineEdit>(this, "Emulation", 123, 78, 257, 24);
    Label4 = addLabel(this, "Label4", "Printer:", 8, 111, 43, 16);
    Prntr = addControl<QComboBox>(this, "Prntr", 123, 111, 257, 24);
    chkPrintLut = addControl<QCheckBox>(this, "chkPrintLut", 8, 147, 372, 17);
    chkPrintLut->setText(QStringLiteral("Print image with LUT"));
    Label6 = addLabel(this, "Label6", "Caption Font Name:", 8, 180, 114, 16);
    txtFont = addControl<QLineEdit>(this, "txtFont", 126, 177, 193, 24);
    txtFont->setReadOnly(true);
    setBackground(*txtFont, grayTextColour());
    cmdFont = addButton(this, "cmdFont", "Font...", 324, 177, 57, 24);
    Label5 = addLabel(this, "Label5", "Caption Left:", 8, 222, 73, 16);
    HeaderLeft = addControl<QPlainTextEdit>(this, "HeaderLeft", 123, 216, 257, 81);
    Label8 = addLabel(this, "Label8", "Caption Right:", 8, 318, 81, 16);
    HeaderRight = addControl<QPlainTextEdit>(this, "HeaderRight", 123, 309, 257, 81);
    Label7 = addLabel(this, "Label7", "Caption Logo:", 8, 408, 79, 16);
    txtImagePath = addControl<QLineEdit>(this, "txtImagePath", 123, 402, 193, 24);
    cmdOpen = addButton(this, "cmdOpen", "...", 324, 402, 57, 24);
    cmdOK = addButton(this, "cmdOK", "OK", 192, 438, 89, 25);
    cmdCancel = addButton(this, "cmdCancel", "Cancel", 291, 438, 89, 25);
    // Multi-line fields would otherwise swallow Tab, and the tab order runs down the dialog.
    HeaderLeft->setTabChangesFocus(true);
    HeaderRight->setTabChangesFocus(true);
}

void fPref::showModal()
{
    Form_Load();
    const QRect screenArea = screen()->availableGeometry();
    move(screenArea.center() - rect().center());
    exec();
}

void fPref::Form_Load()
{
    // Every showing starts from the design state, as a freshly loaded form would.
    for (QLineEdit* field : {AETName, Port, txtFont, txtImagePath})
        field->clear();
    Emulation->setText(QStringLiteral("KODAK"));
    HeaderLeft->clear();
    HeaderRight->clear();
    Prntr->clear();
    cmdOK->setEnabled(false);

    trapAndLog("fPref Form_Load", [&] {
        showFontSetting();
        HeaderLeft->setPlainText(joinLines(HeaderLeftLines));
        HeaderRight->setPlainText(joinLines(HeaderRightLines));
        chkPrintLut->setChecked(GlobalSettings.LUT != 0);
        log_.setLevel(OpeningLogLevel);
        txtImagePath->setText(toQString(GlobalSettings.ImagePath));
        Emulation->setText(toQString(GlobalSettings.Emulation));
        Port->setText(GlobalSettings.Port == 0 ? QString() : QString::number(GlobalSettings.Port));
        AETName->setText(toQString(GlobalSettings.AETName));
        fillPrinterList();
    });
}

void fPref::fillPrinterList()
{
    for (const std::string& name : printer_.printerNames())
        Prntr->addItem(toQString(name));
    // Filling the list selects nothing by itself.
    Prntr->setCurrentIndex(-1);
    if (GlobalSettings.Printer.empty())
        return;
    const int index = Prntr->findText(toQString(GlobalSettings.Printer), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        kestrova::raise(ErrorCode::InvalidArgument, "Printer not installed: " + GlobalSettings.Printer);
    Prntr->setCurrentIndex(index);
}

void fPref::showFontSetting()
{
    txtFont->setText(toQString(GlobalSettings.Fontname) + QStringLiteral(", ")
                     + QString::number(GlobalSettings.Fontsize));
}

void fPref::updateOkEnabled()
{
    cmdOK->setEnabled(!AETName->text().isEmpty() && !Emulation->text().isEmpty()
                      && isNumericText(toLocalString(Port->text())));
}

void fPref::cmdFont_Click()
{
    trapAndLog("fPref cmdFont_Click", [&] {
        QFont current(toQString(GlobalSettings.Fontname));
        if (GlobalSettings.Fontsize > 0)
            current.setPointSize(GlobalSettings.Fontsize);
        current.setBold(fontBold_);
        current.setItalic(fontItalic_);
        const std::optional<QFont> chosen = userDialogs().chooseFont(current);
        if (!chosen)
            return;
        GlobalSettings.Fontname = toLocalString(chosen->family());
        GlobalSettings.Fontsize = roundHalfEven<std::int32_t>(chosen->pointSizeF());
        fontBold_ = chosen->bold();
        fontItalic_ = chosen->italic();
        showFontSetting();
    });
}

void fPref::cmdOpen_Click()
{
    ignoreErrors({[&] {
        const std::optional<QString> file = userDialogs().chooseOpenFile(QStringLiteral("All Files (*.*)"));
        if (file && !file->isEmpty())
            txtImagePath->setText(*file);
    }});
}

void fPref::cmdOK_Click()
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
        [&] { WriteHeaderFile(leftHeaderPath(), captionFileText(*HeaderLeft)); },
        [&] { WriteHeaderFile(rightHeaderPath(), captionFileText(*HeaderRight)); },
        [] { ReadHeader(); },
        [&] { accept(); },
    });
}

void fPref::storeSettings()
{
    GlobalSettings.Emulation = toLocalString(Emulation->text());
    GlobalSettings.Port = int32FromNumericText(toLocalString(Port->text()));
    GlobalSettings.AETName = toLocalString(AETName->text());
    GlobalSettings.Printer = Prntr->currentIndex() < 0 ? std::string() : toLocalString(Prntr->currentText());
    GlobalSettings.ImagePath = toLocalString(txtImagePath->text());
    // A value the box cannot show (LUT=2 written by hand) stays unless the user changed the box.
    if (chkPrintLut->isChecked() != (GlobalSettings.LUT != 0))
        GlobalSettings.LUT = chkPrintLut->isChecked() ? 1 : 0;
    WriteSettings();
    log_.clear();
}

void fPref::cmdCancel_Click() { reject(); }

void fPref::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kestrova
