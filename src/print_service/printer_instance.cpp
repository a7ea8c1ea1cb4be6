#include "printer_instance.h"

#include "data/print_tags.h"
#include "data/sop_classes.h"

#include <array>
#include <memory>

namespace kestrova {

DataSetPtr PrinterDataset(const Settings& settings, const DicomPrinterStatus& status)
{
    auto printer = std::make_shared<DataSet>();
    printer->setSopInstanceUid(SopClass::PrinterInstance);
    printer->add(SopClassUidTag, std::string(SopClass::Printer));
    printer->add(PrintTag::Manufacturer, std::string("Quendal Kestrova"));
    printer->add(PrintTag::ManufacturerModelName, settings.AETName);
    printer->add(PrintTag::DeviceSerialNumber, std::string("1234"));
    printer->add(PrintTag::SoftwareVersions, std::string("1.0"));
    printer->add(PrintTag::PrinterStatus, status.status);
    printer->add(PrintTag::PrinterStatusInfo, status.info);
    printer->add(PrintTag::PrinterName, settings.Emulation);
    return printer;
}

namespace {

const std::array<const char*, 10> SupportedSopClasses = {
    SopClass::BasicGrayscalePrintManagementMeta, SopClass::BasicColorPrintManagementMeta,
    SopClass::BasicFilmSession,                  SopClass::BasicFilmBox,
    SopClass::BasicGrayscaleImageBox,            SopClass::BasicColorImageBox,
    SopClass::Printer,                           SopClass::PresentationLut,
    SopClass::BasicAnnotationBox,                SopClass::PrinterConfigurationRetrieval,
};

// Any number of columns and rows prints; these are what requesters are offered most.
const std::array<const char*, 8> UsualDisplayFormats = {
    "STANDARD\\1,1", "STANDARD\\1,2", "STANDARD\\2,2", "STANDARD\\2,3",
    "STANDARD\\3,3", "STANDARD\\3,4", "STANDARD\\4,4", "STANDARD\\4,5",
};

constexpr double MemoryBitDepth = 16; // Bits Allocated of the images taken
constexpr double PrintingBitDepth = 8; // what their rendition keeps

std::string joined(const auto& values)
{
    std::string text;
    for (const auto& value : values)
        text += (text.empty() ? "" : "\\") + std::string(value);
    return text;
}

DataSetPtr mediumItem(std::size_t number, const std::string& filmSizeId)
{
    auto item = std::make_shared<DataSet>();
    item->add(PrintTag::ItemNumber, std::to_string(number));
    item->add(PrintTag::MediumType, std::string("PAPER"));
    if (!filmSizeId.empty())
        item->add(PrintTag::FilmSizeId, filmSizeId);
    return item;
}

// A printer that keeps its own paper has one medium, whatever film size is asked.
CollectionPtr mediaInstalled(const PrinterCapabilities& printer)
{
    auto media = makeCollection();
    for (const auto& size : printer.filmSizes)
        media->add(mediumItem(media->count() + 1, size.first));
    if (media->empty())
        media->add(mediumItem(1, ""));
    return media;
}

CollectionPtr usualDisplayFormats()
{
    auto formats = makeCollection();
    for (const char* format : UsualDisplayFormats) {
        auto item = std::make_shared<DataSet>();
        item->add(PrintTag::ImageDisplayFormat, std::string(format));
        formats->add(item);
    }
    return formats;
}

} // namespace

DataSetPtr printerConfiguration(const PrinterCapabilities& printer)
{
    auto item = std::make_shared<DataSet>();
    item->add(PrintTag::SopClassesSupported, joined(SupportedSopClasses));
    item->add(PrintTag::MemoryBitDepth, Numbers{MemoryBitDepth});
    item->add(PrintTag::PrintingBitDepth, Numbers{PrintingBitDepth});
    item->add(PrintTag::MediaInstalledSequence, mediaInstalled(printer));
    item->add(PrintTag::SupportedImageDisplayFormatsSequence, usualDisplayFormats());
    item->add(PrintTag::OtherMagnificationTypesAvailable, std::string("REPLICATE\\BILINEAR\\CUBIC\\NONE"));
    auto configuration = std::make_shared<DataSet>();
    auto items = makeCollection();
    items->add(item);
    configuration->add(PrintTag::PrinterConfigurationSequence, items);
    return configuration;
}

} // namespace kestrova
