// The two information records the link returns, read field by field as
// little-endian bytes (never by casting the bytes to a struct), the walk over
// the expansion modules and their I/O numbering.
#pragma once

#include "cmdlib/variant.h"
#include "link/korvan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

KORVAN_CMD_BEGIN

namespace detail {
// Little-endian fields of a byte record.
inline uint16_t readU16(const uint8_t* bytes, std::size_t offset)
{
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}
inline uint32_t readU32(const uint8_t* bytes, std::size_t offset)
{
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}
inline int32_t readI32(const uint8_t* bytes, std::size_t offset)
{
    return static_cast<int32_t>(readU32(bytes, offset));
}
inline void writeU16(uint8_t* bytes, std::size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}
inline void writeU32(uint8_t* bytes, std::size_t offset, uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}
} // namespace detail

// The controller's specification as VXC_GetSysSpecification fills it.
class ControllerSpecRecord
{
public:
    // Bytes the link writes; the buffer keeps 64 as the oscilloscope does.
    static constexpr std::size_t kSize = VXC_SPEC_RECORD_SIZE;
    static constexpr std::size_t kBufferSize = 64;

    // The raw bytes, for the link call and for tests that build a record.
    uint8_t* data() { return m_bytes.data(); }
    const uint8_t* data() const { return m_bytes.data(); }

    // Byte 1 bit 0: the controller serves register reads of its "DT" area.
    bool servesDtRegisters() const { return (m_bytes[1] & 0x01) != 0; }
    // Every axis number the controller can address, virtual axes included.
    uint16_t virtualAxisCount() const { return detail::readU16(data(), 4); }
    uint8_t realAxisCount() const { return m_bytes[6]; }
    uint8_t digitalInputCount() const { return m_bytes[8]; }
    uint8_t digitalOutputCount() const { return m_bytes[9]; }
    uint8_t analogInputCount() const { return m_bytes[10]; }
    uint8_t analogOutputCount() const { return m_bytes[11]; }
    int32_t romSizeKb() const { return detail::readI32(data(), 12); }
    int32_t flashSizeKb() const { return detail::readI32(data(), 16); }
    uint16_t modbusBitCount() const { return detail::readU16(data(), 24); }
    uint16_t modbusRegisterCount() const { return detail::readU16(data(), 26); }
    int32_t tableRegisterCount() const { return detail::readI32(data(), 32); }
    int32_t vrRegisterCount() const { return detail::readI32(data(), 36); }
    // Scope channels the controller offers; 0 = not read yet or not supported.
    uint8_t scopeChannelCount() const { return m_bytes[55]; }

private:
    std::array<uint8_t, kBufferSize> m_bytes{};
};

// One expansion module on the KorCAN bus as VXC_EnumChildCard fills it.
class ChildCardRecord
{
public:
    static constexpr std::size_t kSize = VXC_CHILD_CARD_SIZE;
    // Card numbers from this one on mean that no further module exists.
    static constexpr uint16_t kEndCardNumber = 128;

    uint8_t* data() { return m_bytes.data(); }
    const uint8_t* data() const { return m_bytes.data(); }

    uint32_t hardwareId() const { return detail::readU32(data(), 0); }
    uint16_t cardNumber() const { return detail::readU16(data(), 4); }
    uint8_t digitalInputCount() const { return m_bytes[6]; }
    uint8_t digitalOutputCount() const { return m_bytes[7]; }
    uint8_t analogInputCount() const { return m_bytes[8]; }
    uint8_t analogOutputCount() const { return m_bytes[9]; }
    uint8_t axisCount() const { return m_bytes[10]; }
    // True when the record marks the end of the module list.
    bool isEnd() const { return cardNumber() >= kEndCardNumber; }

private:
    std::array<uint8_t, kSize> m_bytes{};
};

// Fills record from VXC_GetSysSpecification; returns the link's code.
int ReadControllerSpec(ControllerHandle handle, ControllerSpecRecord& record);

// The first I/O numbers of a module (or, for the controller itself, 0).
struct ModuleIoBase
{
    int digital = 0;   // first digital input and output
    int analogIn = 0;  // first analogue input
    int analogOut = 0; // first analogue output
    bool operator==(const ModuleIoBase&) const = default;
};
// Numbering of card n: digital from (n + 1) * 16, analogue in n * 8 + 8, out n * 4 + 4.
constexpr ModuleIoBase ModuleIoNumbering(int cardNumber)
{
    return {(cardNumber + 1) * 16, cardNumber * 8 + 8, cardNumber * 4 + 4};
}

// The card number to pass to VXC_EnumChildCard for the first module.
inline constexpr uint16_t kFirstModule = 0xFFFF;
// Every expansion module in bus order: the walk stops at a non-zero code or an
// end record, and also when a link repeats or lowers a card number, so a
// faulty answer cannot loop forever.
std::vector<ChildCardRecord> EnumerateModules(ControllerHandle handle);
// The module with card number n (the one that follows n - 1). Returns the
// link's code, or 30001 when the link answers with another module or none.
int FindModule(ControllerHandle handle, int cardNumber, ChildCardRecord& record);

KORVAN_CMD_END
