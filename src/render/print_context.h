#pragma once
// Everything a print job takes from outside the renderer.

#include "core/configuration.h"
#include "core/lut_table.h"
#include "printing/printer_device.h"
#include "data/data_set.h"

#include <functional>
#include <optional>

namespace kestrova {

struct PrintContext {
    // The object store as it is when the job starts; objects stay usable if they leave it.
    CollectionPtr store;
    // The job's own copy of the configuration, taken when the job started; the job holds it.
    const Settings& settings;
    const std::optional<HeaderLines>& headerLeftLines;
    const std::optional<HeaderLines>& headerRightLines;
    const LutState& lut;
    PrinterDevice& printer;
    PreviewSurface& preview;
    // Whether the preview is drawn (the main window is maximized).
    std::function<bool()> isMaximized;
};

} // namespace kestrova
