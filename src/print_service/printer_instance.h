#pragma once
// The Printer SOP instance requesters ask for their printer's state.

#include "core/configuration.h"
#include "data/data_set.h"
#include "print_service/printer_status.h"

namespace kestrova {

// A fresh Printer instance built from the settings in force and the printer's status now.
DataSetPtr PrinterDataset(const Settings& settings, const DicomPrinterStatus& status);

} // namespace kestrova
