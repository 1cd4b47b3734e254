#include "scope/ui/kor_new_static.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>

namespace korvan::scope {
namespace {

CKorNewStatic::ColorChooser& chooser()
{
    static CKorNewStatic::ColorChooser instance;
    return instance;
}

std::optional<ColorValue> askColorDialog(QWidget* parent, ColorValue current)
{
    const QColor start =
        current < 0 ? QColor(Qt::black) : QColor(redOf(current), greenOf(current), blueOf(current));
    const QColor chosen = QColorDialog::getColor(start, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return colorValue(chosen.red(), chosen.green(), chosen.blue());
}

} // namespace

CKorNewStatic::CKorNewStatic(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(24, 14);
}

void CKorNewStatic::setColor(ColorValue color)
{
    m_color = color;
    update();
}

void CKorNewStatic::setColorChooser(ColorChooser c)
{
    chooser() = std::move(c);
}

void CKorNewStatic::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    if (m_color < 0)
        p.fillRect(r, QBrush(QColor(172, 172, 172), Qt::DiagCrossPattern));
    else
        p.fillRect(r, QColor(redOf(m_color), greenOf(m_color), blueOf(m_color)));
    p.setPen(QPen(Qt::black, 0));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

void CKorNewStatic::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const auto chosen = chooser() ? chooser()(this, m_color) : askColorDialog(this, m_color);
    if (!chosen)
        return;
    setColor(*chosen);
    emit colorChanged(*chosen);
}

} // namespace korvan::scope
