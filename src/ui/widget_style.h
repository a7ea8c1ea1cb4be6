#pragma once
// The fonts and colours both windows share.

#include <QColor>
#include <QFont>

class QWidget;

namespace kestrova {

// Tahoma 9.75 pt, or the closest installed sans serif.
QFont fieldFont();
// MS Sans Serif 9.75 pt, or the closest installed sans serif.
QFont labelFont();

// The background of fields that show values the user cannot edit here.
QColor inactiveBorderColour();
// The background of a display-only field in the preferences dialog.
QColor grayTextColour();

void setBackground(QWidget& widget, const QColor& colour);

} // namespace kestrova
