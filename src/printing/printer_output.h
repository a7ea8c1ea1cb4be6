#pragma once
// What both page writers (a system printer's QPrinter where there is no CUPS, the page file's
// QPdfWriter) share: the document's name, the measures of a page, and a page drawn in full.
//
// Threads: a paint device and its page are used on one thread.

#include "printing/page_content.h"
#include "printing/printer_device.h"

#include <QPageLayout>

#include <string>

class QPagedPaintDevice;

namespace kestrova {

inline constexpr const char* DocumentTitle = "Kestrova film";
inline constexpr const char* DocumentCreator = "Kestrova";

QPageLayout::Orientation qtOrientation(Orientation orientation);

// The printable area of the device's page layout and the font as set on the device.
PrinterMetrics printerMetrics(const QPagedPaintDevice& device, const QFont& font);

// Paints the page `pages` times, each on a sheet of its own, and ends the document. Raises
// PathFileAccess, naming printerName, when the device refuses.
void paintPages(QPagedPaintDevice& device, const PageContent& page, int pages, const std::string& printerName);

[[noreturn]] void raisePrinterUnusable(const std::string& printerName, const std::string& reason);

} // namespace kestrova
