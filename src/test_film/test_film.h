#pragma once
// One whole print job as a modality sends it: a film session, a film box, an image for each
// image box, and the print. kestrova-send-test-film sends it to check an installation or any
// DICOM printer; the window tests send it to the program.

#include "data/data_set.h"
#include "print_scu/print_scu.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

struct FilmRequest {
    std::string calledAeTitle = "KESTROVA";
    // Image Display Format of the film box; empty: the smallest STANDARD grid for the images.
    std::string format;
    // Image Pixel modules, one per image box in order; empty: the built-in test pattern.
    std::vector<DataSetPtr> images;
    // DICOM over TLS; none: plain DICOM.
    std::optional<ScuTls> tls;
    std::string callingAeTitle = ScuOptions{}.callingAeTitle;
};

struct TestFilmResult {
    bool printed = false;
    // What went wrong when not printed.
    std::string failure;
    // The status of every response, in request order.
    std::vector<std::uint16_t> statuses;
};

// Told of every response as it comes: which request, and its status.
using StatusReport = std::function<void(const std::string& request, std::uint16_t status)>;

// Blocks until the job is done; run it off the thread that serves the listener.
TestFilmResult sendTestFilm(const std::string& host, int port, const FilmRequest& film = {},
                            const StatusReport& report = {});

// Four recognisable 8-bit pictures of size x size pixels: a ramp, rings, a checkerboard, a disc.
std::vector<DataSetPtr> testPattern(int size = 256);

// A step wedge for measuring what a printer prints: StepWedgeSteps steps, left to right, of
// the drive levels 0 (black), 15, 30 ... 255 (nothing printed).
inline constexpr int StepWedgeSteps = 18;
DataSetPtr stepWedge();

// "STANDARD\C,R": the fewest columns and rows, columns first, that hold imageCount images.
std::string standardFormatFor(std::size_t imageCount);

} // namespace kestrova
