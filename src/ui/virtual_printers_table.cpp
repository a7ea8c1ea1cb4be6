#include "ui/virtual_printers_table.h"

#include "ui/local_text.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kestrova {
namespace {

enum Column { AeTitleColumn, PrinterColumn, EmulationColumn, LutColumn, ColumnCount };

// A LUT value the box cannot show (2 written by hand) is kept unless the box is changed.
constexpr int KeptLutRole = Qt::UserRole;

QPushButton* addButton(QLayout& row, QWidget* parent, const char* name, const char* caption)
{
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    row.addWidget(button);
    return button;
}

QString cellText(const QTableWidget& table, int row, int column)
{
    const QTableWidgetItem* item = table.item(row, column);
    return item ? item->text() : QString();
}

} // namespace

VirtualPrintersTable::VirtualPrintersTable(QWidget* parent) : QWidget(parent)
{
    table_ = new QTableWidget(0, ColumnCount, this);
    table_->setObjectName(QStringLiteral("tblPrinters"));
    table_->setHorizontalHeaderLabels({QStringLiteral("AE title"), QStringLiteral("Printer"), QStringLiteral("Emulation"),
                                       QStringLiteral("LUT")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(PrinterColumn, QHeaderView::Stretch);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(table_, &QTableWidget::itemChanged, this, &VirtualPrintersTable::changed);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    connect(addButton(*buttons, this, "cmdAddPrinter", "Add"), &QPushButton::clicked, this, &VirtualPrintersTable::addPrinter);
    connect(addButton(*buttons, this, "cmdRemovePrinter", "Remove"), &QPushButton::clicked, this,
            &VirtualPrintersTable::removePrinter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    layout->addLayout(buttons);
}

void VirtualPrintersTable::showPrinters(const std::vector<VirtualPrinter>& printers,
                                        const std::vector<std::string>& printerNames)
{
    printerNames_ = printerNames;
    table_->setRowCount(0);
    for (const VirtualPrinter& printer : printers)
        addRow(printer);
    emit changed();
}

void VirtualPrintersTable::addRow(const VirtualPrinter& printer)
{
    const QSignalBlocker quiet(table_);
    const int row = table_->rowCount();
    table_->insertRow(row);
    table_->setItem(row, AeTitleColumn, new QTableWidgetItem(toQString(printer.AETitle)));
    table_->setItem(row, EmulationColumn, new QTableWidgetItem(toQString(printer.Emulation)));
    auto* lut = new QTableWidgetItem;
    lut->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    lut->setCheckState(printer.LUT != 0 ? Qt::Checked : Qt::Unchecked);
    lut->setData(KeptLutRole, int{printer.LUT});
    table_->setItem(row, LutColumn, lut);

    auto* choice = new QComboBox;
    choice->setObjectName(QStringLiteral("cboPrinter"));
    for (const std::string& name : printerNames_)
        choice->addItem(toQString(name));
    // A printer no longer installed stays what the row prints on until the user chooses another.
    if (!printer.Printer.empty() && choice->findText(toQString(printer.Printer)) < 0)
        choice->addItem(toQString(printer.Printer));
    choice->setCurrentIndex(printer.Printer.empty() ? -1 : choice->findText(toQString(printer.Printer)));
    connect(choice, &QComboBox::currentIndexChanged, this, &VirtualPrintersTable::changed);
    table_->setCellWidget(row, PrinterColumn, choice);
}

void VirtualPrintersTable::addPrinter()
{
    if (static_cast<std::size_t>(table_->rowCount()) >= MaxVirtualPrinters)
        return;
    VirtualPrinter printer;
    printer.Printer = printerNames_.empty() ? std::string() : printerNames_.front();
    addRow(printer);
    table_->setCurrentCell(table_->rowCount() - 1, AeTitleColumn);
    emit changed();
}

void VirtualPrintersTable::removePrinter()
{
    const int row = table_->currentRow();
    if (row < 0)
        return;
    table_->removeRow(row);
    emit changed();
}

std::vector<VirtualPrinter> VirtualPrintersTable::printers() const
{
    std::vector<VirtualPrinter> printers;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const auto* choice = qobject_cast<const QComboBox*>(table_->cellWidget(row, PrinterColumn));
        const QTableWidgetItem* lut = table_->item(row, LutColumn);
        const auto kept = static_cast<std::int16_t>(lut->data(KeptLutRole).toInt());
        const bool checked = lut->checkState() == Qt::Checked;
        const std::int16_t shown = checked ? 1 : 0;
        printers.push_back({toLocalString(cellText(*table_, row, AeTitleColumn)),
                            choice->currentIndex() < 0 ? std::string() : toLocalString(choice->currentText()),
                            toLocalString(cellText(*table_, row, EmulationColumn)),
                            checked == (kept != 0) ? kept : shown});
    }
    return printers;
}

bool VirtualPrintersTable::isValid(const QString& ownAeTitle) const
{
    QSet<QString> titles{ownAeTitle.trimmed()};
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QString title = cellText(*table_, row, AeTitleColumn).trimmed();
        if (title.isEmpty() || title.size() > static_cast<qsizetype>(MaxAeTitleLength) || titles.contains(title)
            || cellText(*table_, row, EmulationColumn).isEmpty())
            return false;
        titles.insert(title);
    }
    return true;
}

} // namespace kestrova
