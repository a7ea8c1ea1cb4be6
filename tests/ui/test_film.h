#pragma once
// One whole print job as a modality sends it: a film session, a film box of 2 x 2 image
// boxes, an image for each, and the print. Used by the window tests and by the
// kestrova-send-test-film tool that the screenshots script runs.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrova::test {

struct TestFilmResult {
    bool printed = false;
    // What went wrong when not printed.
    std::string failure;
    // The status of every response, in request order.
    std::vector<std::uint16_t> statuses;
};

// Blocks until the job is done; run it off the thread that serves the listener.
TestFilmResult sendTestFilm(const std::string& host, int port, int imageSize = 256);

} // namespace kestrova::test
