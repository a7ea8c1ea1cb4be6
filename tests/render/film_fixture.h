#pragma once
// A store with one film session and film box laid out by hand, and a print context over the
// recording devices, for the page layout tests.

#include "core/global_settings.h"
#include "core/lut_table.h"
#include "printing/testing/recording_preview_surface.h"
#include "printing/testing/recording_printer_device.h"
#include "render/print_context.h"
#include "toolkit/data_set.h"

#include "support/temp_folder.h"

#include <optional>
#include <string>

namespace kestrova::test {

// An 8-bit MONOCHROME2 image data set of the given size, filled with one grey level.
DataSetPtr flatGreyImage(int rows, int columns, std::uint8_t level = 128);

class FilmFixture {
public:
    FilmFixture();

    // Creates the session and a film box with one image box per cell of format (columns x rows
    // as the format says) and returns the film box UID. references caps the number of image
    // box references (fewer than cells when given).
    std::string addFilmBox(const std::string& format, std::optional<int> references = std::nullopt);
    // Puts an image into image box k (1-based) of the last film box.
    void setImage(int k, DataSetPtr image);
    DataSetPtr filmBox() const { return filmBox_; }
    DataSetPtr filmSession() const { return session_; }

    PrintContext context();

    TempProgramFolder folder;
    CollectionPtr store = makeCollection();
    Settings settings{"KODAK", 4006, "KODAK", "", "Tahoma", 10, 0, ""};
    std::optional<HeaderLines> left = HeaderLines{};
    std::optional<HeaderLines> right = HeaderLines{};
    LutState lut;
    RecordingPrinterDevice printer;
    RecordingPreviewSurface preview;
    bool maximized = false;
    int eventPasses = 0;

private:
    DataSetPtr session_;
    DataSetPtr filmBox_;
    int counter_ = 0;
};

} // namespace kestrova::test
