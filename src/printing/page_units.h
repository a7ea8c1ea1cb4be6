#pragma once
// Page geometry in twips, the unit every page value of the printer device is given in.

#include <QPageLayout>
#include <QRectF>
#include <QSizeF>

namespace kestrova {

inline constexpr double TwipsPerInch = 1440.0;
inline constexpr double TwipsPerMm = TwipsPerInch / 25.4;

double twipsPerUnit(QPageLayout::Unit unit);

// The printable area of a page for the orientation the layout holds.
QSizeF printableSizeTwips(const QPageLayout& layout);

} // namespace kestrova
