#pragma once
// The printer device of the running program: the system's printers through Qt Print
// Support (CUPS on Linux) and the built-in "Kestrova PDF", listed last.
//
// A document begins with the first output after the previous end; the printer is opened
// then, so an unusable printer fails at the first output. What is drawn is kept and
// painted in one go when the document ends, which is what lets abortDocument discard a
// page on a real queue. Ending a document that has no output does nothing: no empty
// sheet, no empty film file. The built-in printer writes one film file per document, with
// one page per copy, on the paper last set (A4 until then); system printers keep their own
// paper.

#include "printing/printer_device.h"

#include <QFont>
#include <QPageSize>

#include <memory>

class QFontMetricsF;
class QPrinter;

namespace kestrova {

class QtPrinterDevice final : public PrinterDevice {
    struct JobKey {};

public:
    // Selects the system's default printer, or "Kestrova PDF" when there is none.
    QtPrinterDevice();
    // The device of one job: a copy of the setup of shared, whose printer opens on first use.
    QtPrinterDevice(JobKey, const QtPrinterDevice& shared);
    ~QtPrinterDevice() override;
    QtPrinterDevice(const QtPrinterDevice&) = delete;
    QtPrinterDevice& operator=(const QtPrinterDevice&) = delete;

    std::unique_ptr<PrinterDevice> deviceForJob() const override;

    std::vector<std::string> printerNames() const override;
    std::string selectedPrinter() const override;
    void selectPrinter(const std::string& deviceName) override;

    void setCopies(std::int16_t copies) override;
    void setOrientation(Orientation orientation) override;
    void setFontName(const std::string& name) override;
    void setFontSize(float points) override;
    void setPaperSize(double widthMm, double heightMm) override;

    float scaleLeft() const override;
    float scaleTop() const override;
    float scaleWidth() const override;
    float scaleHeight() const override;
    int dotsPerInch() const override;

    float currentX() const override;
    float currentY() const override;
    void setCurrentX(float x) override;
    void setCurrentY(float y) override;
    float textWidth(const std::string& text) const override;
    void printLine(const std::string& text) override;

    Picture loadPicture(const std::filesystem::path& file) const override;
    void paintPicture(const Picture& picture, float x, float y, double width, double height) override;
    void fillRectangle(float x, float y, double width, double height, std::uint8_t grey) override;

    void endDocument() override;
    void abortDocument() override;

    // The film file the built-in printer wrote last through this device (not through the
    // devices of jobs); empty before the first.
    std::filesystem::path lastOutputFile() const { return lastOutputFile_; }

private:
    struct Document;

    bool builtInSelected() const;
    QPrinter& setup() const;
    std::unique_ptr<QPrinter> makePrinter() const;
    std::unique_ptr<Document> openDocument() const;
    Document& document();
    void finishDocument(Document& finished);
    QFontMetricsF fontMetrics() const;

    std::string selected_;
    std::int16_t copies_ = 1;
    Orientation orientation_ = Orientation::Portrait;
    QFont font_;
    QPageSize filmPaper_{QPageSize::A4};
    float x_ = 0;
    float y_ = 0;
    // The selected printer as configured, for page and font metrics before any output;
    // made when first needed.
    mutable std::unique_ptr<QPrinter> setup_;
    std::unique_ptr<Document> document_;
    std::filesystem::path lastOutputFile_;
};

} // namespace kestrova
