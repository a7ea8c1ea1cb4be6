#include "render/rendition.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(OutputCurve, IsInterpolatedBetweenEntriesAndClamped)
{
    LutTable lut{};
    lut.fill(100 * 256);
    lut[0] = 0;
    lut[44] = 300 * 256; // beyond white
    lut[45] = -5 * 256;  // below black
    QImage image(6, 1, QImage::Format_Grayscale8);
    const std::uint8_t levels[] = {0, 1, 2, 17, 250, 255};
    std::copy(std::begin(levels), std::end(levels), image.scanLine(0));
    const QImage printed = withRendition(image, RenditionChoices{false, &lut, {}});
    const std::uint8_t* row = printed.constScanLine(0);
    EXPECT_EQ(row[0], 0);   // entry 0
    EXPECT_EQ(row[1], 18);  // 45/255 of the way to entry 1: 17.6
    EXPECT_EQ(row[2], 35);  // 90/255 of the way: 35.3
    EXPECT_EQ(row[3], 100); // exactly entry 3
    EXPECT_EQ(row[4], 255); // 264 between entries 44 and 45, clamped
    EXPECT_EQ(row[5], 0);   // entry 45, clamped
    EXPECT_EQ(image.constScanLine(0)[3], 17) << "the image it was given is left as it was";
}

// Reversal comes first, then the curve, on each channel.
TEST(OutputCurve, FollowsTheReversalOnEachColourChannel)
{
    LutTable lut{};
    for (std::size_t i = 0; i < LutEntries; ++i)
        lut[i] = static_cast<std::int32_t>(i == 0 ? 0 : 255 * 256); // black stays black, all else white
    QImage image(1, 1, QImage::Format_RGB888);
    const std::uint8_t pixel[] = {0, 255, 17};
    std::copy(std::begin(pixel), std::end(pixel), image.scanLine(0));
    const QImage printedImage = withRendition(image, RenditionChoices{true, &lut, {}});
    const std::uint8_t* printed = printedImage.constScanLine(0);
    EXPECT_EQ((std::array<int, 3>{printed[0], printed[1], printed[2]}), (std::array<int, 3>{255, 0, 255}));
}

} // namespace
} // namespace kestrova
