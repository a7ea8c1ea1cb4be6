#include "render/picture_fit.h"

#include "core/errors.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(FitPicture, SquarePictureInAPortraitCellIsHeightLimitedAndCentred)
{
    const auto fitted = fitPicture({1000, 2000, 5760, 5280}, 13547, 13547);
    EXPECT_EQ(fitted.x, 1000 + 240);
    EXPECT_EQ(fitted.y, 2000);
    EXPECT_NEAR(fitted.width, 5280, 0.01);
    EXPECT_NEAR(fitted.height, 5280, 0.01);
}

TEST(FitPicture, WidePictureIsWidthLimitedAndCentredVertically)
{
    const auto fitted = fitPicture({0, 0, 5760, 5280}, 20000, 10000);
    EXPECT_EQ(fitted.x, 0);
    EXPECT_EQ(fitted.y, 1200);
    EXPECT_NEAR(fitted.width, 5760, 0.01);
    EXPECT_NEAR(fitted.height, 2880, 0.01);
}

TEST(FitPicture, EqualRatiosTakeTheHeightLimitedBranchWithoutOffset)
{
    const auto fitted = fitPicture({10, 20, 200, 100}, 400, 200);
    EXPECT_EQ(fitted.x, 10);
    EXPECT_EQ(fitted.y, 20);
    EXPECT_DOUBLE_EQ(fitted.width, 200);
    EXPECT_DOUBLE_EQ(fitted.height, 100);
}

TEST(FitPicture, AHalfTwipOffsetIsRoundedTogetherWithTheOrigin)
{
    // s = 1 exactly; the free height of 1 twip leaves an offset of 0.5.
    EXPECT_EQ(fitPicture({0, 5280, 100, 101}, 100, 100).y, 5280);
    EXPECT_EQ(fitPicture({0, 5281, 100, 101}, 100, 100).y, 5282);
}

TEST(FitPicture, AnEmptyPictureIsADivisionByZero)
{
    try {
        fitPicture({0, 0, 100, 100}, 0, 100);
        FAIL();
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 11);
    }
}

} // namespace
} // namespace kestrova
