#pragma once
// The Printer SOP instance requesters ask for their printer's state, and the Printer
// Configuration Retrieval instance they ask what it supports.

#include "core/configuration.h"
#include "data/data_set.h"
#include "print_service/printer_status.h"
#include "printing/printer_device.h"

namespace kestrova {

// A fresh Printer instance built from the settings in force and the printer's status now.
DataSetPtr PrinterDataset(const Settings& settings, const DicomPrinterStatus& status);

// The Printer Configuration Sequence of one item: the SOP classes Kestrova supports, the bit depths
// it takes and prints, the film sizes of the printer in use (paper of its own choice where it
// takes none), the usual display formats and the magnification types.
DataSetPtr printerConfiguration(const PrinterCapabilities& printer);

} // namespace kestrova
