// The record's samples: 32-bit floats, channel-major. Channel c's block starts
// at c × stride(); its first length() samples are the record (history first,
// then the current capture). Growing keeps each channel's leading samples and
// doubles the stride when it runs out, so a continuous record costs amortised
// O(1) per sample instead of a full copy at every wrap.
#pragma once

#include <cstddef>
#include <limits>
#include <memory>

namespace korvan::scope {

class SampleBuffer
{
public:
    /// True once a block has been allocated.
    bool exists() const { return m_data != nullptr; }
    int channels() const { return m_channels; }
    /// Samples per channel that the block holds room for and that callers may address.
    int length() const { return m_length; }
    /// Distance between channel blocks, in floats (at least length()).
    std::size_t stride() const { return m_stride; }

    /// A fresh block of channels × length floats; false (block kept) when allocation fails.
    bool allocate(int channels, int length);
    /// Makes room for length samples per channel keeping each channel's first keep
    /// samples; false (block kept as it was) when allocation fails.
    bool grow(int keep, int length);
    /// Drops the block.
    void reset();

    float* channel(int c) { return m_data.get() + static_cast<std::size_t>(c) * m_stride; }
    const float* channel(int c) const
    {
        return m_data.get() + static_cast<std::size_t>(c) * m_stride;
    }

    /// Largest number of floats an allocation may ask for; tests lower it to see failures.
    void setCapacityLimit(std::size_t floats) { m_limit = floats; }

private:
    bool reserve(int channels, std::size_t stride, int keep);

    std::unique_ptr<float[]> m_data;
    int m_channels = 0;
    int m_length = 0;
    std::size_t m_stride = 0;
    std::size_t m_limit = std::numeric_limits<std::size_t>::max() / sizeof(float);
};

} // namespace korvan::scope
