#include "render/rendition.h"

#include "core/interpolation.h"
#include "core/rounding.h"
#include "picture/picture_pixels.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>

namespace kestrova {
namespace {

// Entry i / 256 is the output for input level i * 255 / 45, linear in between.
LevelCurve outputCurve(const LutTable& lut)
{
    LevelCurve curve{};
    for (int level = 0; level < 256; ++level) {
        const double position = level * double(LutEntries - 1) / 255.0;
        const double value = valueAtPosition(lut, position);
        curve[std::size_t(level)] = static_cast<std::uint8_t>(std::clamp(roundHalfEven<int>(value / 256.0), 0, 255));
    }
    return curve;
}

LevelCurve chosenCurve(const RenditionChoices& choices)
{
    LevelCurve identity{};
    std::iota(identity.begin(), identity.end(), std::uint8_t{0});
    const LevelCurve output = choices.outputCurve ? outputCurve(*choices.outputCurve) : identity;
    LevelCurve curve{};
    for (std::size_t level = 0; level < curve.size(); ++level) {
        const std::size_t sent = choices.reversed ? 255 - level : level;
        curve[level] = output[choices.greyScale ? (*choices.greyScale)[sent] : sent];
    }
    return curve;
}

void applyCurve(QImage& image, const LevelCurve& curve)
{
    uchar* pixels = writablePixels(image);
    const int rowBytes = image.width() * (image.format() == QImage::Format_RGB888 ? 3 : 1);
    for (int row = 0; row < image.height(); ++row) {
        std::uint8_t* line = pixels + image.bytesPerLine() * row;
        std::transform(line, line + rowBytes, line, [&](std::uint8_t v) { return curve[v]; });
    }
}

} // namespace

QImage withRendition(QImage image, const RenditionChoices& choices)
{
    if (choices.changesPixels())
        applyCurve(image, chosenCurve(choices));
    return image;
}

} // namespace kestrova
