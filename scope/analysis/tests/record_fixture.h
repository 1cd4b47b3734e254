// Records filled from a formula, for the analysis suites.
#pragma once

#include "scope/core/scope_record.h"

#include <functional>

namespace korvan::scope::testing {

/// A record of channels × samples with room for capacity samples, sample s of channel c = f(c, s).
inline ScopeRecord makeRecord(int channels, int samples, const std::function<float(int, int)>& f,
                              int capacity = 0)
{
    ScopeRecord r;
    r.channelCount = channels;
    r.depth = std::max(samples, capacity);
    r.buffer.allocate(channels, r.depth);
    r.total = samples;
    for (int c = 0; c < channels; ++c)
        for (int s = 0; s < r.depth; ++s)
            r.buffer.channel(c)[s] = f(c, s);
    for (int c = 0; c < channels; ++c)
        r.traces[static_cast<std::size_t>(c)].label = "CH(" + std::to_string(c) + ")";
    return r;
}

} // namespace korvan::scope::testing
