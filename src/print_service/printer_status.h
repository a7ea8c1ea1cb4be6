#pragma once
// The printer's state as DICOM says it: Printer Status (2110,0010) and Printer Status Info
// (2110,0020), mapped from what the printer says of itself (printer_device.h) in one table.

#include "printing/printer_device.h"

#include <string>

namespace kestrova {

struct DicomPrinterStatus {
    std::string status; // NORMAL, WARNING or FAILURE
    std::string info;   // a defined term of Printer Status Info
    bool operator==(const DicomPrinterStatus&) const = default;
};

// The first that applies: a printer that is gone or takes no jobs is FAILURE / PRINTER DOWN; a
// failure among its reasons as the table has it; another "-error" reason FAILURE / CHECK PRINTER;
// a stopped printer FAILURE / PRINTER OFFLINE; a warning among its reasons as the table has it;
// another "-warning" reason WARNING / CHECK PRINTER; NORMAL / NORMAL. Reasons are matched without
// their severity suffix ("toner-low-warning" is "toner-low"); "-report" reasons the table does
// not know say nothing.
DicomPrinterStatus dicomPrinterStatus(const PrinterState& state);

// "NORMAL", or the status and the info: "FAILURE (SUPPLY EMPTY)".
std::string statusText(const DicomPrinterStatus& status);

} // namespace kestrova
