#pragma once
// What both printers do with a QPrinter: name the document, measure for a page, and put a
// page drawn in full on it.
//
// Threads: a QPrinter and its page are used on one thread.

#include "printing/page_content.h"
#include "printing/printer_device.h"

#include <QPageLayout>

#include <string>

class QPrinter;

namespace kestrova {

QPageLayout::Orientation qtOrientation(Orientation orientation);

void nameDocument(QPrinter& printer);

// The printable area of the printer's page layout and the font as set on the printer.
PrinterMetrics printerMetrics(const QPrinter& printer, const QFont& font);

// Paints the page `pages` times, each on a sheet of its own, and ends the job. The colour mode
// follows the page. Raises PathFileAccess, naming printerName, when the printer refuses.
void paintPages(QPrinter& printer, const PageContent& page, int pages, const std::string& printerName);

[[noreturn]] void raisePrinterUnusable(const std::string& printerName, const std::string& reason);

} // namespace kestrova
