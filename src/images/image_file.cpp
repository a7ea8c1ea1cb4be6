#include "images/image_file.h"

#include "data/dcm_convert.h"
#include "data/image_tags.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>

#include <array>

namespace kestrova {
namespace {

// What an image box's image sequence item holds: the Image Pixel module.
constexpr std::array ImagePixelTags{ImageTag::SamplesPerPixel, ImageTag::PhotometricInterpretation,
                                    ImageTag::PlanarConfiguration, ImageTag::Rows,
                                    ImageTag::Columns,         ImageTag::PixelAspectRatio,
                                    ImageTag::BitsAllocated,   ImageTag::BitsStored,
                                    ImageTag::HighBit,         ImageTag::PixelRepresentation,
                                    ImageTag::PixelData};

} // namespace

std::variant<DataSetPtr, std::string> readPrintableImage(const std::filesystem::path& file)
{
    DcmFileFormat format;
    const OFCondition loaded = format.loadFile(file.c_str());
    if (loaded.bad())
        return file.string() + ": " + loaded.text();
    DcmDataset& dataset = *format.getDataset();
    Sint32 frames = 1;
    if (dataset.findAndGetSint32(DCM_NumberOfFrames, frames).good() && frames > 1)
        return file.string() + ": has " + std::to_string(frames) + " frames; an image box takes one";
    // The network sends it uncompressed; a compressed file needs decompressing first.
    if (dataset.chooseRepresentation(EXS_LittleEndianExplicit, nullptr).bad() ||
        !dataset.canWriteXfer(EXS_LittleEndianExplicit))
        return file.string() + ": compressed pixel data (decompress it first, for example with dcmdjpeg)";
    const DataSetPtr whole = dcm::toDataSet(dataset);
    if (!whole->has(ImageTag::PixelData))
        return file.string() + ": has no pixel data";
    auto image = std::make_shared<DataSet>();
    for (const Tag tag : ImagePixelTags)
        if (whole->has(tag))
            image->add(whole->attribute(tag));
    return image;
}

} // namespace kestrova
