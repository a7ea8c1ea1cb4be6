#include "core/errors.h"
#include "support/test_scu.h"
#include "images/image.h"
#include "data/print_tags.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace kestrova {
namespace {

using test::ImageSpec;
using test::Photometric;

// A 14 x 17 inch film at 600 dpi.
constexpr PixelBounds FilmPage{10200, 8400};

int grayAt(const Picture& p, int x, int y) { return p.image.constScanLine(y)[x]; }

std::array<int, 3> rgbAt(const Picture& p, int x, int y)
{
    const std::uint8_t* pixel = p.image.constScanLine(y) + 3 * x;
    return {pixel[0], pixel[1], pixel[2]};
}

// Two rows of three pixels, each the lowest value, the middle and the highest Bits Stored
// holds. Three bytes a row: a grayscale QImage pads its rows to four.
ImageSpec lowMiddleHigh(int bitsStored, Photometric photometric)
{
    const int highest = (1 << bitsStored) - 1;
    return test::sizedImage(
        2, 3, [highest](int, int c, int) { return static_cast<std::uint16_t>(c == 0 ? 0 : c == 1 ? (highest + 1) / 2 : highest); },
        bitsStored, photometric);
}

class MonochromeRendition : public testing::TestWithParam<int> {};

// MONOCHROME1 is the same ramp inverted.
TEST_P(MonochromeRendition, WithoutAWindowSpansTheWholeBitsStoredRange)
{
    for (const Photometric photometric : {Photometric::Monochrome2, Photometric::Monochrome1}) {
        const Picture p = decodedPicture(*test::makeImage(lowMiddleHigh(GetParam(), photometric)), FilmPage);
        ASSERT_EQ(p.image.format(), QImage::Format_Grayscale8);
        const int black = photometric == Photometric::Monochrome2 ? 0 : 255;
        EXPECT_EQ(grayAt(p, 0, 0), black);
        EXPECT_NEAR(grayAt(p, 1, 0), 128, 1);
        EXPECT_EQ(grayAt(p, 2, 0), 255 - black);
        EXPECT_EQ(grayAt(p, 0, 1), black);
        EXPECT_EQ(grayAt(p, 2, 1), 255 - black);
    }
}

INSTANTIATE_TEST_SUITE_P(BitsStored, MonochromeRendition, testing::Values(8, 12, 16));

TEST(ImageRendition, TheImagesOwnWindowIsUsed)
{
    ImageSpec imageSpec = lowMiddleHigh(12, Photometric::Monochrome2);
    imageSpec.pixel = [](int, int c, int) { return static_cast<std::uint16_t>(c == 0 ? 70 : c == 1 ? 100 : 130); };
    const DataSetPtr image = test::makeImage(imageSpec);
    image->add(Tag{0x0028, 0x1050}, std::string("100"));
    image->add(Tag{0x0028, 0x1051}, std::string("51"));
    const Picture p = decodedPicture(*image, FilmPage);
    EXPECT_EQ(grayAt(p, 0, 0), 0);
    EXPECT_EQ(grayAt(p, 1, 0), 130); // ((100 - 99.5) / 50 + 0.5) * 255
    EXPECT_EQ(grayAt(p, 2, 0), 255);
}

class ColorRendition : public testing::TestWithParam<Photometric> {};

TEST_P(ColorRendition, KeepsEachPixelsColour)
{
    // Three columns, an odd number: QImage pads its rows.
    const auto pixel = [](int r, int c, int s) { return static_cast<std::uint16_t>(s == 0 ? 40 * c : s == 1 ? 200 * r : 7); };
    const Picture p = decodedPicture(*test::makeImage(test::sizedImage(2, 3, pixel, 8, GetParam())), FilmPage);
    ASSERT_EQ(p.image.format(), QImage::Format_RGB888);
    ASSERT_EQ(p.image.width(), 3);
    EXPECT_EQ(rgbAt(p, 0, 0), (std::array<int, 3>{0, 0, 7}));
    EXPECT_EQ(rgbAt(p, 2, 1), (std::array<int, 3>{80, 200, 7}));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ColorRendition, testing::Values(Photometric::RgbInterleaved, Photometric::RgbPlanar));

struct SizeCase {
    int columns;
    int rows;
    std::string aspect;
    int width;
    int height;
};

class PictureSize : public testing::TestWithParam<SizeCase> {};

TEST_P(PictureSize, IsThePixelSizeAt96DpiWidenedByThePixelAspectRatio)
{
    ImageSpec imageSpec = test::sizedImage(GetParam().rows, GetParam().columns);
    imageSpec.pixelAspectRatio = GetParam().aspect;
    const Picture p = decodedPicture(*test::makeImage(imageSpec), FilmPage);
    EXPECT_EQ(p.widthHimetric, GetParam().width);
    EXPECT_EQ(p.heightHimetric, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PictureSize,
                         testing::Values(SizeCase{96, 48, "", 2540, 1270}, SizeCase{96, 48, "1\\1", 2540, 1270},
                                         SizeCase{96, 48, "1\\2", 5080, 1270}, SizeCase{96, 48, "3\\2", 2540, 1905},
                                         SizeCase{96, 48, "1.5\\1", 2540, 1905},
                                         SizeCase{3, 1, "", 79, 26}));

// A requester may send the image sequence without an item: an empty cell, not a failed film.
TEST(ImageOf, IsNullWhileTheImageSequenceHoldsNoImage)
{
    DataSet imageBox;
    EXPECT_EQ(imageOf(imageBox), nullptr);
    imageBox.add(PrintTag::BasicGrayscaleImageSequence, makeCollection());
    EXPECT_EQ(imageOf(imageBox), nullptr);
}

class MalformedImage : public testing::TestWithParam<std::function<void(DataSet&)>> {};

TEST_P(MalformedImage, RaisesInvalidPicture)
{
    const DataSetPtr image = test::makeImage(lowMiddleHigh(12, Photometric::Monochrome2));
    GetParam()(*image);
    try {
        decodedPicture(*image, FilmPage);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 481) << e.description();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MalformedImage,
    testing::Values([](DataSet& d) { d.add(Tag{0x7FE0, 0x0010}, std::make_shared<const std::vector<std::uint8_t>>(4)); },
                    [](DataSet& d) { d.remove(Tag{0x7FE0, 0x0010}); },
                    [](DataSet& d) { d.remove(Tag{0x0028, 0x0010}); },
                    [](DataSet& d) { d.add(Attribute({0x0028, 0x0010}, "US", Numbers{0})); },
                    [](DataSet& d) { d.add(Tag{0x0028, 0x0004}, std::string("PALETTE COLOR")); },
                    [](DataSet& d) { d.add(Attribute({0x0028, 0x0002}, "US", Numbers{3})); },
                    [](DataSet& d) { d.add(Attribute({0x0028, 0x0100}, "US", Numbers{32})); }));

// Decoded on arrival and kept compressed, an image prints as if decoded at print time; one that
// cannot be decoded gives no picture, so that printing decodes it again and says why.
TEST(PreparedPicture, IsTheDecodedPictureKeptCompressedOrNoneForAnUndecodableImage)
{
    const DataSetPtr good = test::makeImage(lowMiddleHigh(12, Photometric::Monochrome2));
    good->add(Tag{0x0028, 0x0034}, std::string("2\\1"));
    const auto prepared = preparedPicture(*good, FilmPage);
    ASSERT_TRUE(prepared);
    EXPECT_TRUE(prepared->image.isNull()) << "only the compressed pixels wait";
    const Picture expected = decodedPicture(*good, FilmPage);
    const Picture actual = withImage(*prepared);
    EXPECT_EQ(actual.image, expected.image);
    EXPECT_EQ(actual.widthHimetric, expected.widthHimetric);
    EXPECT_EQ(actual.heightHimetric, expected.heightHimetric);
    const DataSetPtr bad = test::makeImage(lowMiddleHigh(12, Photometric::Monochrome2));
    bad->remove(Tag{0x0028, 0x0010});
    EXPECT_EQ(preparedPicture(*bad, FilmPage), nullptr);
}

// DCMTK renders large images a strip of rows at a time: whatever strips a row falls in, its
// rendition is the one it has in an image of its own.
// A few megabytes each, 12-bit grey and 8-bit planar RGB.
TEST(LargeImage, RendersEachRowAsItRendersInAnImageOfItsOwn)
{
    constexpr PixelBounds Unbounded{1 << 20, 1 << 20};
    const auto large = [](int columns, int rows, int bitsStored, Photometric photometric) {
        const auto pixel = [bitsStored](int row, int column, int sample) {
            return static_cast<std::uint16_t>((row * 7919 + column * 104729 + sample * 31 + row * column) % (1 << bitsStored));
        };
        return test::sizedImage(rows, columns, pixel, bitsStored, photometric);
    };
    for (const ImageSpec& whole : {large(2048, 1100, 12, Photometric::Monochrome2), large(1024, 1400, 8, Photometric::RgbPlanar)}) {
        const QImage rendition = decodedPicture(*test::makeImage(whole), Unbounded).image;
        constexpr int Band = 100;
        for (int first = 0; first < whole.rows; first += Band) {
            ImageSpec band = whole;
            band.rows = std::min(Band, whole.rows - first);
            band.pixel = [&whole, first](int row, int column, int sample) { return whole.pixel(first + row, column, sample); };
            EXPECT_EQ(rendition.copy(0, first, whole.columns, band.rows), decodedPicture(*test::makeImage(band), Unbounded).image)
                << whole.bitsStored << " bits, rows from " << first;
        }
    }
}

ImageSpec triangleWaves(int columns, int rows)
{
    return test::sizedImage(rows, columns, [](int row, int column, int) {
        const int phase = (row + column / 2) % 512;
        return static_cast<std::uint16_t>(phase < 256 ? phase : 511 - phase);
    });
}

// An image with more pixels than the largest page shows keeps no more than it shows, either way
// round, its aspect ratio and its size on the film its own.
TEST(DecodedPicture, KeepsNoMorePixelsThanTheLargestPageShows)
{
    const DataSetPtr wide = test::makeImage(triangleWaves(400, 100));
    const Picture reduced = decodedPicture(*wide, PixelBounds{200, 100});
    EXPECT_EQ(reduced.image.size(), QSize(200, 50));
    const Picture full = decodedPicture(*wide, PixelBounds{400, 100});
    EXPECT_EQ(full.image.size(), QSize(400, 100));
    EXPECT_EQ(reduced.widthHimetric, full.widthHimetric);
    EXPECT_EQ(reduced.heightHimetric, full.heightHimetric);
    EXPECT_EQ(decodedPicture(*test::makeImage(triangleWaves(100, 400)), PixelBounds{200, 100}).image.size(), QSize(50, 200));
}

// A large image is smoothed down band by band as it is decoded: the bands join as smoothly as
// Qt's scaling of the whole image at once.
TEST(DecodedPicture, ReducedBandByBandIsAsSmoothAsReducedAtOnce)
{
    const DataSetPtr image = test::makeImage(triangleWaves(4096, 2560));
    const QImage reduced = decodedPicture(*image, PixelBounds{1200, 1000}).image;
    ASSERT_EQ(reduced.size(), QSize(1200, 750));
    const QImage atOnce = decodedPicture(*image, PixelBounds{4096, 2560})
                              .image.scaled(reduced.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_Grayscale8);
    int largest = 0;
    for (int row = 0; row < reduced.height(); ++row) {
        for (int column = 0; column < reduced.width(); ++column)
            largest = std::max(largest, std::abs(atOnce.constScanLine(row)[column] - reduced.constScanLine(row)[column]));
    }
    EXPECT_LE(largest, 2);
}

} // namespace
} // namespace kestrova
