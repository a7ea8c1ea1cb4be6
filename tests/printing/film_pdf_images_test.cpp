// The images of the built-in printer's films: the pictures' exact pixels, where Qt would
// have drawn them.
#include "pdf_tools.h"

#include "printing/film_pdf_printer.h"
#include "printing/page_content.h"

#include "core/errors.h"
#include "support/cups_server.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

namespace kestrova {
namespace {

namespace fs = std::filesystem;

// Widths that leave QImage's rows padded, and content no filter could smooth over.
QImage patterned(int width, int height, QImage::Format format, int seed)
{
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < image.bytesPerLine(); ++x)
            image.scanLine(y)[x] = static_cast<uchar>((x * 7 + y * 13 + seed * 31) ^ (x * y));
    return image;
}

Picture pictureOf(const QImage& image) { return Picture{image, 2540, 2540, nullptr}; }

// Every file in a folder, or what pdfimages decodes of a PDF's pages, in order.
QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

std::vector<QImage> imagesIn(const fs::path& pdf)
{
    QTemporaryDir folder;
    test::runCommand("pdfimages", {QString::fromStdString(pdf.string()), folder.filePath("image")});
    std::vector<QImage> images;
    for (const QString& name : filesIn(folder.path()))
        images.emplace_back(folder.filePath(name));
    return images;
}

class FilmImages : public ::testing::Test {
protected:
    QString films() const { return QString::fromStdString((folder / "films").string()); }

    test::TempProgramFolder folder;
    FilmPdfPrinter printer;
};

TEST_F(FilmImages, HoldTheExactPixelsOfEachPictureOnEveryCopyAndColourStaysColour)
{
    const QImage gray = patterned(203, 157, QImage::Format_Grayscale8, 1);
    const QImage colour = patterned(101, 77, QImage::Format_RGB888, 2);
    Picture ahead = pictureOf(gray);
    ahead.compressed = compressedPixels(gray);
    // Compressed ahead, then changed: the change must print.
    Picture changed = pictureOf(patterned(64, 64, QImage::Format_Grayscale8, 3));
    changed.compressed = compressedPixels(changed.image);
    changed.image.setPixel(5, 5, 0);

    printer.print(PageSetup{std::nullopt, Orientation::Portrait, 2}, [&](PageCanvas& page) {
        page.drawPicture(QRectF(100, 100, 3000, 2300), ahead);
        page.drawPicture(QRectF(3300, 100, 2000, 1500), pictureOf(colour));
        page.drawPicture(QRectF(100, 4000, 1000, 1000), changed);
    });

    const fs::path film = (folder / "films") / filesIn(films()).value(0).toStdString();
    const std::vector<QImage> expected{gray, colour, changed.image, gray, colour, changed.image};
    const auto images = imagesIn(film);
    ASSERT_EQ(images.size(), expected.size());
    for (std::size_t i = 0; i < images.size(); ++i)
        EXPECT_EQ(images[i].convertToFormat(expected[i].format()), expected[i]) << "image " << i;
    const auto listed = test::pdfImages(film);
    EXPECT_EQ(listed.at(0).colour, "gray");
    EXPECT_EQ(listed.at(1).colour, "rgb");
    for (const auto& image : listed)
        EXPECT_EQ(image.encoding + " " + std::to_string(image.bitsPerComponent), "image 8") << "stored losslessly in 8 bits";
}

// A picture kept as its compressed pixels while its film waits comes back as the very same
// image, still printed from the rows compressed once; damaged rows are an invalid picture.
TEST(KeptCompressedPicture, ComesBackAsTheSameImageWrittenFromTheSameRows)
{
    for (const QImage& image : {patterned(203, 157, QImage::Format_Grayscale8, 5), patterned(101, 77, QImage::Format_RGB888, 6),
                                patterned(64, 32, QImage::Format_Grayscale8, 7)}) {
        const Picture kept = keptCompressed(pictureOf(image));
        EXPECT_TRUE(kept.image.isNull());
        const Picture back = withImage(kept);
        EXPECT_EQ(back.image, image) << image.width();
        EXPECT_EQ(back.widthHimetric, 2540);
        EXPECT_EQ(compressedPixelsFor(back, back.image)->deflated.constData(), kept.compressed->deflated.constData());
    }
    Picture damaged = keptCompressed(pictureOf(patterned(40, 30, QImage::Format_Grayscale8, 8)));
    auto truncated = std::make_shared<CompressedPixels>(*damaged.compressed);
    truncated->deflated.chop(4);
    damaged.compressed = truncated;
    EXPECT_THROW(withImage(damaged), AppError);
}

// Qt drawing a page's images itself and the same page through stand-ins, rasterised: the
// same pixels, whatever the rectangles' fractions.
TEST(FilmImagePlacement, IsWhereQtDrawsTheImageItself)
{
    QTemporaryDir folder;
    const auto paintTo = [&](const QString& name, const PageContent& page) {
        QPdfWriter writer(folder.filePath(name));
        writer.setResolution(600);
        QPainter painter(&writer);
        painter.scale(600 / 1440.0, 600 / 1440.0);
        painter.setRenderHint(QPainter::LosslessImageRendering);
        page.paint(painter);
    };
    PageContent byQt(PageContent::PictureForm::Pixels);
    PageContent withStandIns(PageContent::PictureForm::StandIns);
    for (int i = 0; i < 4; ++i) {
        const QImage image = patterned(180 + 17 * i, 140 + 9 * i, i == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8, i);
        const QRectF target(100.37 + (i % 2) * 5571.3, 900.7 + (i / 2) * 7000.13, 5400.37 - i * 11.1, 6750.913 + i);
        byQt.drawPicture(target, pictureOf(image));
        withStandIns.drawPicture(target, keptCompressed(pictureOf(image)));
    }
    paintTo("qt.pdf", byQt);
    paintTo("layout.pdf", withStandIns);
    const fs::path film = folder.filePath("film.pdf").toStdString();
    test::writeFile(film, filmWithImages(folder.filePath("layout.pdf").toStdString(), withStandIns.compressedImages()));

    for (const int dpi : {72, 150})
        EXPECT_EQ(test::renderGray(film, dpi), test::renderGray(folder.filePath("qt.pdf").toStdString(), dpi)) << dpi;
}

} // namespace
} // namespace kestrova
