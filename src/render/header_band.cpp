#include "render/header_band.h"

#include "core/errors.h"
#include "core/rounding.h"

#include <algorithm>
#include <functional>

namespace kestrova {
namespace {

// Below the text when the logo is taller than the text.
constexpr std::int32_t LogoGap = 150;

const HeaderLines& linesOf(const std::optional<HeaderLines>& lines)
{
    if (!lines)
        raise(ErrorCode::ObjectNotSet); // the caption files have never been read
    return *lines;
}

// One line under the other from the top of the band, each at the x it is given; returns where
// the next line would begin.
std::int32_t placeLines(std::vector<CaptionLine>& captions, const HeaderLines& lines, const FontMetrics& font,
                        const std::function<float(const QString&)>& x)
{
    float y = 0;
    for (const auto& line : lines) {
        const QString text = QString::fromLocal8Bit(line);
        captions.push_back(CaptionLine{QPointF(x(text), y + font.ascent()), text});
        y += static_cast<float>(font.lineHeight());
    }
    return roundHalfEven<std::int32_t>(y);
}

// The logo takes the side without text: left when both lists are empty, centred when both have lines.
float logoX(float width, std::int32_t logoWidth, const HeaderLines& left, const HeaderLines& right)
{
    if (!left.empty() && !right.empty())
        return width / 2 - static_cast<float>(logoWidth) / 2;
    if (left.empty())
        return 0;
    return width - static_cast<float>(logoWidth);
}

} // namespace

HeaderBand headerBand(const Configuration& configuration, const std::optional<Picture>& logo, float width,
                      const FontMetrics& font)
{
    HeaderBand band;
    const HeaderLines& left = linesOf(configuration.headerLeft);
    const std::int32_t leftBottom = placeLines(band.captions, left, font, [](const QString&) { return 0.0F; });
    const HeaderLines& right = linesOf(configuration.headerRight);
    const std::int32_t rightBottom = placeLines(band.captions, right, font, [&](const QString& text) {
        return width - static_cast<float>(font.textWidth(text));
    });
    band.height = std::max(leftBottom, rightBottom);
    if (!logo)
        return band;
    const auto logoWidth = roundHalfEven<std::int32_t>(logo->widthHimetric * TwipsPerHimetric);
    const auto logoHeight = roundHalfEven<std::int32_t>(logo->heightHimetric * TwipsPerHimetric);
    band.logo = PlacedPicture{QRectF(logoX(width, logoWidth, left, right), 0, logoWidth, logoHeight), *logo};
    if (logoHeight > band.height)
        band.height = checkedNarrow<std::int32_t>(static_cast<std::int64_t>(logoHeight) + LogoGap);
    return band;
}

} // namespace kestrova
