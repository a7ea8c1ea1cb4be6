#pragma once
// Printers with fixed metrics that record what they print, for the tests of the code that
// prints. Metrics: printable area 11520 x 15840 twips in portrait (8 x 11 inches), swapped in
// landscape, the whole paper when the setup names one; a line 1.2 times the font's pixel size
// high (24 twips a point), a character half of it wide, no ascent; 300 dots per inch, no film
// sizes and no densities unless told otherwise; always ready, keeping no page file and sending
// a reprint nowhere. The devices record into their catalogue's list, safe to read once the jobs
// are over.

#include "printing/printer_catalogue.h"

#include <QImage>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace kestrova::test {

struct RecordedPicture {
    QRectF target;
    QImage image; // the pixels as they went to the printer
};

struct RecordedPage {
    std::string printer;
    PageSetup setup;
    std::vector<std::pair<QPointF, QString>> texts; // baseline and text
    std::vector<RecordedPicture> pictures;
    std::vector<std::pair<QRectF, std::uint8_t>> rectangles;
};

class RecordingPrinters final : public PrinterCatalogue {
public:
    // "Film Printer" and "Kestrova PDF" until told otherwise; "Film Printer" the default.
    void setPrinters(std::vector<std::string> names, std::string defaultName);
    // Of the devices opened later.
    void setCapabilities(PrinterCapabilities capabilities) { capabilities_ = std::move(capabilities); }
    std::vector<RecordedPage> pages() const;
    // Runs on a job's thread as each page begins to print; set before any job runs.
    void setBeforePrint(std::function<void()> hook) { record_->beforePrint = std::move(hook); }

    std::vector<std::string> printerNames() const override { return names_; }
    std::string defaultPrinter() const override { return default_; }
    std::unique_ptr<PrinterDevice> open(const std::string& name) const override;

    struct Record {
        std::mutex mutex; // jobs print on their own threads
        std::vector<RecordedPage> pages;
        std::function<void()> beforePrint;
    };

private:
    std::vector<std::string> names_{"Film Printer", "Kestrova PDF"};
    std::string default_ = "Film Printer";
    PrinterCapabilities capabilities_{{}, {}, false, 300};
    std::shared_ptr<Record> record_ = std::make_shared<Record>();
};

} // namespace kestrova::test
