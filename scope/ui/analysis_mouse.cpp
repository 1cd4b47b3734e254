// The analysis panel's mouse tools on the display: the wheel zooms at the
// pointer, a right drag draws a box to zoom to, a left drag that starts on a
// cursor moves the cursor. Everything else goes on to the panel's own view
// drag, untouched.
#include "scope/core/scope_geometry.h"
#include "scope/render/scope_show.h"
#include "scope/ui/analysis_panel.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

namespace korvan::scope {
namespace {

constexpr int kGrab = 5;            // pixels around a cursor line that pick it up
constexpr double kWheelStep = 1.25; // scale factor of one wheel notch

} // namespace

bool ScopeAnalysisPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_scope.display || !m_settings.panelShown)
        return QWidget::eventFilter(watched, event);
    return handleMouse(event) || QWidget::eventFilter(watched, event);
}

bool ScopeAnalysisPanel::handleMouse(QEvent* event)
{
    const ScopeView& view = m_scope.display.input().view;
    const auto positionAt = [&](int x) {
        return view.viewStart + x * view.horizontalScale / 100.0;
    };
    const int c = m_settings.channel;
    const RenderInput& in = m_scope.display.input();
    const int midY = m_scope.display.height() / 2;
    const auto valueAt = [&](int y) {
        return valueAtY(y, midY, in.offsets[static_cast<std::size_t>(c)],
                        in.scales[static_cast<std::size_t>(c)]);
    };
    switch (event->type()) {
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const int notches = wheel->angleDelta().y();
        if (notches == 0)
            return false;
        // Away from the user zooms in, as in every viewer.
        zoomAt(static_cast<int>(wheel->position().x()),
               std::pow(kWheelStep, -static_cast<double>(notches) / 120.0));
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        if (mouse->button() == Qt::RightButton) {
            m_drag = Drag::Box;
            m_bandStart = at;
            m_overlay.band = QRect(at, at);
            return true;
        }
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (m_settings.timeCursors && !view.xyMode) {
            for (int i = 0; i < 2; ++i)
                if (std::abs(positionX(m_timeCursors[static_cast<std::size_t>(i)], view) -
                             at.x()) <= kGrab) {
                    m_drag = i == 0 ? Drag::TimeA : Drag::TimeB;
                    return true;
                }
        }
        if (m_settings.valueCursors && !view.xyMode) {
            for (int i = 0; i < 2; ++i) {
                const int y =
                    valueY(static_cast<float>(m_valueCursors[static_cast<std::size_t>(i)]),
                           in.offsets[static_cast<std::size_t>(c)],
                           in.scales[static_cast<std::size_t>(c)], midY);
                if (std::abs(y - at.y()) <= kGrab) {
                    m_drag = i == 0 ? Drag::ValueA : Drag::ValueB;
                    return true;
                }
            }
        }
        return false;
    }
    case QEvent::MouseMove: {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        switch (m_drag) {
        case Drag::TimeA:
        case Drag::TimeB:
            placeTimeCursor(m_drag == Drag::TimeA ? 0 : 1, positionAt(at.x()));
            break;
        case Drag::ValueA:
        case Drag::ValueB:
            placeValueCursor(m_drag == Drag::ValueA ? 0 : 1, valueAt(at.y()));
            break;
        case Drag::Box:
            m_overlay.band = QRect(m_bandStart, at).normalized();
            break;
        case Drag::None:
            updatePointer(at);
            return false; // the panel's own drag of the view goes on
        }
        updatePointer(at);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (m_drag == Drag::None)
            return false;
        const Drag ended = m_drag;
        m_drag = Drag::None;
        if (ended == Drag::Box) {
            const QRect band = m_overlay.band.value_or(QRect());
            m_overlay.band.reset();
            // A click without a box is no zoom.
            if (band.width() >= kGrab)
                boxZoom(band);
            m_scope.display.repaintAll();
        }
        return true;
    }
    case QEvent::Leave:
        if (m_drag == Drag::None)
            updatePointer(std::nullopt);
        return false;
    default:
        return false;
    }
}

} // namespace korvan::scope
