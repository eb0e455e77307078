// Dialog units: sizes measured in the dialog font, so a layout keeps its
// proportions whatever font the system substitutes.
#pragma once

#include <QFont>
#include <QSize>

namespace ravenet {

// One horizontal unit is a quarter of the font's average character width, one
// vertical unit an eighth of its height.
QSize dialogUnitsToPixels(QSize units, const QFont &font);

} // namespace ravenet
