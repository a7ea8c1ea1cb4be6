#pragma once
// A printer device with fixed metrics that records what each document received, for the
// tests of the code that prints. Metrics: printable area 11520 x 15840 twips in portrait
// (8 x 11 inches), swapped in landscape; setPaperSize makes the whole paper printable; a
// line is 24 twips per point high, a character 10 twips per point wide; 300 dots per inch.
// As on the real device, a document begins with its first output and an end or an abort
// puts the position back at the top left. The devices of jobs record into their origin's
// lists, which are read once the jobs are over.

#include "printing/printer_device.h"

#include "core/errors.h"
#include "printing/film_folder.h"

#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace kestrova::test {

struct RecordedLine {
    float x = 0;
    float y = 0;
    std::string text;
};

struct RecordedPicture {
    float x = 0;
    float y = 0;
    double width = 0;
    double height = 0;
    QImage image; // the pixels as they went to the device
};

struct RecordedRectangle {
    float x = 0;
    float y = 0;
    double width = 0;
    double height = 0;
    std::uint8_t grey = 0;
};

struct RecordedDocument {
    std::string printer;
    Orientation orientation = Orientation::Portrait;
    std::int16_t copies = 1;
    std::optional<std::pair<double, double>> paperMm; // set by setPaperSize
    std::vector<RecordedLine> lines;
    std::vector<RecordedPicture> pictures;
    std::vector<RecordedRectangle> rectangles;
};

class RecordingPrinterDevice final : public PrinterDevice {
public:
    void setPrinters(std::vector<std::string> printers, const std::string& selected);
    void setPictureSize(const std::filesystem::path& file, std::int32_t widthHimetric, std::int32_t heightHimetric)
    {
        pictureSizes_[file] = {widthHimetric, heightHimetric};
    }
    // Every later paintPicture raises this error.
    void failPainting(ErrorCode code) { paintFailure_ = code; }

    const std::vector<RecordedDocument>& documents() const { return record_->documents; }
    int abortCount() const { return record_->abortCount; }

    std::unique_ptr<PrinterDevice> deviceForJob() const override;

    std::vector<std::string> printerNames() const override { return printers_; }
    std::string selectedPrinter() const override { return selected_; }
    void selectPrinter(const std::string& deviceName) override;
    void setCopies(std::int16_t copies) override { copies_ = copies; }
    void setOrientation(Orientation orientation) override { orientation_ = orientation; }
    void setFontName(const std::string&) override {}
    void setFontSize(float points) override { fontSize_ = points; }
    void setPaperSize(double widthMm, double heightMm) override;

    float scaleLeft() const override { return 0; }
    float scaleTop() const override { return 0; }
    float scaleWidth() const override { return landscape() ? portraitHeight_ : portraitWidth_; }
    float scaleHeight() const override { return landscape() ? portraitWidth_ : portraitHeight_; }
    int dotsPerInch() const override { return 300; }

    float currentX() const override { return x_; }
    float currentY() const override { return y_; }
    void setCurrentX(float x) override { x_ = x; }
    void setCurrentY(float y) override { y_ = y; }
    float textWidth(const std::string& text) const override
    {
        return static_cast<float>(QString::fromLocal8Bit(text).size()) * 10 * fontSize_;
    }
    void printLine(const std::string& text) override;

    Picture loadPicture(const std::filesystem::path& file) const override;
    void paintPicture(const Picture& picture, float x, float y, double width, double height) override;
    void fillRectangle(float x, float y, double width, double height, std::uint8_t grey) override
    {
        document().rectangles.push_back(RecordedRectangle{x, y, width, height, grey});
    }

    void endDocument() override;
    void abortDocument() override;

private:
    bool landscape() const { return orientation_ == Orientation::Landscape; }
    RecordedDocument& document();
    void closeDocument();

    std::vector<std::string> printers_{"Film Printer", BuiltInPdfPrinterName};
    std::string selected_ = "Film Printer";
    std::map<std::filesystem::path, std::pair<std::int32_t, std::int32_t>> pictureSizes_;
    std::optional<ErrorCode> paintFailure_;
    float portraitWidth_ = 11520;
    float portraitHeight_ = 15840;
    std::optional<std::pair<double, double>> paperMm_;
    std::int16_t copies_ = 1;
    Orientation orientation_ = Orientation::Portrait;
    float fontSize_ = 10;
    float x_ = 0;
    float y_ = 0;
    std::optional<RecordedDocument> pending_;
    struct Record {
        std::mutex mutex; // jobs end on their own threads
        std::vector<RecordedDocument> documents;
        int abortCount = 0;
    };
    std::shared_ptr<Record> record_ = std::make_shared<Record>();
};

} // namespace kestrova::test
