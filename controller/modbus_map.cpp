#include "controller/modbus_map.h"

#include "controller/basic/names.h"
#include "controller/controller_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace korvan::controller {

using basic::ErrorCode;

namespace {

constexpr uint32_t regionSize = 1000;
constexpr uint32_t ioBitRegion = 4096;

enum class BitRegion
{
    General,
    Inputs,
    Outputs,
    None
};

BitRegion bitRegion(const ControllerState& s, uint32_t address, uint32_t& offset)
{
    if (address < s.memory.modbusBits.size()) {
        offset = address;
        return BitRegion::General;
    }
    if (address >= 10000 && address < 10000 + ioBitRegion) {
        offset = address - 10000;
        return BitRegion::Inputs;
    }
    if (address >= 20000 && address < 20000 + ioBitRegion) {
        offset = address - 20000;
        return BitRegion::Outputs;
    }
    return BitRegion::None;
}

uint16_t floatWord(double value, bool high)
{
    const float f = static_cast<float>(value);
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return static_cast<uint16_t>(high ? bits >> 16 : bits & 0xffff);
}

// Reads one register; false when the address lies outside every region.
bool readRegister(const ControllerState& s, uint32_t a, uint16_t& out)
{
    if (a < s.memory.modbusRegisters.size()) {
        out = s.memory.modbusRegisters[a];
        return true;
    }
    const AxisParam floats[] = {AxisParam::DPOS, AxisParam::MPOS, AxisParam::VP_SPEED};
    for (int r = 0; r < 3; ++r) {
        const uint32_t base = 10000 + static_cast<uint32_t>(r) * regionSize;
        if (a >= base && a < base + regionSize) {
            const int axis = static_cast<int>((a - base) / 2);
            out = floatWord(s.parameters.get(floats[r], axis), (a - base) % 2 == 1);
            return true;
        }
    }
    if (a >= 13000 && a < 13000 + regionSize) {
        out = static_cast<uint16_t>(s.io.analogOutput(static_cast<int>(a - 13000)));
        return true;
    }
    if (a >= 14000 && a < 14000 + regionSize) {
        out = static_cast<uint16_t>(s.io.analogInput(static_cast<int>(a - 14000)));
        return true;
    }
    return false;
}

} // namespace

ErrorCode modbusGetBits(const ControllerState& s, uint16_t start, uint16_t count,
                        std::vector<uint8_t>& out)
{
    out.clear();
    out.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t offset = 0;
        switch (bitRegion(s, start + i, offset)) {
        case BitRegion::General:
            out.push_back(s.memory.modbusBits[offset]);
            break;
        case BitRegion::Inputs:
            out.push_back(static_cast<uint8_t>(s.io.input(static_cast<int>(offset))));
            break;
        case BitRegion::Outputs:
            out.push_back(static_cast<uint8_t>(s.io.output(static_cast<int>(offset))));
            break;
        case BitRegion::None:
            out.clear();
            return ErrorCode::IndexRange;
        }
    }
    return ErrorCode::None;
}

ErrorCode modbusSetBits(ControllerState& s, uint16_t start, const std::vector<uint8_t>& bits)
{
    // Check the whole request first so that a refused write changes nothing.
    for (uint32_t i = 0; i < bits.size(); ++i) {
        uint32_t offset = 0;
        const BitRegion region = bitRegion(s, start + i, offset);
        if (region == BitRegion::None)
            return ErrorCode::IndexRange;
        if (region == BitRegion::Inputs)
            return ErrorCode::ReadOnly;
    }
    for (uint32_t i = 0; i < bits.size(); ++i) {
        uint32_t offset = 0;
        if (bitRegion(s, start + i, offset) == BitRegion::General)
            s.memory.modbusBits[offset] = bits[i] ? 1 : 0;
        else
            s.io.setOutput(static_cast<int>(offset), bits[i] != 0);
    }
    return ErrorCode::None;
}

ErrorCode modbusGetRegisters(const ControllerState& s, uint16_t start, uint16_t count,
                             std::vector<uint16_t>& out)
{
    out.assign(count, 0);
    for (uint32_t i = 0; i < count; ++i) {
        if (!readRegister(s, start + i, out[i])) {
            out.clear();
            return ErrorCode::IndexRange;
        }
    }
    return ErrorCode::None;
}

ErrorCode modbusSetRegisters(ControllerState& s, uint16_t start,
                             const std::vector<uint16_t>& values)
{
    for (uint32_t i = 0; i < values.size(); ++i) {
        const uint32_t a = start + i;
        const bool general = a < s.memory.modbusRegisters.size();
        const bool aout = a >= 13000 && a < 13000 + regionSize;
        if (!general && !aout) {
            uint16_t ignored;
            return readRegister(s, a, ignored) ? ErrorCode::ReadOnly : ErrorCode::IndexRange;
        }
    }
    for (uint32_t i = 0; i < values.size(); ++i) {
        const uint32_t a = start + i;
        if (a < s.memory.modbusRegisters.size())
            s.memory.modbusRegisters[a] = values[i];
        else
            s.io.setAnalogOutput(static_cast<int>(a - 13000), values[i]);
    }
    return ErrorCode::None;
}

ErrorCode registerRead(const ControllerState& s, std::string_view area, uint32_t width,
                       uint32_t start, uint32_t count, std::vector<uint8_t>& out)
{
    out.clear();
    // A controller whose record says it serves no DT reads refuses them, so
    // a client that did not check the record learns it.
    if (!basic::namesEqual(area, "DT") || !s.profile.dtRegisters)
        return ErrorCode::Unsupported;
    if (width != 16 && width != 32)
        return ErrorCode::BadArgument;
    const auto size = static_cast<uint64_t>(s.memory.table.size());
    if (static_cast<uint64_t>(start) + count > size)
        return ErrorCode::IndexRange;
    out.reserve(static_cast<std::size_t>(count) * width / 8);
    for (uint32_t i = 0; i < count; ++i) {
        const double v = s.memory.table[start + i];
        uint32_t bits = 0;
        if (width == 32) {
            const float f = static_cast<float>(v);
            std::memcpy(&bits, &f, sizeof bits);
        } else {
            const double clamped = std::clamp(std::trunc(v), -32768.0, 32767.0);
            bits = static_cast<uint16_t>(static_cast<int16_t>(clamped));
        }
        for (uint32_t b = 0; b < width / 8; ++b)
            out.push_back(static_cast<uint8_t>((bits >> (8 * b)) & 0xff));
    }
    return ErrorCode::None;
}

} // namespace korvan::controller
