#include "ui/widget_style.h"

#include <QApplication>
#include <QPalette>
#include <QStringList>
#include <QWidget>

namespace kestrova {
namespace {

constexpr double DesignedPointSize = 9.75;

QFont fontFrom(const QStringList& families)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(DesignedPointSize);
    return font;
}

} // namespace

QFont fieldFont() { return fontFrom({"Tahoma", "DejaVu Sans", "Sans Serif"}); }

// Tahoma is MS Sans Serif's closest relative in width where neither of its own faces is installed.
QFont labelFont() { return fontFrom({"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "DejaVu Sans", "Sans Serif"}); }

// Qt has no role for window borders; the inactive window background is the colour that
// platforms give inactive borders.
QColor inactiveBorderColour() { return QApplication::palette().color(QPalette::Inactive, QPalette::Window); }

QColor grayTextColour() { return QApplication::palette().color(QPalette::Disabled, QPalette::Text); }

void setBackground(QWidget& widget, const QColor& colour)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

} // namespace kestrova
