#include "images/image.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "core/rounding.h"
#include "data/dcm_convert.h"
#include "data/image_tags.h"
#include "data/print_tags.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmimage/diregist.h> // registers colour support with DicomImage
#include <dcmtk/dcmimgle/dcmimage.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestrova {

namespace {

constexpr double ScreenDpi = 96.0;

[[noreturn]] void invalidPicture(const std::string& why)
{
    raiseAbout(ErrorCode::InvalidPicture, why);
}

// DCMTK renders a whole image in buffers of its own besides ours (its copy of the pixel data, the
// pixels as read, as rescaled, the 8-bit output): a 1 GB image took 4 GB. It renders a strip of
// rows at a time here, so that only the strip passes through those buffers. A pixel's rendition
// depends on that pixel and the image's attributes alone, so the strips join without a seam.
constexpr std::uint64_t StripBytes = 4 * 1024 * 1024;

// What the rendition needs to know before DCMTK sees the pixels.
struct PixelLayout {
    DeclaredPixels declared;
    bool monochrome = true;
    bool planar = false; // colour planes one after the other, each with every row
    int bitsStored = 0;
    bool signedPixels = false;

    int rows() const { return declared.rows; }
    int columns() const { return declared.columns; }
    std::uint64_t receivedRowBytes() const { return declared.bytes() / static_cast<std::uint64_t>(declared.rows); }
    qsizetype renditionRowBytes() const { return qsizetype{declared.columns} * declared.samples; }
    QImage::Format format() const { return monochrome ? QImage::Format_Grayscale8 : QImage::Format_RGB888; }
};

int requiredNumber(const DataSet& image, Tag tag, const char* name)
{
    const Attribute attribute = image.attribute(tag);
    if (!attribute.exists() || attribute.isNull())
        invalidPicture(std::string("no ") + name);
    return checkedNarrow<int>(roundHalfEven<std::int64_t>(attribute.asNumber()));
}

bool isMonochrome(const std::string& photometric) { return photometric == "MONOCHROME1" || photometric == "MONOCHROME2"; }

bool isSupportedColor(const std::string& photometric) { return photometric == "RGB" || photometric == "YBR_FULL"; }

DeclaredPixels requiredDeclaredPixels(const DataSet& image)
{
    return DeclaredPixels{requiredNumber(image, ImageTag::Rows, "Rows"), requiredNumber(image, ImageTag::Columns, "Columns"),
                          requiredNumber(image, ImageTag::SamplesPerPixel, "Samples per Pixel"),
                          requiredNumber(image, ImageTag::BitsAllocated, "Bits Allocated")};
}

bool isPlanar(const DataSet& image)
{
    const Attribute planar = image.attribute(ImageTag::PlanarConfiguration);
    return planar.exists() && !planar.isNull() && planar.asNumber() == 1;
}

PixelLayout checkedLayout(const DataSet& image)
{
    PixelLayout layout;
    const std::string photometric = image.attribute(ImageTag::PhotometricInterpretation).textOrEmpty();
    const int samples = requiredNumber(image, ImageTag::SamplesPerPixel, "Samples per Pixel");
    layout.monochrome = isMonochrome(photometric);
    if (!(layout.monochrome && samples == 1) && !(isSupportedColor(photometric) && samples == 3))
        invalidPicture("unsupported Photometric Interpretation \"" + photometric + "\" with " + std::to_string(samples) +
                       " samples");
    layout.declared = requiredDeclaredPixels(image);
    layout.bitsStored = requiredNumber(image, ImageTag::BitsStored, "Bits Stored");
    layout.signedPixels = requiredNumber(image, ImageTag::PixelRepresentation, "Pixel Representation") == 1;
    layout.planar = !layout.monochrome && isPlanar(image);
    if (layout.rows() < 1 || layout.columns() < 1)
        invalidPicture("no pixels");
    const int bitsAllocated = layout.declared.bitsAllocated;
    if ((bitsAllocated != 8 && bitsAllocated != 16) || layout.bitsStored < 1 || layout.bitsStored > bitsAllocated)
        invalidPicture("unsupported bit depth");
    const Attribute pixelData = image.attribute(ImageTag::PixelData);
    if (!pixelData.exists() || pixelData.isNull() || !std::holds_alternative<Bytes>(pixelData.value()) ||
        receivedPixelBytes(image) < layout.declared.bytes())
        invalidPicture("pixel data shorter than the image");
    return layout;
}

// Print images carry presentation values: without a window of their own they map
// linearly from the lowest to the highest value Bits Stored can hold.
void chooseWindow(DicomImage& rendition, const DataSet& image, const PixelLayout& layout)
{
    if (image.has(ImageTag::WindowCenter) && image.has(ImageTag::WindowWidth) && rendition.getWindowCount() > 0) {
        rendition.setWindow(0);
        return;
    }
    const double levels = std::ldexp(1.0, layout.bitsStored);
    const double lowest = layout.signedPixels ? -levels / 2 : 0;
    const double highest = lowest + levels - 1;
    rendition.setWindow((lowest + highest + 1) / 2, highest - lowest + 1);
}

int stripRows(const PixelLayout& layout)
{
    return static_cast<int>(std::clamp<std::uint64_t>(StripBytes / layout.receivedRowBytes(), 1, static_cast<std::uint64_t>(layout.rows())));
}

// Rows [first, first + count) of the image as an image of their own. Planar pixel data keeps its
// planes, each cut the same way.
DataSet stripOf(const DataSet& image, const PixelLayout& layout, int first, int count)
{
    const Attribute pixelData = image.attribute(ImageTag::PixelData);
    const std::vector<std::uint8_t>& pixels = *pixelData.asBytes();
    const std::uint64_t planes = layout.planar ? static_cast<std::uint64_t>(layout.declared.samples) : 1;
    const std::uint64_t planeRowBytes = layout.receivedRowBytes() / planes;
    const std::uint64_t planeBytes = planeRowBytes * static_cast<std::uint64_t>(layout.rows());
    auto strip = std::make_shared<std::vector<std::uint8_t>>();
    strip->reserve(planeRowBytes * static_cast<std::uint64_t>(count) * planes);
    for (std::uint64_t plane = 0; plane < planes; ++plane) {
        const auto start = pixels.begin() + static_cast<std::ptrdiff_t>(plane * planeBytes + planeRowBytes * static_cast<std::uint64_t>(first));
        strip->insert(strip->end(), start, start + static_cast<std::ptrdiff_t>(planeRowBytes * static_cast<std::uint64_t>(count)));
    }
    DataSet part = image;
    part.add(Attribute(ImageTag::Rows, "US", Numbers{static_cast<double>(count)}));
    part.add(Attribute(ImageTag::PixelData, pixelData.vr(), Bytes(std::move(strip))));
    return part;
}

// The strip's 8-bit rendition written to `into`, rows one after the other without padding.
void renderStrip(const DataSet& strip, const PixelLayout& layout, uchar* into, std::uint64_t size)
{
    // DicomImage may take the pixel data over; it gets its own copy, never our shared bytes.
    const std::unique_ptr<DcmDataset> dataset = dcm::toDcmDataset(strip);
    DicomImage rendition(dataset.get(), EXS_LittleEndianExplicit, CIF_MayDetachPixelData);
    if (rendition.getStatus() != EIS_Normal)
        invalidPicture(DicomImage::getString(rendition.getStatus()));
    if (layout.monochrome)
        chooseWindow(rendition, strip, layout);
    if (!rendition.getOutputData(into, size, 8, 0, 0 /* interleaved */))
        invalidPicture(DicomImage::getString(rendition.getStatus()));
}

// The rendition of rows [first, first + count), strip by strip.
QImage renderedRows(const DataSet& image, const PixelLayout& layout, int first, int count)
{
    QImage rows = allocatedImage(QSize(layout.columns(), count), layout.format());
    const qsizetype rowBytes = layout.renditionRowBytes();
    for (int done = 0; done < count; done += stripRows(layout)) {
        const int strip = std::min(stripRows(layout), count - done);
        renderStrip(stripOf(image, layout, first + done, strip), layout, rows.scanLine(done),
                    static_cast<std::uint64_t>(rowBytes) * static_cast<std::uint64_t>(strip));
        spreadRows(rows, done, strip, rowBytes);
    }
    return rows;
}

// An image larger than a page can show would keep its pixels until its film prints: it is
// smoothed down to what the page shows as its strips are rendered.
QImage rendered(const DataSet& image, const PixelBounds& bounds)
{
    const PixelLayout layout = checkedLayout(image);
    const QSize pixels(layout.columns(), layout.rows());
    const QSize kept = sizeWithin(pixels, bounds);
    if (kept == pixels)
        return renderedRows(image, layout, 0, layout.rows());
    return smoothlyScaled(pixels, kept, layout.format(),
                          [&](int first, int count) { return renderedRows(image, layout, first, count); });
}

// Width and height widened by a non-square pixel: Pixel Aspect Ratio is "vertical\horizontal".
std::pair<double, double> aspectWidening(const DataSet& image)
{
    const std::string ratio = image.attribute(ImageTag::PixelAspectRatio).textOrEmpty();
    const std::size_t separator = ratio.find('\\');
    if (separator == std::string::npos)
        return {1.0, 1.0};
    const double vertical = parseDecimalNumber(ratio.substr(0, separator)).value_or(0.0);
    const double horizontal = parseDecimalNumber(ratio.substr(separator + 1)).value_or(0.0);
    if (!(vertical > 0) || !(horizontal > 0))
        return {1.0, 1.0};
    if (horizontal > vertical)
        return {horizontal / vertical, 1.0};
    return {1.0, vertical / horizontal};
}

// Sized by the image's own pixels, also when the rendition holds fewer.
Picture sizedPicture(QImage rendition, const DataSet& image)
{
    const DeclaredPixels declared = requiredDeclaredPixels(image);
    const auto [widenX, widenY] = aspectWidening(image);
    Picture picture;
    picture.widthHimetric = roundHalfEven<std::int32_t>(himetricFromPixels(declared.columns, ScreenDpi) * widenX);
    picture.heightHimetric = roundHalfEven<std::int32_t>(himetricFromPixels(declared.rows, ScreenDpi) * widenY);
    picture.image = std::move(rendition);
    return picture;
}

} // namespace

