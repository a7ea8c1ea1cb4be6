#include "page_content.h"

#include <QColor>
#include <QPainter>

#include <algorithm>

namespace kestrova {

void PageContent::addText(QPointF baseline, const QFont& font, const QString& text)
{
    items_.emplace_back(Text{baseline, font, text});
}

void PageContent::addImage(QRectF target, const QImage& image)
{
    items_.emplace_back(Image{target, image, nullptr});
}

void PageContent::addCompressedImage(QRectF target, std::shared_ptr<const CompressedPixels> pixels)
{
    QImage standIn = standInImage(compressedImages().size(), pixels->format);
    items_.emplace_back(Image{target, std::move(standIn), std::move(pixels)});
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

void PageContent::addRectangle(QRectF area, int grey)
{
    items_.emplace_back(Rectangle{area, grey});
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
            painter.drawImage(image->target, image->image);
        } else if (const auto* rectangle = std::get_if<Rectangle>(&item)) {
            painter.fillRect(rectangle->area, QColor(rectangle->grey, rectangle->grey, rectangle->grey));
        }
    }
}

} // namespace kestrova
