#include "page_units.h"

namespace kestrova {

double twipsPerUnit(QPageLayout::Unit unit)
{
    constexpr double millimetre = TwipsPerMm;
    switch (unit) {
    case QPageLayout::Millimeter: return millimetre;
    case QPageLayout::Point: return TwipsPerInch / 72.0;
    case QPageLayout::Inch: return TwipsPerInch;
    case QPageLayout::Pica: return TwipsPerInch / 6.0;
    case QPageLayout::Didot: return 0.375 * millimetre;
    case QPageLayout::Cicero: return 4.5 * millimetre;
    }
    return TwipsPerInch / 72.0;
}

QSizeF printableSizeTwips(const QPageLayout& layout)
{
    // Measured in the layout's own unit: converting through points first would round
    // a metric page to whole points.
    return layout.paintRect().size() * twipsPerUnit(layout.units());
}

} // namespace kestrova
