#include "recording_printer_device.h"

#include <QString>

#include <algorithm>
#include <sstream>

namespace kestrova::test {
namespace {

template <typename... Parts>
std::string joined(const Parts&... parts)
{
    std::ostringstream text;
    const char* separator = "";
    ((text << separator << parts, separator = " "), ...);
    return text.str();
}

} // namespace

RecordingPrinterDevice::RecordingPrinterDevice(std::vector<std::string> printers)
    : printers_(std::move(printers))
{
    if (!printers_.empty())
        selected_ = printers_.front();
}

void RecordingPrinterDevice::setPrinters(std::vector<std::string> printers, const std::string& selected)
{
    printers_ = std::move(printers);
    selected_ = selected;
}

void RecordingPrinterDevice::setPrintableArea(float portraitWidth, float portraitHeight)
{
    portraitWidth_ = portraitWidth;
    portraitHeight_ = portraitHeight;
}

void RecordingPrinterDevice::setPictureSize(const std::filesystem::path& file, std::int32_t widthHimetric,
                                            std::int32_t heightHimetric)
{
    pictureSizes_[file] = {widthHimetric, heightHimetric};
}

void RecordingPrinterDevice::selectPrinter(const std::string& deviceName)
{
    failures_.check(PrinterCall::SelectPrinter);
    if (std::find(printers_.begin(), printers_.end(), deviceName) == printers_.end())
        raise(ErrorCode::InvalidArgument, "No printer named \"" + deviceName + "\"");
    selected_ = deviceName;
    record(joined("selectPrinter", deviceName));
}

void RecordingPrinterDevice::setCopies(std::int16_t copies)
{
    failures_.check(PrinterCall::SetCopies);
    copies_ = copies;
    record(joined("setCopies", copies));
}

void RecordingPrinterDevice::setOrientation(Orientation orientation)
{
    failures_.check(PrinterCall::SetOrientation);
    orientation_ = orientation;
    record(joined("setOrientation", static_cast<int>(orientation)));
}

void RecordingPrinterDevice::setFontName(const std::string& name)
{
    failures_.check(PrinterCall::SetFontName);
    fontName_ = name;
    record(joined("setFontName", name));
}

void RecordingPrinterDevice::setFontSize(float points)
{
    failures_.check(PrinterCall::SetFontSize);
    fontSize_ = points;
    record(joined("setFontSize", points));
}

void RecordingPrinterDevice::setPaperSize(double widthMm, double heightMm)
{
    failures_.check(PrinterCall::SetPaperSize);
    constexpr double TwipsPerMm = 1440.0 / 25.4;
    setPrintableArea(static_cast<float>(widthMm * TwipsPerMm), static_cast<float>(heightMm * TwipsPerMm));
    record(joined("setPaperSize", widthMm, heightMm));
}

float RecordingPrinterDevice::scaleWidth() const
{
    return orientation_ == Orientation::Landscape ? portraitHeight_ : portraitWidth_;
}

float RecordingPrinterDevice::scaleHeight() const
{
    return orientation_ == Orientation::Landscape ? portraitWidth_ : portraitHeight_;
}

float RecordingPrinterDevice::textWidth(const std::string& text) const
{
    const auto characters = QString::fromLocal8Bit(text).size();
    return static_cast<float>(characters) * CharacterWidthPerPoint * fontSize_;
}

RecordedDocument& RecordingPrinterDevice::document()
{
    if (!documentOpen_) {
        pending_ = RecordedDocument{selected_, orientation_, copies_, {}, {}, {}};
        documentOpen_ = true;
    }
    return pending_;
}

void RecordingPrinterDevice::printLine(const std::string& text)
{
    failures_.check(PrinterCall::PrintLine);
    document().lines.push_back(RecordedLine{x_, y_, text});
    record(joined("printLine", x_, y_, text));
    x_ = 0;
    y_ += lineHeight();
}

Picture RecordingPrinterDevice::loadPicture(const std::filesystem::path& file) const
{
    failures_.check(PrinterCall::LoadPicture);
    const auto size = pictureSizes_.find(file);
    if (size == pictureSizes_.end())
        raise(ErrorCode::FileNotFound, standardDescription(ErrorCode::FileNotFound) + ": " + file.string());
    record(joined("loadPicture", file.string()));
    QImage image(2, 2, QImage::Format_Grayscale8);
    image.fill(128);
    return Picture{image, size->second.first, size->second.second};
}

void RecordingPrinterDevice::paintPicture(const Picture& picture, float x, float y, double width, double height)
{
    failures_.check(PrinterCall::PaintPicture);
    const auto painted = recordPicture(picture, x, y, width, height);
    document().pictures.push_back(painted);
    record(describe(painted));
}

void RecordingPrinterDevice::fillRectangle(float x, float y, double width, double height, std::uint8_t grey)
{
    failures_.check(PrinterCall::FillRectangle);
    document().rectangles.push_back(RecordedRectangle{x, y, width, height, grey});
    record(joined("fillRectangle", x, y, width, height, int(grey)));
}

void RecordingPrinterDevice::endDocument()
{
    failures_.check(PrinterCall::EndDocument);
    if (documentOpen_) {
        pending_.copies = copies_;
        documents_.push_back(std::move(pending_));
    }
    pending_ = {};
    documentOpen_ = false;
    x_ = 0;
    y_ = 0;
    ++endCount_;
    record("endDocument");
}

void RecordingPrinterDevice::abortDocument()
{
    failures_.check(PrinterCall::AbortDocument);
    pending_ = {};
    documentOpen_ = false;
    x_ = 0;
    y_ = 0;
    ++abortCount_;
    record("abortDocument");
}

} // namespace kestrova::test
