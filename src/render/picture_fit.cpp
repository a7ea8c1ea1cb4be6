#include "picture_fit.h"

#include "core/errors.h"
#include "core/rounding.h"

namespace kestrova {

FittedPicture fitPicture(const Cell& cell, std::int32_t pictureWidth, std::int32_t pictureHeight)
{
    if (pictureWidth == 0 || pictureHeight == 0)
        raise(ErrorCode::DivisionByZero);
    // The scales are single precision on purpose: the offsets and the tie between the two
    // branches depend on it.
    float s = static_cast<float>(static_cast<double>(cell.width) / pictureWidth);
    const float t = static_cast<float>(static_cast<double>(cell.height) / pictureHeight);
    FittedPicture fitted;
    if (t > s) {
        fitted.x = cell.x;
        fitted.y = roundHalfEven<std::int32_t>(cell.y + (cell.height - static_cast<double>(s) * pictureHeight) / 2);
    } else {
        s = t;
        fitted.y = cell.y;
        fitted.x = roundHalfEven<std::int32_t>(cell.x + (cell.width - static_cast<double>(s) * pictureWidth) / 2);
    }
    fitted.width = static_cast<double>(s) * pictureWidth;
    fitted.height = static_cast<double>(s) * pictureHeight;
    return fitted;
}

} // namespace kestrova
