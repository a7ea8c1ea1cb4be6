#include "render/print_grey_scale.h"

#include "core/interpolation.h"
#include "core/rounding.h"
#include "data/print_tags.h"

#include <algorithm>

namespace kestrova {
namespace {

constexpr double HundredthsPerOd = 100.0;

std::optional<double> numberOf(const DataSet& filmBox, Tag tag)
{
    try {
        const Attribute attribute = filmBox.attribute(tag);
        if (attribute.exists() && !attribute.isNull() && !attribute.textOrEmpty().empty())
            return attribute.asNumber();
    } catch (const AppError&) {
        // A value that does not read as a number is as good as none: it must not cost the film.
    }
    return std::nullopt;
}

std::optional<double> densityOf(const DataSet& filmBox, Tag tag)
{
    const auto hundredths = numberOf(filmBox, tag);
    return hundredths ? std::optional(*hundredths / HundredthsPerOd) : std::nullopt;
}

double densityFor(double pValue, PresentationCurve::Shape shape, double minDensity, double maxDensity,
                  const HardcopyLight& light)
{
    if (shape == PresentationCurve::Shape::LinearDensity)
        return maxDensity - pValue * (maxDensity - minDensity);
    return gsdfDensity(pValue, minDensity, maxDensity, light);
}

} // namespace

double PresentationCurve::pValue(double pixel) const
{
    if (shape != Shape::Table || table.size() < 2)
        return pixel;
    return valueAtPosition(table, std::clamp(pixel, 0.0, 1.0) * double(table.size() - 1));
}

DensityRequest densityRequestOf(const DataSet& filmBox)
{
    DensityRequest request;
    request.minDensity = densityOf(filmBox, PrintTag::MinDensity);
    request.maxDensity = densityOf(filmBox, PrintTag::MaxDensity);
    if (const auto illumination = numberOf(filmBox, PrintTag::Illumination); illumination && *illumination > 0)
        request.light.illumination = *illumination;
    if (const auto ambient = numberOf(filmBox, PrintTag::ReflectedAmbientLight); ambient && *ambient >= 0)
        request.light.reflectedAmbient = *ambient;
    return request;
}

LevelCurve printGreyScale(const PresentationCurve& curve, const DensityRequest& request,
                          const PrinterDensities& printer)
{
    const auto printable = [&](double density) { return std::clamp(density, printer.paper(), printer.darkest()); };
    const double minDensity = printable(request.minDensity.value_or(printer.paper()));
    const double maxDensity = std::max(minDensity, printable(request.maxDensity.value_or(printer.darkest())));
    LevelCurve levels{};
    for (std::size_t level = 0; level < levels.size(); ++level) {
        const double pValue = curve.pValue(double(level) / 255.0);
        const double density = densityFor(pValue, curve.shape, minDensity, maxDensity, request.light);
        levels[level] = static_cast<std::uint8_t>(std::clamp(roundHalfEven<int>(printer.levelFor(density)), 0, 255));
    }
    return levels;
}

} // namespace kestrova
