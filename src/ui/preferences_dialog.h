#pragma once
// fPref: the preferences dialog, the one place where the user changes the configuration.
// One instance lives as long as the program; each showing starts again from
// GlobalSettings and the caption lines.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kestrova {

class DicomLog;
class PrinterDevice;

class fPref : public QDialog {
    Q_OBJECT
public:
    fPref(DicomLog& log, const PrinterDevice& printer, QWidget* parent = nullptr);

    // Fills the dialog and shows it modally, centred on the screen; returns when it closed.
    void showModal();

    // Event handlers, public so tests can drive the dialog as a user would.
    void Form_Load();
    void cmdFont_Click();
    void cmdOpen_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* Label1;
    QLineEdit* AETName;
    QLabel* Label2;
    QLineEdit* Port;
    QLabel* Label3;
    QLineEdit* Emulation;
    QLabel* Label4;
    QComboBox* Prntr;
    QCheckBox* chkPrintLut;
    QLabel* Label6;
    QLineEdit* txtFont;
    QPushButton* cmdFont;
    QLabel* Label5;
    QPlainTextEdit* HeaderLeft;
    QLabel* Label8;
    QPlainTextEdit* HeaderRight;
    QLabel* Label7;
    QLineEdit* txtImagePath;
    QPushButton* cmdOpen;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

protected:
    // Neither Enter nor Escape answers the dialog; only its buttons and the close box do.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void updateOkEnabled();
    void showFontSetting();
    void storeSettings();
    void fillPrinterList();

    DicomLog& log_;
    const PrinterDevice& printer_;
    // The font dialog's style choices: they preset it next time and are never saved.
    bool fontBold_ = false;
    bool fontItalic_ = false;
};

} // namespace kestrova
