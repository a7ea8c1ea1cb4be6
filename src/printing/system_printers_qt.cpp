#include "printing/system_printers.h"

#include "printing/system_printer.h"

#include <QPrinterInfo>

namespace kestrova {

// Qt asks its printers afresh for each job: nothing is kept.
class QueueDescriptions {};

namespace {

std::string fromQt(const QString& text) { return text.toLocal8Bit().toStdString(); }

} // namespace

std::vector<std::string> systemPrinterNames()
{
    std::vector<std::string> names;
    for (const auto& info : QPrinterInfo::availablePrinters())
        names.push_back(fromQt(info.printerName()));
    return names;
}

std::string systemDefaultPrinter()
{
    const QPrinterInfo system = QPrinterInfo::defaultPrinter();
    return system.isNull() ? std::string() : fromQt(system.printerName());
}

std::shared_ptr<QueueDescriptions> keptQueueDescriptions() { return std::make_shared<QueueDescriptions>(); }

std::unique_ptr<PrinterDevice> openSystemPrinter(const std::string& name, const std::shared_ptr<QueueDescriptions>&)
{
    return std::make_unique<SystemPrinter>(name);
}

} // namespace kestrova