Attribute imageSequenceOf(const DataSet& imageBox)
{
    const Attribute grayscale = imageBox.attribute(PrintTag::BasicGrayscaleImageSequence);
    return grayscale.exists() ? grayscale : imageBox.attribute(PrintTag::BasicColorImageSequence);
}

DataSetPtr imageOf(const DataSet& imageBox)
{
    const CollectionPtr images = imageSequenceOf(imageBox).sequenceOrNull();
    return images && images->count() > 0 ? images->item(1) : nullptr;
}

std::uint64_t DeclaredPixels::bytes() const
{
    const std::uint64_t bits = static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(columns) *
                               static_cast<std::uint64_t>(samples) * static_cast<std::uint64_t>(bitsAllocated);
    return (bits + 7) / 8;
}

std::uint64_t DeclaredPixels::renditionBytes(const PixelBounds& bounds) const
{
    const QSize kept = sizeWithin(QSize(columns, rows), bounds);
    return static_cast<std::uint64_t>(kept.width()) * static_cast<std::uint64_t>(kept.height()) *
           static_cast<std::uint64_t>(samples);
}

std::optional<DeclaredPixels> declaredPixels(const DataSet& image)
{
    try {
        const DeclaredPixels declared = requiredDeclaredPixels(image);
        if (std::min({declared.rows, declared.columns, declared.samples, declared.bitsAllocated}) < 1)
            return std::nullopt;
        return declared;
    } catch (const AppError&) {
        return std::nullopt;
    }
}

std::uint64_t receivedPixelBytes(const DataSet& image)
{
    const Attribute pixelData = image.attribute(ImageTag::PixelData);
    if (!std::holds_alternative<Bytes>(pixelData.value()) || !pixelData.asBytes())
        return 0;
    return pixelData.asBytes()->size();
}

Picture decodedPicture(const DataSet& image, const PixelBounds& bounds) { return sizedPicture(rendered(image, bounds), image); }

std::shared_ptr<const Picture> preparedPicture(const DataSet& image, const PixelBounds& bounds)
{
    try {
        return std::make_shared<const Picture>(keptCompressed(decodedPicture(image, bounds)));
    } catch (...) {
        return nullptr;
    }
}

} // namespace kestrova
