#pragma once
// The pixels a picture goes to the printer with.
//
// Threads: a pure function, on any thread; pictures share their pixels and are never changed.

#include "picture/picture.h"
#include "printing/resampling.h"
#include "render/rendition.h"

#include <QSizeF>

#include <optional>

namespace kestrova {

struct PictureTreatment {
    RenditionChoices rendition;
    std::optional<Resampling> resampling;
};

// The picture as a printer of that resolution takes it printed `size` twips large: the
// rendition applied, resampled to the printer's pixels when asked, and no finer than the
// printer prints. Kept compressed: a picture that none of this changes is not even inflated and
// keeps its own compressed pixels. Raises InvalidPicture for a picture without pixels.
Picture printedPicture(const Picture& picture, QSizeF size, const PictureTreatment& treatment, int dotsPerInch);

} // namespace kestrova
