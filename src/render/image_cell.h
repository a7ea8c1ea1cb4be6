#pragma once
// One cell of the film grid: the image box's picture fitted into the cell on the page,
// and into the preview while the main window is maximized.

#include "printing/resampling.h"
#include "render/picture_fit.h"
#include "render/print_context.h"
#include "images/image.h"

#include <cstdint>
#include <optional>

namespace kestrova {

struct CellPlacement {
    std::int16_t reference = 0; // 1-based item of the film box's Referenced Image Box Sequence
    Cell page;
    Cell preview;
};

// What the film box asks of every one of its cells.
struct FilmCellStyle {
    // The film box's Magnification Type; an image box's own overrides it.
    std::optional<Resampling> magnification;
    // The grey level an empty cell is filled with; none leaves it as the page is.
    std::optional<std::uint8_t> emptyCellGrey;
};

// Magnification Type as DICOM names it: REPLICATE and NONE replicate pixels, BILINEAR and
// CUBIC smooth; anything else, or nothing, leaves the printer its own way.
std::optional<Resampling> resamplingFor(const Attribute& magnificationType);

// Draws the cell; a cell whose image box holds no image (no image sequence, or an empty
// one) stays blank or takes the style's empty-cell grey.
void renderImageCell(const PrintContext& context, const DataSetCollection& references,
                     const CellPlacement& placement, const FilmCellStyle& style);

} // namespace kestrova
