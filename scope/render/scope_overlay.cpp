#include "scope/render/scope_overlay.h"

#include "scope/core/scope_geometry.h"

#include <QPen>

#include <algorithm>
#include <cmath>

namespace korvan::scope {
namespace {

QColor colorOf(ColorValue v)
{
    return QColor(redOf(v), greenOf(v), blueOf(v));
}

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

// Times under the specified grid's vertical lines, which carry sample numbers.
void paintTimeLabels(QPainter& p, QSize size, const RenderInput& in, const OverlayInput& o)
{
    if (!o.timeLabels || !o.time.known() || in.view.xyMode)
        return;
    p.setPen(colorOf(kGridGrey).lighter(160));
    const int step = std::max(1, static_cast<int>(in.view.horizontalScale));
    long long s = std::max(0, in.view.viewStart) / step * static_cast<long long>(step);
    const int baseline = size.height() - 5;
    for (;; s += step) {
        const int x = sampleX(s, in.view);
        if (x >= size.width() || (s > in.depth && !in.continuous))
            break;
        if (x > 0)
            p.drawText(QPoint(x + 3, baseline),
                       text(formatSeconds(o.time.at(static_cast<double>(s)))));
    }
}

// The selected channel's value at each horizontal grid line, at the right edge.
void paintValueTicks(QPainter& p, QSize size, const RenderInput& in, const OverlayInput& o)
{
    const int c = o.valueChannel;
    if (c < 0 || c >= kMaxChannels || in.view.xyMode)
        return;
    const auto ci = static_cast<std::size_t>(c);
    p.setPen(colorOf(in.colors[ci]));
    const int midY = size.height() / 2;
    const int ascent = p.fontMetrics().ascent();
    for (int i = -(midY / 100); i <= (size.height() - midY) / 100; ++i) {
        const int y = midY + 100 * i;
        const double v = valueAtY(y, midY, in.offsets[ci], in.scales[ci]);
        const QRect box(size.width() - 124, y + 2, 120, ascent + 2);
        p.drawText(box, Qt::AlignRight | Qt::AlignTop, text(formatValue(v)));
    }
}

void paintTimeCursor(QPainter& p, QSize size, const RenderInput& in, const OverlayInput& o,
                     double position, const char* name, int tagY)
{
    const double x = positionX(position, in.view);
    if (x < 0 || x >= size.width())
        return;
    QPen pen(colorOf(kCursorColor), 1, Qt::DashLine);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, size.height() - 1));
    p.drawText(QPointF(x + 4, tagY),
               QString::fromLatin1(name) + QLatin1Char(' ') + text(formatTime(o.time, position)));
}

void paintValueCursor(QPainter& p, QSize size, const RenderInput& in, const OverlayInput& o,
                      double value, const char* name)
{
    const int c = o.valueChannel;
    if (c < 0 || c >= kMaxChannels)
        return;
    const auto ci = static_cast<std::size_t>(c);
    const int y =
        valueY(static_cast<float>(value), in.offsets[ci], in.scales[ci], size.height() / 2);
    if (y < 0 || y >= size.height())
        return;
    QPen pen(colorOf(in.colors[ci]), 1, Qt::DashDotLine);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.drawLine(0, y, size.width() - 1, y);
    p.drawText(QPoint(size.width() / 2, y - 3),
               QString::fromLatin1(name) + QLatin1Char(' ') + text(formatValue(value)));
}

void paintTriggerMark(QPainter& p, QSize size, const RenderInput& in, double position)
{
    const double x = positionX(position, in.view);
    if (x < 0 || x >= size.width())
        return;
    const QColor orange(255, 140, 0);
    p.setPen(orange);
    p.setBrush(orange);
    const QPointF tip(x + 0.5, 8);
    const QPointF mark[] = {tip, {tip.x() - 5, 0}, {tip.x() + 5, 0}};
    p.drawPolygon(mark, 3);
    p.setBrush(Qt::NoBrush);
    QPen dotted(orange, 1, Qt::DotLine);
    dotted.setCosmetic(true);
    p.setPen(dotted);
    p.drawLine(QPointF(tip.x(), 8), QPointF(tip.x(), size.height() - 1));
}

} // namespace

double positionX(double position, const ScopeView& view)
{
    return (position - view.viewStart) * 100.0 / view.horizontalScale;
}

void paintOverlay(QPainter& p, QSize size, const RenderInput& in, const OverlayInput& o)
{
    if (!o.enabled || size.isEmpty())
        return;
    p.save();
    p.setClipRect(0, 0, size.width(), size.height());
    paintTimeLabels(p, size, in, o);
    paintValueTicks(p, size, in, o);
    if (o.triggerPosition && !in.view.xyMode)
        paintTriggerMark(p, size, in, *o.triggerPosition);
    if (o.pointerX) {
        p.setPen(colorOf(kGridGrey).lighter(130));
        p.drawLine(*o.pointerX, 0, *o.pointerX, size.height() - 1);
    }
    if (!in.view.xyMode) {
        // Below the label strip, so the tags do not cover the channel names.
        const int count = in.record ? std::clamp(in.record->channelCount, 0, kMaxChannels) : 0;
        const int tagY = 20 * count + 14;
        if (o.cursorA)
            paintTimeCursor(p, size, in, o, *o.cursorA, "T1", tagY);
        if (o.cursorB)
            paintTimeCursor(p, size, in, o, *o.cursorB, "T2", tagY + 16);
        if (o.valueA)
            paintValueCursor(p, size, in, o, *o.valueA, "V1");
        if (o.valueB)
            paintValueCursor(p, size, in, o, *o.valueB, "V2");
    }
    if (o.band) {
        p.setPen(QPen(colorOf(kCursorColor), 1, Qt::DashLine));
        p.setBrush(QColor(255, 255, 255, 40));
        p.drawRect(o.band->normalized());
    }
    p.restore();
}

} // namespace korvan::scope
