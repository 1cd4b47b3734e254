#include "workbench/shell/icons.h"

#include <QPainter>
#include <QPixmap>

namespace korvan::shell {
namespace {

QPixmap canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A controller: a dark box with a green status lamp and terminal pins.
void paintController(QPainter& p, int s)
{
    p.setPen(QPen(QColor(30, 40, 60), s / 16.0));
    p.setBrush(QColor(70, 90, 130));
    p.drawRoundedRect(QRectF(s * 0.12, s * 0.18, s * 0.76, s * 0.64), s * 0.08, s * 0.08);
    p.setBrush(QColor(40, 200, 80));
    p.drawEllipse(QRectF(s * 0.22, s * 0.3, s * 0.18, s * 0.18));
    p.setPen(QPen(QColor(230, 230, 230), s / 12.0));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(s * (0.5 + 0.11 * i), s * 0.58),
                   QPointF(s * (0.5 + 0.11 * i), s * 0.72));
}

// The local group: a folder.
void paintGroup(QPainter& p, int s)
{
    p.setPen(QPen(QColor(150, 110, 20), s / 16.0));
    p.setBrush(QColor(240, 200, 80));
    QPolygonF folder;
    folder << QPointF(s * 0.08, s * 0.25) << QPointF(s * 0.4, s * 0.25)
           << QPointF(s * 0.5, s * 0.35) << QPointF(s * 0.92, s * 0.35)
           << QPointF(s * 0.92, s * 0.82) << QPointF(s * 0.08, s * 0.82);
    p.drawPolygon(folder);
}

// An expansion module: a card with a connector edge.
void paintModule(QPainter& p, int s)
{
    p.setPen(QPen(QColor(20, 80, 40), s / 16.0));
    p.setBrush(QColor(60, 160, 90));
    p.drawRect(QRectF(s * 0.15, s * 0.12, s * 0.7, s * 0.62));
    p.setBrush(QColor(220, 180, 60));
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(s * (0.2 + 0.16 * i), s * 0.74, s * 0.1, s * 0.14));
}

// An axis: a motor seen from the side, in the given colour.
void paintAxis(QPainter& p, int s, const QColor& body)
{
    p.setPen(QPen(body.darker(180), s / 16.0));
    p.setBrush(body);
    p.drawRect(QRectF(s * 0.1, s * 0.28, s * 0.55, s * 0.44));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(s * 0.65, s * 0.44, s * 0.25, s * 0.12));
}

QIcon paint(int resource)
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap = canvas(size);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        switch (resource) {
        case 324:
            paintController(p, size);
            break;
        case 325:
            paintGroup(p, size);
            break;
        case 326:
            paintModule(p, size);
            break;
        case 327:
            paintAxis(p, size, QColor(60, 110, 200));
            break;
        case 328:
            paintAxis(p, size, QColor(40, 160, 150));
            break;
        default:
            return {};
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon resourceIcon(int resource)
{
    return paint(resource);
}

} // namespace korvan::shell
