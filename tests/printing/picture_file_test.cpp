// Picture files: their size in HIMETRIC from their own resolution, and the image forms
// that go to a printer.
#include "printing/qt_printer_device.h"

#include "core/errors.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QImageWriter>

#include <optional>

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using test::TempProgramFolder;

// A grey ramp, or a flat colour.
QImage testImage(int width, int height, bool colour)
{
    QImage image(width, height, colour ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, colour ? QColor(200, 40, 10) : QColor((x * 7) % 256, (x * 7) % 256, (x * 7) % 256));
    return image;
}

// A PNG as Qt writes it, minus its pHYs chunk: a file that states no resolution.
std::string pngWithoutResolution(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    std::string bytes = png.toStdString();
    std::string stripped = bytes.substr(0, 8);
    for (std::size_t at = 8; at + 8 <= bytes.size();) {
        const auto length = (static_cast<unsigned char>(bytes[at]) << 24) | (static_cast<unsigned char>(bytes[at + 1]) << 16)
                            | (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
        const std::size_t chunkSize = 12 + length;
        if (bytes.compare(at + 4, 4, "pHYs") != 0)
            stripped += bytes.substr(at, chunkSize);
        at += chunkSize;
    }
    return stripped;
}

// The smallest GIF there is: one white pixel. Qt reads GIF but does not write it.
const std::string OnePixelGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                              ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                              35);

struct PictureCase {
    const char* name;
    const char* fileName;
    QImage image;
    std::optional<int> dotsPerMetre; // none: the file states no resolution
    std::int32_t widthHimetric;
    std::int32_t heightHimetric;
    QImage::Format format;
};

void PrintTo(const PictureCase& value, std::ostream* out) { *out << value.name; }

void writePictureFile(const fs::path& file, const PictureCase& picture)
{
    if (file.extension() == ".gif") {
        test::writeFile(file, OnePixelGif);
        return;
    }
    if (!picture.dotsPerMetre) {
        test::writeFile(file, pngWithoutResolution(picture.image));
        return;
    }
    QImage image = picture.image;
    image.setDotsPerMeterX(*picture.dotsPerMetre);
    image.setDotsPerMeterY(*picture.dotsPerMetre);
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), nullptr, 100));
}

class PictureFiles : public ::testing::TestWithParam<PictureCase> {
protected:
    TempProgramFolder folder;
    QtPrinterDevice device;
};

TEST_P(PictureFiles, SizeComesFromTheFilesResolutionAndImageIsGrayOrRgb)
{
    const auto& expected = GetParam();
    const auto file = folder / expected.fileName;
    writePictureFile(file, expected);

    const Picture picture = device.loadPicture(file);
    EXPECT_EQ(picture.widthHimetric, expected.widthHimetric);
    EXPECT_EQ(picture.heightHimetric, expected.heightHimetric);
    EXPECT_EQ(picture.image.format(), expected.format);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PictureFiles,
    ::testing::Values(
        // 300 dpi: 600 pixels are two inches.
        PictureCase{"png300dpi", "logo.png", testImage(600, 300, false), 11811, 5080, 2540, QImage::Format_Grayscale8},
        PictureCase{"pngWithoutResolution", "plain.png", testImage(96, 48, true), std::nullopt, 2540, 1270,
                    QImage::Format_RGB888},
        PictureCase{"jpeg150dpi", "logo.jpg", testImage(300, 150, true), 5906, 5080, 2540, QImage::Format_RGB888},
        PictureCase{"bmp200dpi", "logo.bmp", testImage(400, 200, false), 7874, 5080, 2540, QImage::Format_Grayscale8},
        // 1/96 inch is 26.46 HIMETRIC.
        PictureCase{"gif", "dot.gif", QImage(), std::nullopt, 26, 26, QImage::Format_Grayscale8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PictureTransparency, TransparentPartsAreWhitePaper)
{
    TempProgramFolder folder;
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixelColor(1, 1, QColor(255, 0, 0));
    image.save(QString::fromStdString((folder / "logo.png").string()));

    const Picture picture = QtPrinterDevice().loadPicture(folder / "logo.png");
    ASSERT_EQ(picture.image.format(), QImage::Format_RGB888);
    EXPECT_EQ(picture.image.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(picture.image.pixelColor(1, 1), QColor(255, 0, 0));
}

struct BadPictureCase {
    const char* name;
    std::optional<std::string> content; // none: no file at all
    ErrorCode expected;
};

void PrintTo(const BadPictureCase& value, std::ostream* out) { *out << value.name; }

class BadPictureFiles : public ::testing::TestWithParam<BadPictureCase> {};

TEST_P(BadPictureFiles, RaiseTheirErrorNumber)
{
    TempProgramFolder folder;
    const auto file = folder / "logo.png";
    if (GetParam().content)
        test::writeFile(file, *GetParam().content);
    try {
        QtPrinterDevice().loadPicture(file);
        ADD_FAILURE() << "loaded";
    } catch (const AppError& error) {
        EXPECT_EQ(error.code(), GetParam().expected);
        EXPECT_NE(error.description().find("logo.png"), std::string::npos) << error.description();
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, BadPictureFiles,
                         ::testing::Values(BadPictureCase{"missing", std::nullopt, ErrorCode::FileNotFound},
                                           BadPictureCase{"garbage", "no picture in here", ErrorCode::InvalidPicture},
                                           BadPictureCase{"empty", "", ErrorCode::InvalidPicture}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
