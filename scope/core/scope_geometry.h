// Where samples land on the display, and which rectangle a sample range
// dirties. Plain arithmetic shared by the renderer, the panel and the tests.
#pragma once

#include <cmath>
#include <optional>

namespace korvan::scope {

/// The display's view: first sample at the left edge and samples per 100 pixels.
struct ScopeView
{
    int viewStart = 0;
    double horizontalScale = 100.0;
    bool xyMode = false;
    bool expandedLabels = true;
};

/// x of sample s: trunc((s − view start) × 100 ÷ horizontal scale).
inline int sampleX(long long s, const ScopeView& view)
{
    return static_cast<int>(
        std::trunc(static_cast<double>(s - view.viewStart) * 100.0 / view.horizontalScale));
}

/// Pixels that value v of a channel spans from its centre line: (v + offset) × 100 ÷ scale.
/// A scale of 0 has no meaning: the channel is drawn flat, its offset read as pixels.
inline double channelPixels(float v, float offset, float scale)
{
    if (scale != 0.0F)
        return (static_cast<double>(v) + offset) * 100.0 / scale;
    return std::isfinite(offset) ? std::trunc(offset) : 0.0;
}

/// y of value v in time mode; far-off values are held representable.
inline int valueY(float v, float offset, float scale, int midY)
{
    const double t = channelPixels(v, offset, scale);
    if (t >= 1.0e7)
        return midY - 10000000;
    if (t <= -1.0e7)
        return midY + 10000000;
    // The cast truncates toward zero; a value without a number is drawn at the offset.
    return midY - static_cast<int>(std::isnan(t) ? channelPixels(0.0F, offset, 0.0F) : t);
}

struct DirtyRect
{
    int left, top, right, bottom;
};

/// The rectangle a repaint of samples a to b covers, or none when they are off screen.
inline std::optional<DirtyRect> sampleRangeRect(int a, int b, int width, int height,
                                                const ScopeView& view)
{
    if (view.xyMode)
        return std::nullopt;
    const int xa = sampleX(a, view);
    const int xb = sampleX(b, view);
    const bool visible =
        (xa >= 0 && xa < width) || (xb >= 0 && xb < width) || (xa <= 0 && xb >= width);
    if (!visible)
        return std::nullopt;
    return DirtyRect{xa - 20, 0, xb + 20, height};
}

/// The label strip: left 200, top 0, right 440, bottom count × 20.
inline DirtyRect labelRect(int count)
{
    return {200, 0, 440, count * 20};
}

/// A drag from anchorX to x moves the view by the samples the pixels span.
inline int draggedViewStart(int anchorX, int x, double horizontalScale, int viewStart)
{
    const double start = std::trunc((anchorX - x) * horizontalScale / 100.0 + viewStart);
    return start < 0 ? 0 : static_cast<int>(start);
}

/// The scroll bar's page: trunc(horizontal scale ÷ 100 × (panel width − 290)).
inline int scrollPage(double horizontalScale, int panelWidth)
{
    return static_cast<int>(std::trunc(horizontalScale / 100.0 * (panelWidth - 290)));
}

} // namespace korvan::scope
