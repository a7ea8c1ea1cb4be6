#include "images/image.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "core/rounding.h"
#include "data/dcm_convert.h"
#include "data/image_tags.h"
#include "data/print_tags.h"
#include "picture/picture_pixels.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmimage/diregist.h> // registers colour support with DicomImage
#include <dcmtk/dcmimgle/dcmimage.h>

#include <cmath>
#include <cstring>

namespace kestrova {

namespace {

constexpr double ScreenDpi = 96.0;

[[noreturn]] void invalidPicture(const std::string& why)
{
    raiseAbout(ErrorCode::InvalidPicture, why);
}

// What the rendition needs to know before DCMTK sees the pixels.
struct PixelLayout {
    int samples = 0;
    bool monochrome = true;
    int rows = 0;
    int columns = 0;
    int bitsStored = 0;
    bool signedPixels = false;
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

PixelLayout checkedLayout(const DataSet& image)
{
    PixelLayout layout;
    const std::string photometric = image.attribute(ImageTag::PhotometricInterpretation).textOrEmpty();
    layout.samples = requiredNumber(image, ImageTag::SamplesPerPixel, "Samples per Pixel");
    layout.monochrome = isMonochrome(photometric);
    if (!(layout.monochrome && layout.samples == 1) && !(isSupportedColor(photometric) && layout.samples == 3))
        invalidPicture("unsupported Photometric Interpretation \"" + photometric + "\" with " +
                       std::to_string(layout.samples) + " samples");
    layout.rows = requiredNumber(image, ImageTag::Rows, "Rows");
    layout.columns = requiredNumber(image, ImageTag::Columns, "Columns");
    const int bitsAllocated = requiredNumber(image, ImageTag::BitsAllocated, "Bits Allocated");
    layout.bitsStored = requiredNumber(image, ImageTag::BitsStored, "Bits Stored");
    layout.signedPixels = requiredNumber(image, ImageTag::PixelRepresentation, "Pixel Representation") == 1;
    if (layout.rows < 1 || layout.columns < 1)
        invalidPicture("no pixels");
    if ((bitsAllocated != 8 && bitsAllocated != 16) || layout.bitsStored < 1 || layout.bitsStored > bitsAllocated)
        invalidPicture("unsupported bit depth");
    const Attribute pixelData = image.attribute(ImageTag::PixelData);
    const std::size_t needed =
        std::size_t(layout.rows) * std::size_t(layout.columns) * std::size_t(layout.samples) * std::size_t(bitsAllocated / 8);
    if (!pixelData.exists() || pixelData.isNull() || !std::holds_alternative<Bytes>(pixelData.value()) ||
        pixelData.asBytes()->size() < needed)
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

QImage copiedOutput(DicomImage& rendition, const PixelLayout& layout)
{
    const auto* output = static_cast<const std::uint8_t*>(rendition.getOutputData(8, 0, 0 /* interleaved */));
    if (output == nullptr)
        invalidPicture(DicomImage::getString(rendition.getStatus()));
    QImage picture = allocatedImage(QSize(layout.columns, layout.rows), layout.monochrome ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    const std::size_t rowBytes = std::size_t(layout.columns) * std::size_t(layout.samples);
    // QImage rows are padded to 32 bits; DCMTK's are not.
    for (int row = 0; row < layout.rows; ++row)
        std::memcpy(picture.scanLine(row), output + rowBytes * std::size_t(row), rowBytes);
    return picture;
}

QImage rendered(const DataSet& image)
{
    const PixelLayout layout = checkedLayout(image);
    // DicomImage may take the pixel data over; it gets its own copy, never our shared bytes.
    const std::unique_ptr<DcmDataset> dataset = dcm::toDcmDataset(image);
    DicomImage rendition(dataset.get(), EXS_LittleEndianExplicit, CIF_MayDetachPixelData);
    if (rendition.getStatus() != EIS_Normal)
        invalidPicture(DicomImage::getString(rendition.getStatus()));
    if (layout.monochrome)
        chooseWindow(rendition, image, layout);
    return copiedOutput(rendition, layout);
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

Picture sizedPicture(QImage image, const DataSet& dataSet)
{
    const auto [widenX, widenY] = aspectWidening(dataSet);
    Picture picture;
    picture.widthHimetric = roundHalfEven<std::int32_t>(himetricFromPixels(image.width(), ScreenDpi) * widenX);
    picture.heightHimetric = roundHalfEven<std::int32_t>(himetricFromPixels(image.height(), ScreenDpi) * widenY);
    picture.image = std::move(image);
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

Picture decodedPicture(const DataSet& image) { return sizedPicture(rendered(image), image); }

std::shared_ptr<const Picture> preparedPicture(const DataSet& image)
{
    try {
        return std::make_shared<const Picture>(keptCompressed(decodedPicture(image)));
    } catch (...) {
        return nullptr;
    }
}

} // namespace kestrova
