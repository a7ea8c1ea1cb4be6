#pragma once
// The cells of a film laid over an area: lines share the area equally across, cells share
// their line equally along, each edge rounded to a whole unit (halves to even).
//
// Threads: a pure function, on any thread.

#include "render/display_format.h"
#include "render/picture_fit.h"

#include <cstdint>
#include <functional>

namespace kestrova {

// In page or preview units.
struct GridArea {
    std::int32_t left = 0;
    std::int32_t top = 0;
    double width = 0;
    double height = 0;
};

// Hands each cell of the layout to `take` in position order, a cell at a time: a layout of
// millions of cells fails at the first cell that cannot be filled, not by running out of memory.
// Raises division by zero (11) for a layout without lines or on reaching a line of no cell,
// invalid argument (5) on reaching a line of fewer than no cells.
void forEachCell(const GridArea& area, const FilmLayout& layout, const std::function<void(const Cell&)>& take);

} // namespace kestrova
