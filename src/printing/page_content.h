#pragma once
// What a document has drawn so far, kept until the document ends. Painting happens only
// then, so that a document given up half way never reaches a printer: Qt cannot take
// back a page once its painter has been opened on a CUPS queue.

#include "printing/pdf_images.h"

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <variant>
#include <vector>

class QPainter;

namespace kestrova {

class PageContent {
public:
    void addText(QPointF baseline, const QFont& font, const QString& text);
    void addImage(QRectF target, const QImage& image);
    // An image that goes into the page already compressed: painting draws its stand-in, and
    // the pixels replace it in the file Qt wrote.
    void addCompressedImage(QRectF target, std::shared_ptr<const CompressedPixels> pixels);
    void addRectangle(QRectF area, int grey);

    bool empty() const { return items_.empty(); }
    // True when every image is 8-bit grayscale: such a page can go out in gray, which
    // keeps its images one byte a pixel in the PDF.
    bool grayscale() const;

    // Draws everything in the order it was added, in the painter's current coordinates.
    void paint(QPainter& painter) const;

    // The images added compressed, in the order of their stand-ins.
    PdfImages compressedImages() const;

private:
    struct Text {
        QPointF baseline;
        QFont font;
        QString text;
    };
    struct Image {
        QRectF target;
        // A compressed image's stand-in, kept so that every copy of the page shows the same
        // one, written once.
        QImage image;
        std::shared_ptr<const CompressedPixels> pixels;
    };
    struct Rectangle {
        QRectF area;
        int grey;
    };
    std::vector<std::variant<Text, Image, Rectangle>> items_;
};

} // namespace kestrova
