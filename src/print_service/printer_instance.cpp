#include "printer_instance.h"

#include "data/print_tags.h"
#include "data/sop_classes.h"

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

} // namespace kestrova
