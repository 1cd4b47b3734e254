// CScopeShow: the waveform display of the oscilloscope panel. Keeps its own
// copies of what it draws with, paints through ScopeRenderer into an
// off-screen image and copies that to the screen in one block.
#pragma once

#include "scope/analysis/sample_envelope.h"
#include "scope/render/scope_overlay.h"
#include "scope/render/scope_renderer.h"

#include <QImage>
#include <QWidget>

#include <functional>

namespace korvan::scope {

class CScopeShow final : public QWidget
{
    Q_OBJECT
public:
    explicit CScopeShow(QWidget* parent = nullptr);

    /// The display's copies; refreshed by the panel and the capture engine.
    RenderInput& input() { return m_input; }
    const RenderInput& input() const { return m_input; }
    /// The record drawn; owned by the panel.
    void setRecord(const ScopeRecord* record) { m_input.record = record; }
    /// Read at paint time from the parent: each row's shown flag and continuous acquisition.
    void setParentFlags(std::function<void(RenderInput&)> reader)
    {
        m_parentFlags = std::move(reader);
    }

    /// What the analysis tools draw over the picture; null or disabled: nothing.
    void setOverlay(const OverlayInput* overlay) { m_overlay = overlay; }
    /// The picture at size, overlay included, as the screen shows it (PNG export).
    QImage renderImage(QSize size);
    /// The same picture through painter, traces as paths (SVG export).
    void renderVector(QPainter& painter, QSize size);

    /// Whole display.
    void repaintAll() { update(); }
    /// The label strip of count channels.
    void repaintLabels(int count);
    /// The columns of samples first to last (nothing in XY mode or off screen).
    void repaintSamples(int first, int last);

protected:
    void paintEvent(QPaintEvent* event) final;

private:
    void refreshParentFlags();

    RenderInput m_input;
    SampleEnvelope m_envelope;
    const OverlayInput* m_overlay = nullptr;
    QImage m_image;
    std::function<void(RenderInput&)> m_parentFlags;
};

} // namespace korvan::scope
