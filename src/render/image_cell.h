#pragma once
// One cell of the film grid: the image box's picture fitted into the cell on the page,
// and into the preview while the main window is maximized.

#include "render/picture_fit.h"
#include "render/print_context.h"
#include "toolkit/image.h"

#include <cstdint>

namespace kestrova {

struct CellPlacement {
    std::int16_t reference = 0; // 1-based item of the film box's Referenced Image Box Sequence
    Cell page;
    Cell preview;
};

// Draws the cell; a cell whose image box holds no image stays blank. The image list of
// the drawn image replaces the one of the previous cell (one alive at a time).
void renderImageCell(const PrintContext& context, const DataSetCollection& references,
                     const CellPlacement& placement, ImageList& imageList);

} // namespace kestrova
