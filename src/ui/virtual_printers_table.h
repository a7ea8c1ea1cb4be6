#pragma once
// The preferences dialog's table of virtual printers: one row each, with its AE title, the printer
// it prints on (chosen from the installed ones), its emulation and whether it prints through the
// LUT; Add and Remove below it. Its controls carry object names for tests: "tblPrinters",
// "cmdAddPrinter", "cmdRemovePrinter"; the printer of row r is the combo box "cboPrinter" in
// column 1.

#include "core/configuration.h"

#include <QWidget>

#include <string>
#include <vector>

class QTableWidget;

namespace kestrova {

class VirtualPrintersTable : public QWidget {
    Q_OBJECT
public:
    explicit VirtualPrintersTable(QWidget* parent = nullptr);

    // Fills the table afresh; printerNames are the installed printers to choose from.
    void showPrinters(const std::vector<VirtualPrinter>& printers, const std::vector<std::string>& printerNames);
    // The rows as they stand, in order.
    std::vector<VirtualPrinter> printers() const;
    // Every row has an AE title of 1 to 16 characters that no other row, nor the server's own AE
    // title, has, and an emulation.
    bool isValid(const QString& ownAeTitle) const;

signals:
    void changed();

private:
    void addRow(const VirtualPrinter& printer);
    void addPrinter();
    void removePrinter();

    QTableWidget* table_ = nullptr;
    std::vector<std::string> printerNames_;
};

} // namespace kestrova
