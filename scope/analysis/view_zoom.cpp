#include "scope/analysis/view_zoom.h"

#include "scope/analysis/units.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvan::scope {
namespace {

int clampedStart(double start)
{
    if (!(start > 0.0))
        return 0;
    return start >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                    : static_cast<int>(std::lround(start));
}

} // namespace

double boxScale(double scale)
{
    if (!std::isfinite(scale))
        return kMinHorizontalScale;
    // The box holds whole numbers, and a scale near the int limit would overflow it.
    return clampHorizontalScale(std::min(std::round(scale), 1.0e9));
}

HorizontalView zoomAround(const HorizontalView& view, int pointerX, double newScale)
{
    const double scale = boxScale(newScale);
    const double underPointer = view.viewStart + pointerX * view.horizontalScale / 100.0;
    return {clampedStart(underPointer - pointerX * scale / 100.0), scale};
}

HorizontalView viewOfSamples(double first, double last, int width)
{
    if (last < first)
        std::swap(first, last);
    const double span = std::max(1.0, last - first);
    return {clampedStart(first), boxScale(std::ceil(span * 100.0 / std::max(1, width)))};
}

HorizontalView fitRecord(int total, int width)
{
    return viewOfSamples(0.0, std::max(1, total), width);
}

std::optional<ChannelScale> fillHeight(double minimum, double maximum, int height)
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum) || height <= 0)
        return std::nullopt;
    if (maximum < minimum)
        std::swap(minimum, maximum);
    const double range = maximum - minimum;
    if (!(range > 0.0))
        return std::nullopt;
    const double scale = range * 100.0 / (0.9 * height);
    return ChannelScale{static_cast<float>(scale), static_cast<float>(-(minimum + maximum) / 2.0)};
}

std::optional<ChannelScale> autoscale(double minimum, double maximum, int height)
{
    auto fitted = fillHeight(minimum, maximum, height);
    if (!fitted)
        return std::nullopt;
    fitted->scale = static_cast<float>(fineNiceStep(fitted->scale));
    return fitted;
}

void ViewHistory::push(const ViewSnapshot& view)
{
    if (m_views.size() == kDepth)
        m_views.erase(m_views.begin());
    m_views.push_back(view);
}

std::optional<ViewSnapshot> ViewHistory::back()
{
    if (m_views.empty())
        return std::nullopt;
    ViewSnapshot view = m_views.back();
    m_views.pop_back();
    return view;
}

} // namespace korvan::scope
