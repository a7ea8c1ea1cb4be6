#pragma once
// What a film does to the 8-bit rendition of its images before they print: the requester's
// reversed polarity first, then the output curve, which calibrates the printer and so comes
// last. Grayscale images have their one channel changed, colour images each of the three.
//
// Threads: a pure function, on any thread.

#include "core/lut_table.h"

#include <QImage>

namespace kestrova {

struct RenditionChoices {
    bool reversed = false;
    const LutTable* outputCurve = nullptr;

    bool changesPixels() const { return reversed || outputCurve; }
};

// The image with the choices applied; an image shared with others is left as it is. Raises
// InvalidPicture when there is no room for the changed copy.
QImage withRendition(QImage image, const RenditionChoices& choices);

} // namespace kestrova
