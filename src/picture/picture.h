#pragma once
// A picture ready to draw: an 8-bit grayscale or RGB image and its natural size in
// HIMETRIC units (0.01 mm).

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <memory>

namespace kestrova {

// An image's rows, unpadded, compressed once for the pages that will carry them. They stand
// for the image whose QImage::cacheKey is imageKey only: any change to an image, or an image
// made from it, has another key.
struct CompressedPixels {
    qint64 imageKey = 0;
    QByteArray deflated;
};

struct Picture {
    QImage image;
    std::int32_t widthHimetric = 0;
    std::int32_t heightHimetric = 0;
    // Made ahead where there was time for it, e.g. while the next image was still arriving;
    // null when not.
    std::shared_ptr<const CompressedPixels> compressed;
};

inline constexpr double TwipsPerHimetric = 1440.0 / 2540.0;

// HIMETRIC of an image shown at the given resolution (dots per inch).
inline double himetricFromPixels(double pixels, double dpi) { return pixels * 2540.0 / dpi; }

} // namespace kestrova
