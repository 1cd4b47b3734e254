#include "scope/render/scope_show.h"

#include <QPaintEvent>
#include <QPainter>

namespace korvan::scope {

CScopeShow::CScopeShow(QWidget* parent) : QWidget(parent)
{
    // The picture is rebuilt whole on every paint; the platform need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CScopeShow::repaintLabels(int count)
{
    const DirtyRect r = labelRect(count);
    update(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)));
}

void CScopeShow::repaintSamples(int first, int last)
{
    if (const auto r = sampleRangeRect(first, last, width(), height(), m_input.view))
        update(QRect(QPoint(r->left, r->top), QPoint(r->right - 1, r->bottom - 1)));
}

void CScopeShow::paintEvent(QPaintEvent* event)
{
    if (m_image.size() != size())
        m_image = QImage(size(), QImage::Format_RGB32);
    if (m_image.isNull())
        return;
    if (m_parentFlags)
        m_parentFlags(m_input);
    ScopeRenderer::paint(m_image, m_input);
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.drawImage(dirty.topLeft(), m_image, dirty);
}

} // namespace korvan::scope
