#include "scope/core/sample_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace korvan::scope {

bool SampleBuffer::reserve(int channels, std::size_t stride, int keep)
{
    if (channels <= 0)
        return false;
    const auto count = static_cast<std::size_t>(channels);
    if (stride == 0 || stride > m_limit / count)
        return false;
    std::unique_ptr<float[]> block;
    try {
        block = std::make_unique_for_overwrite<float[]>(count * stride);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (m_data && keep > 0) {
        const auto kept = std::min<std::size_t>({static_cast<std::size_t>(keep), m_stride, stride});
        const int copied = std::min(channels, m_channels);
        for (int c = 0; c < copied; ++c)
            std::memcpy(block.get() + static_cast<std::size_t>(c) * stride, channel(c),
                        kept * sizeof(float));
    }
    m_data = std::move(block);
    m_channels = channels;
    m_stride = stride;
    return true;
}

bool SampleBuffer::allocate(int channels, int length)
{
    if (length <= 0)
        return false;
    if (!reserve(channels, static_cast<std::size_t>(length), 0))
        return false;
    m_length = length;
    return true;
}

bool SampleBuffer::grow(int keep, int length)
{
    if (!m_data || length <= 0)
        return false;
    if (static_cast<std::size_t>(length) <= m_stride) {
        m_length = length;
        return true;
    }
    // Doubling keeps the copies amortised; fall back to the exact need when
    // the doubled block would pass the limit.
    const std::size_t need = static_cast<std::size_t>(length);
    const std::size_t doubled = std::max(need, m_stride * 2);
    if (!reserve(m_channels, doubled, keep) &&
        (doubled == need || !reserve(m_channels, need, keep)))
        return false;
    m_length = length;
    return true;
}

void SampleBuffer::reset()
{
    m_data.reset();
    m_channels = 0;
    m_length = 0;
    m_stride = 0;
}

} // namespace korvan::scope
