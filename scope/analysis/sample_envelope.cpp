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

std::int64_t blockSize(std::size_t level)
{
    std::int64_t size = SampleEnvelope::kFactor;
    for (std::size_t l = 0; l < level; ++l)
        size *= SampleEnvelope::kFactor;
    return size;
}

} // namespace

ValueRange scanRange(const float* values, int first, int last)
{
    ValueRange r;
    float low = INFINITY, high = -INFINITY;
    for (int s = first; s <= last; ++s) {
        const float v = values[s];
        // Comparisons with NaN are false, so NaN samples widen nothing; infinities
        // are not values either.
        if (v < low && v > -INFINITY)
            low = v;
        if (v > high && v < INFINITY)
            high = v;
    }
    if (low <= high) {
        r.low = low;
        r.high = high;
        r.any = true;
    }
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
    // Climb: samples up to the first block edge, then ever larger blocks while they fit.
    while (s < end) {
        bool used = false;
        for (std::size_t l = levels.size(); l-- > 0;) {
            const std::int64_t size = blockSize(l);
            if (s % size == 0 && s + size <= std::min<std::int64_t>(end, m_covered)) {
                const auto index = static_cast<std::size_t>(s / size);
                if (index < levels[l].size()) {
                    widen(r, levels[l][index]);
                    s += size;
                    used = true;
                    break;
                }
            }
        }
        if (used)
            continue;
        // Up to the next block edge (or the end) sample by sample.
        const std::int64_t edge = std::min(end, (s / kFactor + 1) * kFactor);
        widen(r, scanRange(v, static_cast<int>(s), static_cast<int>(edge - 1)));
        s = edge;
    }
    return r;
}

} // namespace korvan::scope
