#include "scope/analysis/sample_envelope.h"

#include <algorithm>
#include <cmath>

namespace korvan::scope {
namespace {

void widen(ValueRange& into, const ValueRange& r)
{
    if (!r.any)
        return;
    if (!into.any) {
        into = r;
        return;
    }
    into.low = std::min(into.low, r.low);
    into.high = std::max(into.high, r.high);
}

} // namespace

ValueRange scanRange(const float* values, int first, int last)
{
    // Four independent minimum and maximum chains, written as the compare-and-
    // select that SSE's minps/maxps perform, so the compiler can keep them in
    // vector registers. A NaN compares false and so never replaces a bound.
    float low[4] = {INFINITY, INFINITY, INFINITY, INFINITY};
    float high[4] = {-INFINITY, -INFINITY, -INFINITY, -INFINITY};
    int s = first;
    for (; s + 3 <= last; s += 4)
        for (int k = 0; k < 4; ++k) {
            const float v = values[s + k];
            low[k] = v < low[k] ? v : low[k];
            high[k] = v > high[k] ? v : high[k];
        }
    for (; s <= last; ++s) {
        const float v = values[s];
        low[0] = v < low[0] ? v : low[0];
        high[0] = v > high[0] ? v : high[0];
    }
    ValueRange r;
    r.low = std::min({low[0], low[1], low[2], low[3]});
    r.high = std::max({high[0], high[1], high[2], high[3]});
    r.any = r.low <= r.high;
    if (!r.any)
        r.low = r.high = 0.0F;
    return r;
}

void SampleEnvelope::rebuild(const ScopeRecord& record)
{
    for (Levels& levels : m_channels)
        levels.clear();
    m_covered = 0;
    m_generation = record.generation;
    m_channelCount = record.channelCount;
}

void SampleEnvelope::extend(const ScopeRecord& record)
{
    const int channels = std::min(record.channelCount, kMaxChannels);
    const int complete = record.total / kFactor * kFactor;
    if (complete <= m_covered)
        return;
    for (int c = 0; c < channels; ++c) {
        Levels& levels = m_channels[static_cast<std::size_t>(c)];
        if (levels.empty())
            levels.emplace_back();
        const float* v = record.buffer.channel(c);
        for (int first = m_covered; first < complete; first += kFactor)
            levels[0].push_back(scanRange(v, first, first + kFactor - 1));
        // Each higher level takes whole groups of kFactor ranges of the level below.
        for (std::size_t l = 1;; ++l) {
            const std::size_t below = levels[l - 1].size() / kFactor;
            if (below == 0)
                break;
            if (levels.size() == l)
                levels.emplace_back();
            std::vector<ValueRange>& level = levels[l];
            for (std::size_t i = level.size(); i < below; ++i) {
                ValueRange r;
                for (std::size_t j = 0; j < kFactor; ++j)
                    widen(r, levels[l - 1][i * kFactor + j]);
                level.push_back(r);
            }
        }
    }
    m_covered = complete;
}

void SampleEnvelope::sync(const ScopeRecord& record)
{
    if (!record.hasSamples()) {
        rebuild(record);
        return;
    }
    if (record.generation != m_generation || record.channelCount != m_channelCount ||
        record.total < m_covered)
        rebuild(record);
    extend(record);
}

ValueRange SampleEnvelope::range(const ScopeRecord& record, int c, int first, int last) const
{
    const float* v = record.buffer.channel(c);
    const Levels& levels = m_channels[static_cast<std::size_t>(c)];
    ValueRange r;
    std::int64_t s = first;
    const std::int64_t end = static_cast<std::int64_t>(last) + 1;
    const std::int64_t covered = std::min<std::int64_t>(end, m_covered);
    // Blocks are powers of two: shifts and masks, no division on this path,
    // which runs for every pixel column of every channel in every frame.
    const auto size = [](std::size_t level) { return std::int64_t{1} << (kShift * (level + 1)); };
    while (s < end) {
        if ((s & (kFactor - 1)) == 0 && s + kFactor <= covered && !levels.empty()) {
            // The largest block that starts here and ends within the range.
            std::size_t level = 0;
            while (level + 1 < levels.size() && (s & (size(level + 1) - 1)) == 0 &&
                   s + size(level + 1) <= covered)
                ++level;
            widen(r, levels[level][static_cast<std::size_t>(s >> (kShift * (level + 1)))]);
            s += size(level);
            continue;
        }
        // Up to the next block edge (or the end) sample by sample.
        const std::int64_t edge = std::min(end, (s | (kFactor - 1)) + 1);
        widen(r, scanRange(v, static_cast<int>(s), static_cast<int>(edge - 1)));
        s = edge;
    }
    return r;
}

} // namespace korvan::scope
