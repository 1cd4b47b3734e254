// The two time cursors and two value cursors: what they read, and which
// samples lie between them or in view.
#pragma once

#include "scope/analysis/units.h"
#include "scope/core/scope_record.h"

#include <array>
#include <optional>

namespace korvan::scope {

/// A range of whole samples, first to last inclusive; empty when last < first.
struct SampleRange
{
    int first = 0;
    int last = -1;

    bool empty() const { return last < first; }
    int count() const { return empty() ? 0 : last - first + 1; }
};

/// The recorded sample nearest to a cursor position, or nothing off the record.
std::optional<float> sampleAt(const ScopeRecord& record, int channel, double position);

struct CursorReadout
{
    double t1 = 0.0, t2 = 0.0;     ///< in the time base's unit (seconds, or samples)
    double dt = 0.0;               ///< t2 − t1
    std::optional<double> inverse; ///< 1 / |dt|, none for dt = 0
    std::array<std::optional<float>, kMaxChannels> at1, at2;
};

/// What the time cursors at positions a and b read on every channel of the record.
CursorReadout readTimeCursors(const ScopeRecord& record, const TimeBase& base, double a, double b);

/// The samples between two positions, held to the record's total.
SampleRange rangeBetween(double a, double b, int total);
/// The samples that the view shows across width pixels.
SampleRange visibleRange(int viewStart, double horizontalScale, int width, int total);

} // namespace korvan::scope
