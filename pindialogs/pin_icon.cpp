#include "pin_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace ravenet {
namespace {

// Drawn on a 32 x 32 canvas and scaled to the requested side.
constexpr qreal kCanvas = 32.0;

void drawShackle(QPainter &painter, bool open)
{
    QPen pen(QColor(0x5a, 0x5f, 0x66), 3.2, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal lift = open ? 5.0 : 0.0;
    QPainterPath path;
    path.moveTo(10, 15 - lift);
    path.lineTo(10, 10 - lift);
    path.arcTo(QRectF(10, 3 - lift, 12, 14), 180, -180);
    path.lineTo(22, open ? 10 - lift : 15);
    painter.drawPath(path);
}

void drawBody(QPainter &painter)
{
    QLinearGradient gradient(0, 15, 0, 30);
    gradient.setColorAt(0, QColor(0xf5, 0xc5, 0x42));
    gradient.setColorAt(1, QColor(0xc9, 0x8a, 0x12));
    painter.setPen(QPen(QColor(0x8a, 0x5c, 0x08), 1.2));
    painter.setBrush(gradient);
    painter.drawRoundedRect(QRectF(6, 14.5, 20, 15), 2.5, 2.5);
    painter.setBrush(QColor(0x4a, 0x32, 0x05));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(16, 20.5), 2.2, 2.2);
    painter.drawRect(QRectF(15.2, 21.5, 1.6, 4.5));
}

// Small sign in the lower right corner that tells the dialogs apart.
void drawBadge(QPainter &painter, PinIcon kind)
{
    if (kind == PinIcon::Verify || kind == PinIcon::Unblock)
        return;
    const QRectF badge(19, 19, 12, 12);
    painter.setPen(QPen(Qt::white, 1.0));
    painter.setBrush(kind == PinIcon::Modify ? QColor(0x2e, 0x7d, 0x32) : QColor(0x15, 0x65, 0xc0));
    painter.drawEllipse(badge);
    QPen mark(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(mark);
    painter.setBrush(Qt::NoBrush);
    if (kind == PinIcon::Modify) {
        painter.drawLine(QPointF(22, 28), QPointF(28, 22)); // pen stroke
    } else {
        painter.drawArc(QRectF(21.5, 21.5, 7, 7), 90 * 16, 270 * 16); // turning arrow
        painter.drawLine(QPointF(25, 21.5), QPointF(27, 20));
    }
}

} // namespace

QPixmap drawPinIcon(PinIcon kind, int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / kCanvas, side / kCanvas);
    drawShackle(painter, kind == PinIcon::Unblock);
    drawBody(painter);
    drawBadge(painter, kind);
    return pixmap;
}

} // namespace ravenet
