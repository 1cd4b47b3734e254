#include "link/wire/frame.h"

#include "link/wire/payload.h"

#include <algorithm>
#include <cstring>

namespace korvan::link::wire {

std::vector<uint8_t> encodeFrame(uint16_t type, uint32_t id, std::span<const uint8_t> payload)
{
    PayloadWriter out;
    out.u32(kFrameMagic);
    out.u16(type);
    out.u16(0);
    out.u32(id);
    out.u32(static_cast<uint32_t>(payload.size()));
    out.raw(payload);
    return out.take();
}

void FrameDecoder::feed(std::span<const uint8_t> bytes)
{
    const std::size_t needed = m_buffer.size() + bytes.size();
    if (needed > m_buffer.capacity()) {
        // Grow with what arrives, not with what a header announces: half again
        // keeps copying linear, and the announced frame end caps the room.
        std::size_t room = m_buffer.capacity() + m_buffer.capacity() / 2;
        if (const auto length = announcedLength())
            room = std::min<std::size_t>(room, kHeaderSize + *length);
        m_buffer.reserve(std::max(needed, room));
    }
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

std::optional<uint32_t> FrameDecoder::announcedLength() const
{
    if (m_buffer.size() < kHeaderSize)
        return std::nullopt;
    PayloadReader header({m_buffer.data() + 12, 4});
    return header.u32();
}

DecodeStatus FrameDecoder::next(Frame& frame)
{
    if (m_buffer.empty())
        return DecodeStatus::NeedMore;
    if (m_buffer.size() < kHeaderSize) {
        // A partial header can already be told apart from a frame.
        const std::size_t known = std::min<std::size_t>(m_buffer.size(), 4);
        uint8_t magic[4];
        PayloadWriter::storeU32(magic, kFrameMagic);
        if (std::memcmp(m_buffer.data(), magic, known) != 0)
            return DecodeStatus::BadMagic;
        return DecodeStatus::NeedMore;
    }
    PayloadReader header({m_buffer.data(), kHeaderSize});
    const uint32_t magic = header.u32();
    const uint16_t type = header.u16();
    const uint16_t flags = header.u16();
    const uint32_t id = header.u32();
    const uint32_t length = header.u32();
    if (magic != kFrameMagic)
        return DecodeStatus::BadMagic;
    if (flags != 0)
        return DecodeStatus::BadFlags;
    if (length > m_maxPayload)
        return DecodeStatus::TooLarge;
    if (m_buffer.size() - kHeaderSize < length)
        return DecodeStatus::NeedMore;
    frame.type = type;
    frame.id = id;
    const auto begin = m_buffer.begin() + kHeaderSize;
    if (m_buffer.size() == kHeaderSize + length) {
        // The usual case: the buffer holds just this frame and becomes its
        // payload, so a large frame is never held twice.
        m_buffer.erase(m_buffer.begin(), begin);
        frame.payload = std::move(m_buffer);
        m_buffer = {};
        return DecodeStatus::Frame;
    }
    frame.payload.assign(begin, begin + length);
    m_buffer.erase(m_buffer.begin(), begin + length);
    if (m_buffer.capacity() > 2 * m_buffer.size() + kHeaderSize + 64 * 1024)
        m_buffer.shrink_to_fit(); // what stays is the start of the next frame
    return DecodeStatus::Frame;
}

void FrameDecoder::skipToNextMagic()
{
    uint8_t magic[4];
    PayloadWriter::storeU32(magic, kFrameMagic);
    // Start at 1: the current start is the one that failed.
    auto found = m_buffer.end();
    for (std::size_t i = 1; i < m_buffer.size(); ++i) {
        const std::size_t known = std::min<std::size_t>(m_buffer.size() - i, 4);
        if (std::memcmp(m_buffer.data() + i, magic, known) == 0) {
            found = m_buffer.begin() + static_cast<std::ptrdiff_t>(i);
            break;
        }
    }
    m_buffer.erase(m_buffer.begin(), found);
}

} // namespace korvan::link::wire
