#pragma once
// What a film does to the 8-bit rendition of its images before they print: the requester's
// reversed polarity first, then the grey scale it asks for, then the output curve, which
// calibrates the printer and so comes last. Grayscale images have their one channel changed,
// colour images each of the three.
//
// Threads: a pure function, on any thread.

#include "core/lut_table.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <optional>

namespace kestrova {

// What each 8-bit level becomes.
using LevelCurve = std::array<std::uint8_t, 256>;

struct RenditionChoices {
    bool reversed = false;
    const LutTable* outputCurve = nullptr;
    // The drive levels that print the grey scale the film asks for (print_grey_scale.h).
    std::optional<LevelCurve> greyScale;

    bool changesPixels() const { return reversed || greyScale || outputCurve; }
};

// The image with the choices applied; an image shared with others is left as it is. Raises
// InvalidPicture when there is no room for the changed copy.
QImage withRendition(QImage image, const RenditionChoices& choices);

} // namespace kestrova
