// The record the capture engine fills, the import replaces, the export writes
// and the display draws: the sample block with its counters and per-channel
// labels and extremes.
#pragma once

#include "scope/core/sample_buffer.h"
#include "scope/core/scope_settings.h"

#include <array>
#include <cstdint>
#include <string>

namespace korvan::scope {

struct ChannelTrace
{
    std::string label;      ///< "%s(%d)" of source and number
    float minimum = 100.0F; ///< with maximum < minimum: no sample yet
    float maximum = -100.0F;

    bool hasExtremes() const { return maximum >= minimum; }
    void resetExtremes()
    {
        minimum = 100.0F;
        maximum = -100.0F;
    }
    /// Widens the extremes by v (the first sample sets both); true when they changed.
    bool track(float v)
    {
        if (!hasExtremes()) {
            minimum = maximum = v;
            return true;
        }
        bool changed = false;
        if (v < minimum) {
            minimum = v;
            changed = true;
        }
        if (v > maximum) {
            maximum = v;
            changed = true;
        }
        return changed;
    }
};

struct ScopeRecord
{
    SampleBuffer buffer;
    int channelCount = 2; ///< channels of the record, 1 to 8
    int depth = 1000;     ///< samples per channel per capture
    int history = 0;      ///< samples per channel kept from earlier captures
    int total = 0;        ///< samples per channel that may be drawn and exported
    std::array<ChannelTrace, kMaxChannels> traces;
    /// Seconds between two samples of the record; 0 when the time base is unknown.
    double samplePeriod = 0.0;
    /// Changes whenever samples below total may have changed or total dropped,
    /// so that what is derived from the samples knows to start over.
    std::uint64_t generation = 0;

    /// Marks the samples as replaced (a new record, a re-trigger, an import).
    void touch() { ++generation; }

    /// Sample s of channel c; callers keep c below channelCount and s below total.
    float sample(int c, int s) const { return buffer.channel(c)[s]; }
    /// True when there is something to export or draw.
    bool hasSamples() const
    {
        return buffer.exists() && total > 0 && channelCount > 0 &&
               channelCount <= buffer.channels() && total <= buffer.length();
    }
};

} // namespace korvan::scope
