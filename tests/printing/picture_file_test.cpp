// Picture files: their size in HIMETRIC from their own resolution, and the image forms
// that go to a printer.
#include "printing/picture_file.h"

#include "core/errors.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImageWriter>

#include <optional>
#include <tuple>

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

// The smallest GIF there is: one white pixel. Qt reads GIF but does not write it.
const std::string OnePixelGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                              ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                              35);

struct PictureCase {
    const char* name;
    const char* fileName;
    QImage image;
    int dotsPerMetre; // a GIF states none
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
    QImage image = picture.image;
    image.setDotsPerMeterX(picture.dotsPerMetre);
    image.setDotsPerMeterY(picture.dotsPerMetre);
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), nullptr, 100));
}

class PictureFiles : public ::testing::TestWithParam<PictureCase> {
protected:
    TempProgramFolder folder;
};

TEST_P(PictureFiles, SizeComesFromTheFilesResolutionAndImageIsGrayOrRgb)
{
    const auto& expected = GetParam();
    const auto file = folder / expected.fileName;
    writePictureFile(file, expected);

    const Picture picture = loadPictureFile(file);
    EXPECT_EQ(picture.widthHimetric, expected.widthHimetric);
    EXPECT_EQ(picture.heightHimetric, expected.heightHimetric);
    EXPECT_EQ(picture.image.format(), expected.format);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PictureFiles,
    ::testing::Values(
        // 300 dpi: 600 pixels are two inches.
        PictureCase{"png300dpi", "logo.png", testImage(600, 300, false), 11811, 5080, 2540, QImage::Format_Grayscale8},
        PictureCase{"jpeg150dpi", "logo.jpg", testImage(300, 150, true), 5906, 5080, 2540, QImage::Format_RGB888},
        PictureCase{"bmp200dpi", "logo.bmp", testImage(400, 200, false), 7874, 5080, 2540, QImage::Format_Grayscale8},
        // Without a resolution a pixel is 1/96 inch, 26.46 HIMETRIC.
        PictureCase{"gifWithoutResolution", "dot.gif", QImage(), 0, 26, 26, QImage::Format_Grayscale8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PictureTransparency, TransparentPartsAreWhitePaper)
{
    TempProgramFolder folder;
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixelColor(1, 1, QColor(255, 0, 0));
    image.save(QString::fromStdString((folder / "logo.png").string()));

    const Picture picture = loadPictureFile(folder / "logo.png");
    ASSERT_EQ(picture.image.format(), QImage::Format_RGB888);
    EXPECT_EQ(picture.image.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(picture.image.pixelColor(1, 1), QColor(255, 0, 0));
}

TEST(BadPictureFiles, RaiseTheirErrorNumber)
{
    TempProgramFolder folder;
    const std::tuple<const char*, std::optional<std::string>, ErrorCode> cases[] = {
        {"missing", std::nullopt, ErrorCode::FileNotFound},
        {"garbage", "no picture in here", ErrorCode::InvalidPicture},
        {"empty", "", ErrorCode::InvalidPicture}};
    for (const auto& [name, content, expected] : cases) {
        SCOPED_TRACE(name);
        const auto file = folder / (std::string(name) + ".png");
        if (content)
            test::writeFile(file, *content);
        try {
            loadPictureFile(file);
            ADD_FAILURE() << "loaded";
        } catch (const AppError& error) {
            EXPECT_EQ(error.code(), expected);
            EXPECT_NE(error.description().find(file.filename().string()), std::string::npos) << error.description();
        }
    }
}

} // namespace
} // namespace kestrova
