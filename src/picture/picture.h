#pragma once
// A picture ready to draw: an 8-bit grayscale or RGB image and its natural size in
// HIMETRIC units (0.01 mm).

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <memory>

namespace kestrova {

// An image's rows, unpadded, compressed once for the pages that will carry them (a zlib
// stream, as a PDF /FlateDecode stream holds them). They stand for the image whose
// QImage::cacheKey is imageKey only: any change to an image, or an image made from it, has
// another key.
struct CompressedPixels {
    qint64 imageKey = 0;
    QByteArray deflated;
    int width = 0;
    int height = 0;
    QImage::Format format = QImage::Format_Invalid;
};

struct Picture {
    QImage image;
    std::int32_t widthHimetric = 0;
    std::int32_t heightHimetric = 0;
    // Made ahead where there was time for it, e.g. while the next image was still arriving;
    // null when not. A picture kept waiting for its film holds only these, and a null image.
    std::shared_ptr<const CompressedPixels> compressed;
};

// The rows of an 8-bit grayscale or RGB image, deflated.
std::shared_ptr<const CompressedPixels> compressedPixels(const QImage& image);

// The picture's own compressed pixels when they are those of image, else image compressed now.
std::shared_ptr<const CompressedPixels> compressedPixelsFor(const Picture& picture, const QImage& image);

// The pixels of the picture as it is, compressed: those it holds when they stand for its image
// or it holds no image, else its image compressed now. Raises an AppError InvalidPicture for a
// picture with neither.
std::shared_ptr<const CompressedPixels> compressedPixelsOf(const Picture& picture);

// The pixels of the picture's image, or of its compressed pixels when it holds no image. Raises
// InvalidPicture for a picture with neither.
QSize pixelSize(const Picture& picture);
// Its pixels' bytes as an 8-bit image without row padding: what a printer drawing it holds.
std::uint64_t pixelBytes(const Picture& picture);
// What the picture holds now: its compressed pixels and its image, if any.
std::uint64_t heldBytes(const Picture& picture);

// The picture holding only its compressed pixels: a few percent of the image on most films,
// while it waits for the rest of its film.
Picture keptCompressed(Picture picture);

// The picture with its image, inflated when it was kept compressed; its compressed pixels then
// stand for the inflated image. Raises an AppError InvalidPicture when they cannot be inflated.
Picture withImage(const Picture& picture);

inline constexpr double TwipsPerHimetric = 1440.0 / 2540.0;

// HIMETRIC of an image shown at the given resolution (dots per inch).
inline double himetricFromPixels(double pixels, double dpi) { return pixels * 2540.0 / dpi; }

} // namespace kestrova
