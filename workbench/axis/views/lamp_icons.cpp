#include "workbench/axis/views/lamp_icons.h"

#include <QPainter>
#include <QRadialGradient>

namespace korvan::axis {

QPixmap LampPixmap(LampColour colour)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor base = colour == LampColour::Red ? QColor(210, 30, 30) : QColor(30, 180, 50);
    QRadialGradient gradient(QPointF(12, 11), 18);
    gradient.setColorAt(0.0, base.lighter(190));
    gradient.setColorAt(0.5, base);
    gradient.setColorAt(1.0, base.darker(170));
    painter.setPen(QPen(QColor(60, 60, 60), 1.5));
    painter.setBrush(gradient);
    painter.drawEllipse(QRectF(2.5, 2.5, 27, 27));
    return pixmap;
}

} // namespace korvan::axis
