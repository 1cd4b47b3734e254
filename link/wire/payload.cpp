#include "link/wire/payload.h"

#include <bit>
#include <cstring>

namespace korvan::link::wire {

void PayloadWriter::u16(uint16_t value)
{
    m_bytes.push_back(static_cast<uint8_t>(value));
    m_bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void PayloadWriter::u32(uint32_t value)
{
    uint8_t bytes[4];
    storeU32(bytes, value);
    m_bytes.insert(m_bytes.end(), bytes, bytes + 4);
}

void PayloadWriter::f32(float value)
{
    u32(std::bit_cast<uint32_t>(value));
}

void PayloadWriter::raw(std::span<const uint8_t> bytes)
{
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

void PayloadWriter::blob(std::span<const uint8_t> bytes)
{
    u32(static_cast<uint32_t>(bytes.size()));
    raw(bytes);
}

void PayloadWriter::text(std::string_view text)
{
    blob({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

void PayloadWriter::storeU32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

const uint8_t* PayloadReader::take(std::size_t count)
{
    if (m_failed || m_bytes.size() - m_offset < count) {
        m_failed = true;
        return nullptr;
    }
    const uint8_t* at = m_bytes.data() + m_offset;
    m_offset += count;
    return at;
}

uint8_t PayloadReader::u8()
{
    const uint8_t* at = take(1);
    return at ? at[0] : 0;
}

uint16_t PayloadReader::u16()
{
    const uint8_t* at = take(2);
    return at ? static_cast<uint16_t>(at[0] | (at[1] << 8)) : 0;
}

uint32_t PayloadReader::u32()
{
    const uint8_t* at = take(4);
    if (!at)
        return 0;
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

float PayloadReader::f32()
{
    return std::bit_cast<float>(u32());
}

std::vector<uint8_t> PayloadReader::blob(uint32_t maxLength)
{
    const uint32_t length = u32();
    if (length > maxLength) {
        m_failed = true;
        return {};
    }
    const uint8_t* at = take(length);
    return at ? std::vector<uint8_t>(at, at + length) : std::vector<uint8_t>{};
}

std::string PayloadReader::text(uint32_t maxLength)
{
    const std::vector<uint8_t> bytes = blob(maxLength);
    return {bytes.begin(), bytes.end()};
}

void PayloadReader::raw(std::span<uint8_t> out)
{
    const uint8_t* at = take(out.size());
    if (at && !out.empty())
        std::memcpy(out.data(), at, out.size());
}

} // namespace korvan::link::wire
