#pragma once
// The header band of a film: left caption lines, right caption lines flush with the right
// edge, a line advancing by the font's line height, and an optional logo at its natural size
// on the side without text.
//
// Threads: a pure function, on any thread.

#include "core/configuration.h"
#include "render/film_page.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrova {

struct HeaderBand {
    std::vector<CaptionLine> captions; // the left lines, then the right ones
    std::optional<PlacedPicture> logo; // the logo as given
    std::int32_t height = 0;           // where the grid begins
};

// Raises object not set (91) when the caption files have never been read. Positions along the
// band are single precision, as the printable width they are measured from.
HeaderBand headerBand(const Configuration& configuration, const std::optional<Picture>& logo, float width,
                      const FontMetrics& font);

} // namespace kestrova
