// The Qt printer device against a real CUPS scheduler of the test's own, with cups-pdf
// queues standing in for paper printers.
#include "pdf_tools.h"

#include "printing/film_folder.h"
#include "printing/qt_printer_device.h"

#include "core/errors.h"
#include "support/cups_server.h"

#include <gtest/gtest.h>

#include <QColor>

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using CupsPrinting = test::CupsTest;
const std::string TestQueue = test::CupsTest::Queue;

Picture grayPicture()
{
    QImage image(32, 32, QImage::Format_Grayscale8);
    image.fill(QColor(90, 90, 90));
    return Picture{image, 2540, 2540, nullptr};
}

void printFilmPage(QtPrinterDevice& device)
{
    device.setCopies(1);
    device.setOrientation(Orientation::Portrait);
    device.setFontName("DejaVu Sans");
    device.setFontSize(12);
    device.printLine("Kestrova CUPS header");
    device.paintPicture(grayPicture(), 0, 1440, 2880, 2880);
    device.printLine("Second line");
    device.endDocument();
}

int pixelsBetween(const QImage& page, int darkest, int lightest)
{
    int count = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            count += qGray(page.pixel(x, y)) >= darkest && qGray(page.pixel(x, y)) <= lightest ? 1 : 0;
    return count;
}

// cups-pdf turns the job into PostScript and back, which loses the text's character codes
// (pdftotext reads symbols), so the page is checked by its ink.
TEST_F(CupsPrinting, FilmPageReachesTheDefaultQueueAsOnePage)
{
    const auto filesBefore = cups().pdfFiles().size();
    QtPrinterDevice device;
    EXPECT_EQ(device.printerNames(), (std::vector<std::string>{TestQueue, BuiltInPdfPrinterName}));
    EXPECT_EQ(device.selectedPrinter(), TestQueue) << "the default queue";
    EXPECT_GT(device.scaleHeight(), device.scaleWidth()) << "portrait unless told otherwise";
    printFilmPage(device);

    ASSERT_TRUE(cups().waitUntilNoPendingJobs(60s)) << cups().logTail();
    const auto files = cups().pdfFiles();
    ASSERT_EQ(files.size(), filesBefore + 1) << cups().logTail();
    const auto& printed = files.back();
    EXPECT_EQ(test::pdfInfo(printed).pages, 1);
    constexpr int dpi = 50;
    const QImage page = test::renderGray(printed, dpi);
    // The two-inch square of grey 90, and some black text besides.
    EXPECT_GT(pixelsBetween(page, 80, 100), 2 * dpi * 2 * dpi * 8 / 10);
    EXPECT_GT(pixelsBetween(page, 0, 60), 50);
}

// Qt's own QPrinter::abort() cannot take back a CUPS page, and a queue removed after it was
// selected must not send the page to another one: neither job may reach the scheduler.
TEST_F(CupsPrinting, AnAbortedDocumentOrAVanishedQueueSendsNothing)
{
    const auto jobsBefore = cups().allJobs().size();
    QtPrinterDevice device;
    device.selectPrinter(TestQueue);
    device.printLine("Never printed");
    device.paintPicture(grayPicture(), 0, 1440, 2880, 2880);
    device.abortDocument();
    device.endDocument();

    const std::string vanishing = "KestrovaVanishingQueue";
    cups().addPdfQueue(vanishing);
    device.selectPrinter(vanishing);
    cups().removeQueue(vanishing);
    try {
        device.printLine("Lost line");
        ADD_FAILURE() << "printing on a removed queue raised nothing";
    } catch (const AppError& error) {
        EXPECT_EQ(error.code(), ErrorCode::PathFileAccess);
        EXPECT_NE(error.description().find(vanishing), std::string::npos) << error.description();
    }
    EXPECT_NO_THROW(device.endDocument());
    EXPECT_EQ(cups().allJobs().size(), jobsBefore);
    try {
        device.selectPrinter(vanishing);
        ADD_FAILURE() << "a removed queue could still be selected";
    } catch (const AppError& error) {
        EXPECT_EQ(error.code(), ErrorCode::InvalidArgument);
    }
}

} // namespace
} // namespace kestrova
