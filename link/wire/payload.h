// Little-endian payload encoding of the link protocol. Texts and byte blocks
// travel as a u32 length followed by the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::link::wire {

class PayloadWriter
{
public:
    void u8(uint8_t value) { m_bytes.push_back(value); }
    void u16(uint16_t value);
    void u32(uint32_t value);
    void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }
    void f32(float value);
    /// Bytes without a length.
    void raw(std::span<const uint8_t> bytes);
    /// A u32 length, then the bytes.
    void blob(std::span<const uint8_t> bytes);
    void text(std::string_view text);
    std::vector<uint8_t> take() { return std::move(m_bytes); }

    static void storeU32(uint8_t* at, uint32_t value);

private:
    std::vector<uint8_t> m_bytes;
};

// Reads fields in order. A read past the end yields zero values and makes
// ok() false for good, so a decoder checks once at the end.
class PayloadReader
{
public:
    explicit PayloadReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32();
    /// A length-prefixed block of at most maxLength bytes; longer fails.
    std::vector<uint8_t> blob(uint32_t maxLength);
    std::string text(uint32_t maxLength);
    /// Fills out with exactly out.size() bytes.
    void raw(std::span<uint8_t> out);

    bool ok() const { return !m_failed; }
    /// True when every byte was read and nothing failed.
    bool complete() const { return ok() && m_offset == m_bytes.size(); }
    std::size_t remaining() const { return m_failed ? 0 : m_bytes.size() - m_offset; }

private:
    const uint8_t* take(std::size_t count);

    std::span<const uint8_t> m_bytes;
    std::size_t m_offset = 0;
    bool m_failed = false;
};

} // namespace korvan::link::wire
