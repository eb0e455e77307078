#include "dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace ravenet {

QSize dialogUnitsToPixels(QSize units, const QFont &font)
{
    const QFontMetrics metrics(font);
    static const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // Average width of the alphabet, rounded to the nearest pixel.
    const int baseX = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
    const int baseY = metrics.height();
    return QSize((units.width() * baseX + 2) / 4, (units.height() * baseY + 4) / 8);
}

} // namespace ravenet
