#pragma once
// A page drawn in full before any printer sees it: Qt cannot take back a page once its painter
// has been opened on a CUPS queue, so a page that fails half way must fail here. Text and
// rectangles are kept as given; pictures in the form the printer takes them.
//
// Threads: one page, one thread.

#include "printing/pdf_images.h"
#include "printing/printer_device.h"

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <variant>
#include <vector>

class QPainter;

namespace kestrova {

class PageContent final : public PageCanvas {
public:
    enum class PictureForm {
        // Each picture's image, inflated now when it was kept compressed.
        Pixels,
        // A stand-in in place of each picture, its compressed pixels kept for the film file.
        StandIns,
    };
    explicit PageContent(PictureForm form) : form_(form) {}

    void drawText(QPointF baseline, const QFont& font, const QString& text) override;
    void drawPicture(const QRectF& target, const Picture& picture) override;
    void fillRectangle(const QRectF& area, std::uint8_t grey) override;

    // True when every image is 8-bit grayscale: such a page can go out in gray, which
    // keeps its images one byte a pixel in the PDF.
    bool grayscale() const;

    // Draws everything in the order it was drawn here, in the painter's current coordinates.
    // Raises InvalidPicture when an image cannot be converted for the painter.
    void paint(QPainter& painter) const;

    // The pictures drawn as stand-ins, in the order of their stand-ins.
    PdfImages compressedImages() const;

private:
    struct Text {
        QPointF baseline;
        QFont font;
        QString text;
    };
    struct Image {
        QRectF target;
        // A stand-in is kept so that every copy of the page shows the same one, written once.
        QImage image;
        std::shared_ptr<const CompressedPixels> pixels;
    };
    struct Rectangle {
        QRectF area;
        int grey;
    };
    static QImage paintedImage(const QImage& image);

    PictureForm form_;
    std::vector<std::variant<Text, Image, Rectangle>> items_;
};

} // namespace kestrova
