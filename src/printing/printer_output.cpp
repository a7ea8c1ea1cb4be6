#include "printing/printer_output.h"

#include "printing/page_units.h"

#include "core/errors.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPagedPaintDevice>

namespace kestrova {

QPageLayout::Orientation qtOrientation(Orientation orientation)
{
    return orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

PrinterMetrics printerMetrics(const QPagedPaintDevice& device, const QFont& font)
{
    const QFontMetricsF metrics(font, &device); // takes the device's resolution, loads nothing yet
    return PrinterMetrics{printableSizeTwips(device.pageLayout()),
                          FontMetrics{[metrics] { return metrics.ascent(); }, [metrics] { return metrics.height(); },
                                      [metrics](const QString& text) { return metrics.horizontalAdvance(text); }}};
}

void paintPages(QPagedPaintDevice& device, const PageContent& page, int pages, const std::string& printerName)
{
    QPainter painter;
    if (!painter.begin(&device))
        raisePrinterUnusable(printerName, "it cannot be opened for printing");
    const double twip = device.logicalDpiX() / TwipsPerInch;
    painter.scale(twip, twip);
    painter.setRenderHint(QPainter::LosslessImageRendering);
    page.paint(painter);
    for (int sheet = 2; sheet <= pages; ++sheet) {
        if (!device.newPage())
            raisePrinterUnusable(printerName, "no further page could be begun");
        page.paint(painter);
    }
    if (!painter.end())
        raisePrinterUnusable(printerName, "the page could not be sent");
}

void raisePrinterUnusable(const std::string& printerName, const std::string& reason)
{
    raise(ErrorCode::PathFileAccess, "Printer \"" + printerName + "\" cannot be used: " + reason);
}

} // namespace kestrova
