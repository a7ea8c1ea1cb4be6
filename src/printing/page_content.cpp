#include "page_content.h"

#include "picture/picture_pixels.h"

#include <QColor>
#include <QPainter>

#include <algorithm>

namespace kestrova {

void PageContent::drawText(QPointF baseline, const QFont& font, const QString& text)
{
    items_.emplace_back(Text{baseline, font, text});
}

void PageContent::drawPicture(const QRectF& target, const Picture& picture)
{
    if (form_ == PictureForm::Pixels) {
        items_.emplace_back(Image{target, withImage(picture).image, nullptr});
        return;
    }
    std::shared_ptr<const CompressedPixels> pixels = compressedPixelsOf(picture);
    QImage standIn = standInImage(compressedImages().size(), pixels->format);
    items_.emplace_back(Image{target, std::move(standIn), std::move(pixels)});
}

void PageContent::fillRectangle(const QRectF& area, std::uint8_t grey) { items_.emplace_back(Rectangle{area, grey}); }

// Qt's print engines take images in 32 bits a pixel, and quietly draw nothing when they cannot
// convert one for want of memory: a page would print without its picture. Converted here, a
// conversion that fails fails the page.
QImage PageContent::paintedImage(const QImage& image)
{
    return madeImage(image.convertToFormat(QImage::Format_RGB32));
}

PdfImages PageContent::compressedImages() const
{
    PdfImages images;
    for (const auto& item : items_) {
        if (const auto* image = std::get_if<Image>(&item); image && image->pixels)
            images.push_back(image->pixels);
    }
    return images;
}

bool PageContent::grayscale() const
{
    return std::all_of(items_.begin(), items_.end(), [](const auto& item) {
        const auto* image = std::get_if<Image>(&item);
        return !image || image->image.format() == QImage::Format_Grayscale8;
    });
}

void PageContent::paint(QPainter& painter) const
{
    for (const auto& item : items_) {
        if (const auto* text = std::get_if<Text>(&item)) {
            painter.setFont(text->font);
            painter.drawText(text->baseline, text->text);
        } else if (const auto* image = std::get_if<Image>(&item)) {
            painter.drawImage(image->target, paintedImage(image->image));
        } else if (const auto* rectangle = std::get_if<Rectangle>(&item)) {
            painter.fillRect(rectangle->area, QColor(rectangle->grey, rectangle->grey, rectangle->grey));
        }
    }
}

} // namespace kestrova
