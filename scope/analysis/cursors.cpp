#include "scope/analysis/cursors.h"

#include <algorithm>
#include <cmath>

namespace korvan::scope {

std::optional<float> sampleAt(const ScopeRecord& record, int channel, double position)
{
    if (!record.hasSamples() || channel < 0 || channel >= record.channelCount ||
        !std::isfinite(position))
        return std::nullopt;
    const double nearest = std::round(position);
    if (nearest < 0.0 || nearest >= record.total)
        return std::nullopt;
    return record.sample(channel, static_cast<int>(nearest));
}

CursorReadout readTimeCursors(const ScopeRecord& record, const TimeBase& base, double a, double b)
{
    CursorReadout r;
    r.t1 = base.at(a);
    r.t2 = base.at(b);
    r.dt = r.t2 - r.t1;
    if (r.dt != 0.0)
        r.inverse = 1.0 / std::fabs(r.dt);
    for (int c = 0; c < kMaxChannels; ++c) {
        r.at1[static_cast<std::size_t>(c)] = sampleAt(record, c, a);
        r.at2[static_cast<std::size_t>(c)] = sampleAt(record, c, b);
    }
    return r;
}

SampleRange rangeBetween(double a, double b, int total)
{
    if (!std::isfinite(a) || !std::isfinite(b) || total <= 0)
        return {};
    if (b < a)
        std::swap(a, b);
    const double first = std::max(0.0, std::ceil(a - 1e-9));
    const double last = std::min<double>(total - 1, std::floor(b + 1e-9));
    if (last < first)
        return {};
    return {static_cast<int>(first), static_cast<int>(last)};
}

SampleRange visibleRange(int viewStart, double horizontalScale, int width, int total)
{
    if (width <= 0)
        return {};
    return rangeBetween(viewStart, viewStart + width * horizontalScale / 100.0 - 1.0, total);
}

} // namespace korvan::scope
