#pragma once
// A picture ready to draw: an 8-bit grayscale or RGB image and its natural size in
// HIMETRIC units (0.01 mm).

#include <QImage>

#include <cstdint>

namespace kestrova {

struct Picture {
    QImage image;
    std::int32_t widthHimetric = 0;
    std::int32_t heightHimetric = 0;
};

inline constexpr double TwipsPerHimetric = 1440.0 / 2540.0;

// HIMETRIC of an image shown at the given resolution (dots per inch).
inline double himetricFromPixels(double pixels, double dpi) { return pixels * 2540.0 / dpi; }

} // namespace kestrova
