#include "test_film/test_images.h"

#include "data/image_tags.h"
#include "data/print_tags.h"

#include <cstring>
#include <vector>

namespace kestrova {

namespace {

bool isColor(Photometric photometric)
{
    return photometric == Photometric::RgbInterleaved || photometric == Photometric::RgbPlanar;
}

const char* photometricName(Photometric photometric)
{
    switch (photometric) {
    case Photometric::Monochrome1: return "MONOCHROME1";
    case Photometric::Monochrome2: return "MONOCHROME2";
    default: return "RGB";
    }
}

// Samples in stored order: interleaved R G B per pixel, or planes of R, G and B.
std::vector<std::uint16_t> samplesOf(const ImageSpec& imageSpec)
{
    const int samples = isColor(imageSpec.photometric) ? 3 : 1;
    std::vector<std::uint16_t> values;
    values.reserve(static_cast<std::size_t>(imageSpec.rows) * imageSpec.columns * samples);
    if (imageSpec.photometric == Photometric::RgbPlanar) {
        for (int s = 0; s < samples; ++s)
            for (int r = 0; r < imageSpec.rows; ++r)
                for (int c = 0; c < imageSpec.columns; ++c)
                    values.push_back(imageSpec.pixel(r, c, s));
    } else {
        for (int r = 0; r < imageSpec.rows; ++r)
            for (int c = 0; c < imageSpec.columns; ++c)
                for (int s = 0; s < samples; ++s)
                    values.push_back(imageSpec.pixel(r, c, s));
    }
    return values;
}

Bytes pixelBytes(const std::vector<std::uint16_t>& samples, int bitsAllocated)
{
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    if (bitsAllocated == 8) {
        bytes->reserve(samples.size() + 1);
        for (const std::uint16_t sample : samples)
            bytes->push_back(static_cast<std::uint8_t>(sample));
        if (bytes->size() % 2 != 0)
            bytes->push_back(0); // DICOM values have even length
    } else {
        bytes->resize(samples.size() * 2);
        std::memcpy(bytes->data(), samples.data(), bytes->size()); // host order, as DCMTK holds OW
    }
    return bytes;
}

Numbers number(int value) { return Numbers{static_cast<double>(value)}; }

} // namespace

DataSetPtr makeImage(const ImageSpec& imageSpec)
{
    const bool color = isColor(imageSpec.photometric);
    const int bitsAllocated = imageSpec.bitsStored > 8 ? 16 : 8;
    auto image = std::make_shared<DataSet>();
    image->add(Attribute(ImageTag::SamplesPerPixel, "US", number(color ? 3 : 1)));
    image->add(Attribute(ImageTag::PhotometricInterpretation, "CS", std::string(photometricName(imageSpec.photometric))));
    if (color)
        image->add(Attribute(ImageTag::PlanarConfiguration, "US", number(imageSpec.photometric == Photometric::RgbPlanar ? 1 : 0)));
    image->add(Attribute(ImageTag::Rows, "US", number(imageSpec.rows)));
    image->add(Attribute(ImageTag::Columns, "US", number(imageSpec.columns)));
    if (!imageSpec.pixelAspectRatio.empty())
        image->add(Attribute(ImageTag::PixelAspectRatio, "IS", imageSpec.pixelAspectRatio));
    image->add(Attribute(ImageTag::BitsAllocated, "US", number(bitsAllocated)));
    image->add(Attribute(ImageTag::BitsStored, "US", number(imageSpec.bitsStored)));
    image->add(Attribute(ImageTag::HighBit, "US", number(imageSpec.bitsStored - 1)));
    image->add(Attribute(ImageTag::PixelRepresentation, "US", number(0)));
    image->add(Attribute(ImageTag::PixelData, bitsAllocated == 8 ? "OB" : "OW", pixelBytes(samplesOf(imageSpec), bitsAllocated)));
    return image;
}

bool isColorImage(const DataSet& image)
{
    return image.attribute(ImageTag::PhotometricInterpretation).textOrEmpty() == "RGB";
}

DataSetPtr imageBoxModification(const DataSetPtr& image, int imageBoxPosition)
{
    auto sequence = makeCollection();
    sequence->add(image);
    auto modification = std::make_shared<DataSet>();
    modification->add(Attribute(PrintTag::ImageBoxPosition, "US", number(imageBoxPosition)));
    modification->add(Attribute(isColorImage(*image) ? PrintTag::BasicColorImageSequence : PrintTag::BasicGrayscaleImageSequence,
                                "SQ", sequence));
    return modification;
}

DataSetPtr makeImageBoxModification(const ImageSpec& imageSpec, int imageBoxPosition)
{
    return imageBoxModification(makeImage(imageSpec), imageBoxPosition);
}

} // namespace kestrova
