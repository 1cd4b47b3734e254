// Minimum and maximum of every block of 64 samples (and of 64 such blocks,
// and so on) of each channel, so that the extremes of any range cost a few
// block lookups instead of a pass over every sample. It follows a growing
// record by extending its blocks, and starts over when the record is replaced.
#pragma once

#include "scope/core/scope_record.h"

#include <array>
#include <cstdint>
#include <vector>

namespace korvan::scope {

struct ValueRange
{
    float low = 0.0F;
    float high = 0.0F;
    bool any = false; ///< false when the range held no finite sample
};

/// Extremes of values[first..last] by a plain pass; samples without a number (NaN) are skipped.
ValueRange scanRange(const float* values, int first, int last);

class SampleEnvelope
{
public:
    static constexpr int kShift = 6;
    static constexpr int kFactor = 1 << kShift; ///< samples per block, blocks per next block

    /// Brings the blocks up to the record's samples.
    void sync(const ScopeRecord& record);
    /// Extremes of samples first to last (inclusive) of channel c, after sync.
    ValueRange range(const ScopeRecord& record, int c, int first, int last) const;
    /// Samples covered by complete blocks (tests and benchmarks).
    int covered() const { return m_covered; }

private:
    void rebuild(const ScopeRecord& record);
    void extend(const ScopeRecord& record);

    // levels[l] holds one range per kFactor^(l+1) samples.
    using Levels = std::vector<std::vector<ValueRange>>;
    std::array<Levels, kMaxChannels> m_channels;
    std::uint64_t m_generation = 0;
    int m_channelCount = -1;
    int m_covered = 0;
};

} // namespace korvan::scope
