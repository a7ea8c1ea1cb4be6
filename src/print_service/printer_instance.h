#pragma once
// The Printer SOP instance requesters ask for their printer's state.

#include "core/configuration.h"
#include "data/data_set.h"

namespace kestrova {

// A fresh Printer instance built from the settings in force.
DataSetPtr PrinterDataset(const Settings& settings);

} // namespace kestrova
