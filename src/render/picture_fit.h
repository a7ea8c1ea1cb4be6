#pragma once
// Places a picture in a cell as large as it fits with its own aspect ratio: flush with the
// two edges of the limiting axis, centred on the other.

#include <cstdint>

namespace kestrova {

struct Cell {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct FittedPicture {
    std::int32_t x = 0;
    std::int32_t y = 0;
    double width = 0;
    double height = 0;
};

// pictureWidth and pictureHeight in HIMETRIC; raises division by zero for an empty picture.
FittedPicture fitPicture(const Cell& cell, std::int32_t pictureWidth, std::int32_t pictureHeight);

} // namespace kestrova
