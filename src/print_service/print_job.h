#pragma once
// One N-ACTION's printing, done away from the UI thread: the job holds its own copies of the
// objects it prints, of the settings, the caption lines and the LUT, and its own printer
// device, all taken on the UI thread when the request came. It then lays out and paints on
// the association's thread beside other jobs, while the UI thread and the store go on.

#include "core/configuration.h"
#include "core/lut_table.h"
#include "print_service/object_store.h"
#include "printing/preview_recording.h"
#include "printing/printer_device.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace kestrova {

class PrintJob {
public:
    // On the UI thread. target is a stored film box or film session.
    PrintJob(const ObjectStore& store, const DataSetPtr& target, const Configuration& configuration,
             const LutState& lut, const PrinterDevice& printer, const PreviewSurface& preview, bool previewWanted);

    // On the job's thread: prints and returns the N-ACTION status, as DoPrint and
    // PrintFilmSession do.
    std::uint16_t print();
    // On the UI thread, once printed: the preview the job drew.
    void showPreview(PreviewSurface& preview) const { preview_.showOn(preview); }

private:
    CollectionPtr store_ = makeCollection();
    DataSetPtr target_;
    Configuration configuration_;
    LutState lut_;
    std::unique_ptr<PrinterDevice> printer_;
    PreviewRecording preview_;
    bool previewWanted_;
};

} // namespace kestrova
