#include "scope/render/scope_show.h"

#include <QPaintEvent>
#include <QPainter>

namespace korvan::scope {

CScopeShow::CScopeShow(QWidget* parent) : QWidget(parent)
{
    // The picture is rebuilt whole on every paint; the platform need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_input.envelope = &m_envelope;
}

void CScopeShow::refreshParentFlags()
{
    if (m_parentFlags)
        m_parentFlags(m_input);
}

QImage CScopeShow::renderImage(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    refreshParentFlags();
    ScopeRenderer::paint(image, m_input);
    if (m_overlay) {
        QPainter painter(&image);
        paintOverlay(painter, size, m_input, *m_overlay);
    }
    return image;
}

void CScopeShow::renderVector(QPainter& painter, QSize size)
{
    refreshParentFlags();
    ScopeRenderer::paintVector(painter, size, m_input);
    if (m_overlay)
        paintOverlay(painter, size, m_input, *m_overlay);
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
    refreshParentFlags();
    ScopeRenderer::paint(m_image, m_input);
    if (m_overlay && m_overlay->enabled) {
        QPainter overlay(&m_image);
        paintOverlay(overlay, m_image.size(), m_input, *m_overlay);
    }
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.drawImage(dirty.topLeft(), m_image, dirty);
}

} // namespace korvan::scope
