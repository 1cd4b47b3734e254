// Zooming the oscilloscope's view: around the pointer, to a box, to the whole
// record, and a channel's scale and offset that fill the height; with a
// history of views to go back to.
#pragma once

#include "scope/core/scope_settings.h"

#include <array>
#include <optional>
#include <vector>

namespace korvan::scope {

/// What the horizontal view is: the first sample at the left edge and samples per 100 pixels.
struct HorizontalView
{
    int viewStart = 0;
    double horizontalScale = 100.0;
};

/// A channel's display scale and offset (sample units per 100 pixels, added value).
struct ChannelScale
{
    float scale = 1000.0F;
    float offset = 0.0F;
};

/// The horizontal scale the scale box can hold: whole samples per 100 pixels, at least 10.
double boxScale(double scale);

/// The new scale with the sample under pointerX staying under pointerX.
HorizontalView zoomAround(const HorizontalView& view, int pointerX, double newScale);
/// The view that shows samples first to last across width pixels (the box rule applied).
HorizontalView viewOfSamples(double first, double last, int width);
/// The whole record of total samples across width pixels.
HorizontalView fitRecord(int total, int width);

/// Scale and offset that put minimum to maximum on 90 % of height, centred, with
/// a scale rounded up to a readable step. Nothing for an empty range.
std::optional<ChannelScale> autoscale(double minimum, double maximum, int height);
/// The same for a value range without rounding (box zoom of the values).
std::optional<ChannelScale> fillHeight(double minimum, double maximum, int height);

/// One view to go back to.
struct ViewSnapshot
{
    HorizontalView horizontal;
    std::array<ChannelScale, kMaxChannels> channels;
};

/// Previous views, newest last; a bounded list so that endless zooming keeps no endless history.
class ViewHistory
{
public:
    static constexpr std::size_t kDepth = 64;

    void push(const ViewSnapshot& view);
    /// The view before the last change; nothing when there is none.
    std::optional<ViewSnapshot> back();
    bool empty() const { return m_views.empty(); }

private:
    std::vector<ViewSnapshot> m_views;
};

} // namespace korvan::scope
