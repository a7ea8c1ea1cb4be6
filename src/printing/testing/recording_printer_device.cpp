#include "recording_printer_device.h"

#include <algorithm>

namespace kestrova::test {

void RecordingPrinterDevice::setPrinters(std::vector<std::string> printers, const std::string& selected)
{
    printers_ = std::move(printers);
    selected_ = selected;
}

void RecordingPrinterDevice::selectPrinter(const std::string& deviceName)
{
    if (std::find(printers_.begin(), printers_.end(), deviceName) == printers_.end())
        raise(ErrorCode::InvalidArgument, "No printer named \"" + deviceName + "\"");
    selected_ = deviceName;
}

void RecordingPrinterDevice::setPaperSize(double widthMm, double heightMm)
{
    constexpr double TwipsPerMm = 1440.0 / 25.4;
    portraitWidth_ = static_cast<float>(widthMm * TwipsPerMm);
    portraitHeight_ = static_cast<float>(heightMm * TwipsPerMm);
    paperMm_ = std::pair{widthMm, heightMm};
}

RecordedDocument& RecordingPrinterDevice::document()
{
    if (!pending_)
        pending_ = RecordedDocument{selected_, orientation_, copies_, paperMm_, {}, {}, {}};
    return *pending_;
}

void RecordingPrinterDevice::printLine(const std::string& text)
{
    document().lines.push_back(RecordedLine{x_, y_, text});
    x_ = 0;
    y_ += 24 * fontSize_;
}

Picture RecordingPrinterDevice::loadPicture(const std::filesystem::path& file) const
{
    const auto size = pictureSizes_.find(file);
    if (size == pictureSizes_.end())
        raiseAbout(ErrorCode::FileNotFound, file.string());
    QImage image(2, 2, QImage::Format_Grayscale8);
    image.fill(128);
    return Picture{image, size->second.first, size->second.second, nullptr};
}

void RecordingPrinterDevice::paintPicture(const Picture& picture, float x, float y, double width, double height)
{
    if (paintFailure_)
        raise(*paintFailure_);
    document().pictures.push_back(RecordedPicture{x, y, width, height, picture.image});
}

std::unique_ptr<PrinterDevice> RecordingPrinterDevice::deviceForJob() const
{
    auto device = std::make_unique<RecordingPrinterDevice>(*this);
    device->pending_.reset();
    return device;
}

void RecordingPrinterDevice::endDocument()
{
    if (pending_) {
        pending_->copies = copies_;
        const std::lock_guard lock(record_->mutex);
        record_->documents.push_back(std::move(*pending_));
    }
    closeDocument();
}

void RecordingPrinterDevice::abortDocument()
{
    {
        const std::lock_guard lock(record_->mutex);
        ++record_->abortCount;
    }
    closeDocument();
}

void RecordingPrinterDevice::closeDocument()
{
    pending_.reset();
    x_ = 0;
    y_ = 0;
}

} // namespace kestrova::test
