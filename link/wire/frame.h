// Framing of the link protocol: a 16-byte header and a payload, all
// little-endian. The decoder holds only bytes that arrived: its buffer grows
// with them (by at most half of what it holds at a time, never past the
// frame the header announces) and is handed on with the frame, so a header
// that announces a large payload costs nothing until the payload comes.
#pragma once

#include "link/link_protocol.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korvan::link::wire {

/// "KVLK" as it appears on the wire.
inline constexpr uint32_t kFrameMagic = 0x4B4C564B;
inline constexpr std::size_t kHeaderSize = 16;

struct Frame
{
    uint16_t type = 0;
    uint32_t id = 0;
    std::vector<uint8_t> payload;
};

/// The bytes of one frame, header and payload.
std::vector<uint8_t> encodeFrame(uint16_t type, uint32_t id, std::span<const uint8_t> payload);

enum class DecodeStatus
{
    NeedMore, // no complete frame buffered yet
    Frame,    // a frame was taken
    BadMagic, // the bytes are not a frame header
    BadFlags, // reserved header bits are set
    TooLarge  // the announced payload exceeds the limit
};

class FrameDecoder
{
public:
    explicit FrameDecoder(uint32_t maxPayload = kMaxPayload) : m_maxPayload(maxPayload) {}

    /// Appends received bytes.
    void feed(std::span<const uint8_t> bytes);
    /// Takes the next complete frame; after an error status the buffer is unchanged.
    DecodeStatus next(Frame& frame);
    /// Drops bytes up to the next possible frame start (serial resynchronisation).
    void skipToNextMagic();
    /// True when bytes of an unfinished frame are buffered.
    bool hasPartial() const { return !m_buffer.empty(); }
    /// The payload length of the buffered header; none before a whole header.
    std::optional<uint32_t> announcedLength() const;
    /// Bytes the buffer has room for (what it costs in memory).
    std::size_t reserved() const { return m_buffer.capacity(); }
    void clear() { m_buffer = {}; }

private:
    uint32_t m_maxPayload;
    std::vector<uint8_t> m_buffer;
};

} // namespace korvan::link::wire
