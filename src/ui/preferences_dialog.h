#pragma once
// The preferences dialog, the one place where the user changes the program's configuration
// (but for the [Limits] and [TLS] sections of Kestrova.ini, which only an administrator edits).
// One instance lives as long as the program; each showing starts again from the
// configuration. Its controls are its own: tests reach them by object name.

#include "core/configuration.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kestrova {

class DicomLog;
class PrinterCatalogue;
class VirtualPrintersTable;

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    PreferencesDialog(Configuration& configuration, DicomLog& log, const PrinterCatalogue& printers,
                      QWidget* parent = nullptr);

    // Shows the dialog modally, centred on the screen; returns when it closed.
    void showModal();

protected:
    // Every showing fills the controls afresh.
    void showEvent(QShowEvent* event) override;
    // Neither Enter nor Escape answers the dialog; only its buttons and the close box do.
    void keyPressEvent(QKeyEvent* event) override;

private:
    Settings& settings() { return configuration_.settings; }
    void createControls();
    void showCurrentSettings();
    void updateOkEnabled();
    void showFontSetting();
    void fillPrinterList();
    void createAccessControls();
    void showAccessSettings();
    void storeSettings();
    void storeAccessSettings();

    // What the user does.
    void chooseFont();
    void chooseLogoFile();
    void applyAndClose();

    Configuration& configuration_;
    DicomLog& log_;
    const PrinterCatalogue& catalogue_;
    QLineEdit* aeTitle_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* emulation_ = nullptr;
    QComboBox* printers_ = nullptr;
    QCheckBox* printWithLut_ = nullptr;
    QLineEdit* font_ = nullptr;
    QPlainTextEdit* captionLeft_ = nullptr;
    QPlainTextEdit* captionRight_ = nullptr;
    QLineEdit* logoPath_ = nullptr;
    QLineEdit* callingAeTitles_ = nullptr;
    QLineEdit* hosts_ = nullptr;
    QCheckBox* checkCalledAeTitle_ = nullptr;
    VirtualPrintersTable* virtualPrinters_ = nullptr;
    QPushButton* ok_ = nullptr;
    // The font dialog's style choices: they preset it next time and are never saved.
    bool fontBold_ = false;
    bool fontItalic_ = false;
};

} // namespace kestrova
