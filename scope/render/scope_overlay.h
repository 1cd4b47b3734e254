// What the analysis tools draw over the waveform picture: time labels under
// the grid, value ticks of the selected channel, the time and value cursors,
// the software trigger's mark, the box of a box zoom and the pointer's line.
// Painted after the picture, so the picture itself stays as it is.
#pragma once

#include "scope/analysis/units.h"
#include "scope/render/scope_renderer.h"

#include <QPainter>
#include <QRect>
#include <QSize>

#include <optional>

namespace korvan::scope {

struct OverlayInput
{
    bool enabled = false;
    TimeBase time;
    bool timeLabels = true;
    int valueChannel = -1; ///< the channel whose values label the grid; none below 0
    std::optional<double> cursorA, cursorB; ///< time cursors, sample positions
    std::optional<double> valueA, valueB;   ///< value cursors, in valueChannel's units
    std::optional<QRect> band;              ///< the box of a box zoom in progress
    std::optional<double> triggerPosition;  ///< the last software trigger, a sample position
    std::optional<int> pointerX;
};

/// The cursors' colour, which no default trace colour is near.
inline constexpr ColorValue kCursorColor = colorValue(235, 235, 235);

/// x of a fractional sample position, as the display maps whole samples.
double positionX(double position, const ScopeView& view);

/// Paints the overlay onto what painter paints (the display image or an SVG).
void paintOverlay(QPainter& painter, QSize size, const RenderInput& input,
                  const OverlayInput& overlay);

} // namespace korvan::scope
