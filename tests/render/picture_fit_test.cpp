#include "render/picture_fit.h"

#include "core/errors.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct FitCase {
    Cell cell;
    std::int32_t pictureWidth;
    std::int32_t pictureHeight;
    FittedPicture expected;
};

// The limiting side fills the cell; the other is centred, its offset rounded with the origin.
TEST(FitPicture, FillsTheLimitingSideAndCentresTheOther)
{
    const FitCase cases[] = {
        {{1000, 2000, 5760, 5280}, 13547, 13547, {1240, 2000, 5280, 5280}}, // height-limited
        {{0, 0, 5760, 5280}, 20000, 10000, {0, 1200, 5760, 2880}},          // width-limited
        {{0, 5280, 100, 101}, 100, 100, {0, 5280, 100, 100}},               // offset 0.5 on an even origin
        {{0, 5281, 100, 101}, 100, 100, {0, 5282, 100, 100}},               // and on an odd one
    };
    for (const auto& c : cases) {
        const FittedPicture fitted = fitPicture(c.cell, c.pictureWidth, c.pictureHeight);
        EXPECT_EQ(fitted.x, c.expected.x) << c.cell.x << "," << c.cell.y;
        EXPECT_EQ(fitted.y, c.expected.y) << c.cell.x << "," << c.cell.y;
        EXPECT_NEAR(fitted.width, c.expected.width, 0.01);
        EXPECT_NEAR(fitted.height, c.expected.height, 0.01);
    }
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
