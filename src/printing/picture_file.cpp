#include "picture_file.h"

#include "core/errors.h"
#include "core/file_system.h"
#include "core/rounding.h"
#include "picture/picture_pixels.h"

#include <QImageReader>
#include <QPainter>

namespace kestrova {
namespace {

constexpr double DefaultDpi = 96.0;
constexpr double MetresPerInch = 0.0254;
// 96 dpi as Qt stores it in whole dots per metre.
constexpr int DefaultDotsPerMetre = 3780;

// Qt gives an image whose file states no resolution the screen's resolution (or 96 dpi),
// so that value, like 0, means "unset". A file that really says 96 dpi reads the same.
double imageDpi(int dotsPerMetre)
{
    const int unsetValue = QImage(1, 1, QImage::Format_Grayscale8).dotsPerMeterX();
    if (dotsPerMetre <= 0 || dotsPerMetre == unsetValue || dotsPerMetre == DefaultDotsPerMetre)
        return DefaultDpi;
    return dotsPerMetre * MetresPerInch;
}

[[noreturn]] void raiseInvalidPicture(const std::filesystem::path& file, const QString& reason)
{
    raiseAbout(ErrorCode::InvalidPicture, file.string() + " (" + reason.toStdString() + ")");
}

} // namespace

Picture loadPictureFile(const std::filesystem::path& file)
{
    if (!fileSystem().fileExists(file))
        raiseAbout(ErrorCode::FileNotFound, file.string());
    QImageReader reader(QString::fromStdString(file.string()));
    QImage image = reader.read();
    if (image.isNull())
        raiseInvalidPicture(file, reader.errorString());
    Picture picture;
    picture.widthHimetric = roundHalfEven<std::int32_t>(himetricFromPixels(image.width(), imageDpi(image.dotsPerMeterX())));
    picture.heightHimetric = roundHalfEven<std::int32_t>(himetricFromPixels(image.height(), imageDpi(image.dotsPerMeterY())));
    picture.image = printableImage(image);
    return picture;
}

QImage printableImage(const QImage& image)
{
    if (image.format() == QImage::Format_Grayscale8 || image.format() == QImage::Format_RGB888)
        return image;
    QImage opaque = image;
    if (image.hasAlphaChannel()) {
        opaque = allocatedImage(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    }
    return madeImage(opaque.convertToFormat(opaque.allGray() ? QImage::Format_Grayscale8 : QImage::Format_RGB888));
}

} // namespace kestrova
