#pragma once
// A printer device with fixed metrics that records every call, for the tests of the code
// that prints. Metrics:
// - printable area 11520 x 15840 twips in portrait (8 x 11 inches), swapped in landscape,
//   ScaleLeft and ScaleTop 0;
// - a line is 24 twips per point of font size high (240 at 10 pt);
// - every character is 10 twips per point wide (100 at 10 pt);
// - 300 dots per inch; setPaperSize makes the whole paper printable.
// Like the real device, a document begins with the first output after the previous end,
// an end with nothing drawn sends nothing, and an end or abort puts the position back at 0.

#include "printing/printer_device.h"
#include "printing/testing/failure_plan.h"
#include "printing/testing/recorded_output.h"

#include <map>
#include <utility>

namespace kestrova::test {

enum class PrinterCall {
    SelectPrinter,
    SetCopies,
    SetOrientation,
    SetFontName,
    SetFontSize,
    SetPaperSize,
    PrintLine,
    LoadPicture,
    PaintPicture,
    FillRectangle,
    EndDocument,
    AbortDocument,
};

class RecordingPrinterDevice final : public PrinterDevice {
public:
    static constexpr float DefaultWidth = 11520;
    static constexpr float DefaultHeight = 15840;
    static constexpr float LineHeightPerPoint = 24;
    static constexpr float CharacterWidthPerPoint = 10;
    static constexpr int Resolution = 300;

    // The printers listed, in order; the first is selected.
    explicit RecordingPrinterDevice(std::vector<std::string> printers = {"Film Printer", "Kestrova PDF"});

    // Set-up by the test.
    void setPrinters(std::vector<std::string> printers, const std::string& selected);
    void setPrintableArea(float portraitWidth, float portraitHeight);
    void setPictureSize(const std::filesystem::path& file, std::int32_t widthHimetric, std::int32_t heightHimetric);
    void failAfter(PrinterCall call, int successes, ErrorCode code) { failures_.failAfter(call, successes, code); }
    void clearFailures() { failures_.clear(); }

    // The record.
    // Every call in order: "selectPrinter NAME", "setCopies N", "setOrientation 1|2",
    // "setFontName NAME", "setFontSize PT", "setPaperSize W H" (mm), "printLine X Y TEXT",
    // "loadPicture PATH", "paintPicture X Y W H WxH", "fillRectangle X Y W H GREY",
    // "endDocument", "abortDocument". Failed calls are left out.
    const std::vector<std::string>& ops() const { return ops_; }
    const std::vector<RecordedDocument>& documents() const { return documents_; }
    // Drawn since the last end or abort.
    const RecordedDocument& pending() const { return pending_; }
    int endCount() const { return endCount_; }
    int abortCount() const { return abortCount_; }
    std::int16_t copies() const { return copies_; }
    Orientation orientation() const { return orientation_; }
    const std::string& fontName() const { return fontName_; }
    float fontSize() const { return fontSize_; }
    float lineHeight() const { return LineHeightPerPoint * fontSize_; }

    std::vector<std::string> printerNames() const override { return printers_; }
    std::string selectedPrinter() const override { return selected_; }
    void selectPrinter(const std::string& deviceName) override;

    void setCopies(std::int16_t copies) override;
    void setOrientation(Orientation orientation) override;
    void setFontName(const std::string& name) override;
    void setFontSize(float points) override;
    void setPaperSize(double widthMm, double heightMm) override;

    float scaleLeft() const override { return 0; }
    float scaleTop() const override { return 0; }
    float scaleWidth() const override;
    float scaleHeight() const override;
    int dotsPerInch() const override { return Resolution; }

    float currentX() const override { return x_; }
    float currentY() const override { return y_; }
    void setCurrentX(float x) override { x_ = x; }
    void setCurrentY(float y) override { y_ = y; }
    float textWidth(const std::string& text) const override;
    void printLine(const std::string& text) override;

    Picture loadPicture(const std::filesystem::path& file) const override;
    void paintPicture(const Picture& picture, float x, float y, double width, double height) override;
    void fillRectangle(float x, float y, double width, double height, std::uint8_t grey) override;

    void endDocument() override;
    void abortDocument() override;

private:
    RecordedDocument& document();
    void record(std::string op) const { ops_.push_back(std::move(op)); }

    std::vector<std::string> printers_;
    std::string selected_;
    float portraitWidth_ = DefaultWidth;
    float portraitHeight_ = DefaultHeight;
    std::map<std::filesystem::path, std::pair<std::int32_t, std::int32_t>> pictureSizes_;
    // loadPicture is const in the interface but still recorded and may be made to fail.
    mutable FailurePlan<PrinterCall> failures_;
    mutable std::vector<std::string> ops_;

    std::int16_t copies_ = 1;
    Orientation orientation_ = Orientation::Portrait;
    std::string fontName_;
    float fontSize_ = 10;
    float x_ = 0;
    float y_ = 0;
    bool documentOpen_ = false;
    RecordedDocument pending_;
    std::vector<RecordedDocument> documents_;
    int endCount_ = 0;
    int abortCount_ = 0;
};

} // namespace kestrova::test
