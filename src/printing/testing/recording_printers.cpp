#include "recording_printers.h"

#include "core/errors.h"
#include "printing/page_units.h"

#include <algorithm>

namespace kestrova::test {
namespace {

class RecordingCanvas final : public PageCanvas {
public:
    explicit RecordingCanvas(RecordedPage& page) : page_(page) {}
    void drawText(QPointF baseline, const QFont&, const QString& text) override { page_.texts.emplace_back(baseline, text); }
    void drawPicture(const QRectF& target, const Picture& picture) override
    {
        page_.pictures.push_back(RecordedPicture{target, withImage(picture).image});
    }
    void fillRectangle(const QRectF& area, std::uint8_t grey) override { page_.rectangles.emplace_back(area, grey); }

private:
    RecordedPage& page_;
};

class RecordingPrinter final : public PrinterDevice {
public:
    RecordingPrinter(std::string name, PrinterCapabilities capabilities, std::shared_ptr<RecordingPrinters::Record> record)
        : name_(std::move(name)), capabilities_(std::move(capabilities)), record_(std::move(record))
    {
    }

    PrinterCapabilities capabilities() const override { return capabilities_; }

    PrinterMetrics metrics(const PageSetup& setup, const QFont& font) const override
    {
        const QSizeF portrait = setup.paper ? QSizeF(setup.paper->widthMm, setup.paper->heightMm) * TwipsPerMm
                                            : QSizeF(11520, 15840);
        const double pixels = font.pixelSize();
        return PrinterMetrics{setup.orientation == Orientation::Landscape ? portrait.transposed() : portrait,
                              FontMetrics{[] { return 0.0; }, [pixels] { return 1.2 * pixels; },
                                          [pixels](const QString& text) { return text.size() * pixels / 2; }}};
    }

    PrintedFilm print(const PageSetup& setup, const PagePaint& paint) override
    {
        if (record_->beforePrint)
            record_->beforePrint();
        RecordedPage page{name_, setup, {}, {}, {}};
        RecordingCanvas canvas(page);
        paint(canvas);
        const std::lock_guard lock(record_->mutex);
        record_->pages.push_back(std::move(page));
        return PrintedFilm{{}, 1, setup, nullptr};
    }

    PrintedFilm reprint(const PrintedFilm& film) override { return film; }
    PrinterState state() const override { return PrinterState{}; }

private:
    std::string name_;
    PrinterCapabilities capabilities_;
    std::shared_ptr<RecordingPrinters::Record> record_;
};

} // namespace

void RecordingPrinters::setPrinters(std::vector<std::string> names, std::string defaultName)
{
    names_ = std::move(names);
    default_ = std::move(defaultName);
}

std::vector<RecordedPage> RecordingPrinters::pages() const
{
    const std::lock_guard lock(record_->mutex);
    return record_->pages;
}

std::unique_ptr<PrinterDevice> RecordingPrinters::open(const std::string& name) const
{
    if (name != default_ && std::find(names_.begin(), names_.end(), name) == names_.end())
        raise(ErrorCode::InvalidArgument, "No printer named \"" + name + "\"");
    return std::make_unique<RecordingPrinter>(name, capabilities_, record_);
}

} // namespace kestrova::test
