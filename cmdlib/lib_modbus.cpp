#include "cmdlib/lib_modbus.h"

#include "cmdlib/error_codes.h"

#include <cstring>
#include <vector>

KORVAN_CMD_BEGIN

namespace lib {

namespace {

constexpr int64_t kAddressSpace = 65536;

bool rangeRefused(int64_t first, int64_t count, const void* data)
{
    return !data || first < 0 || count < 0 || first + count > kAddressSpace || count > 0xFFFF;
}

int getWords(ControllerHandle handle, int start, int count, uint32_t* out)
{
    if (rangeRefused(start, 2 * static_cast<int64_t>(count), out))
        return kErrInvalidArgument;
    std::vector<uint16_t> registers(2 * static_cast<std::size_t>(count));
    const int code = VXC_Modbus_Get4x(handle, static_cast<uint16_t>(start),
                                      static_cast<uint16_t>(2 * count), registers.data());
    if (code != 0)
        return code;
    for (int i = 0; i < count; ++i)
        out[i] = registers[2 * i] | static_cast<uint32_t>(registers[2 * i + 1]) << 16;
    return kOk;
}

int setWords(ControllerHandle handle, int start, int count, const uint32_t* values)
{
    if (rangeRefused(start, 2 * static_cast<int64_t>(count), values))
        return kErrInvalidArgument;
    std::vector<uint16_t> registers(2 * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        registers[2 * i] = static_cast<uint16_t>(values[i]);
        registers[2 * i + 1] = static_cast<uint16_t>(values[i] >> 16);
    }
    return VXC_Modbus_Set4x(handle, static_cast<uint16_t>(start), static_cast<uint16_t>(2 * count),
                            registers.data());
}

template <typename T> int getAs(ControllerHandle handle, int start, int count, T* out)
{
    if (!out || count < 0)
        return kErrInvalidArgument;
    std::vector<uint32_t> words(static_cast<std::size_t>(count));
    const int code = getWords(handle, start, count, words.data());
    if (code == 0)
        std::memcpy(out, words.data(), words.size() * 4);
    return code;
}

template <typename T> int setAs(ControllerHandle handle, int start, int count, const T* values)
{
    if (!values || count < 0)
        return kErrInvalidArgument;
    std::vector<uint32_t> words(static_cast<std::size_t>(count));
    std::memcpy(words.data(), values, words.size() * 4);
    return setWords(handle, start, count, words.data());
}

int getBits(ControllerHandle handle, int base, int start, int end, int32_t* out)
{
    if (end < start)
        return kErrInvalidArgument;
    const int64_t count = static_cast<int64_t>(end) - start + 1;
    if (rangeRefused(base + static_cast<int64_t>(start), count, out))
        return kErrInvalidArgument;
    std::vector<uint8_t> bits(static_cast<std::size_t>((count + 7) / 8));
    const int code = VXC_Modbus_Get0x(handle, static_cast<uint16_t>(base + start),
                                      static_cast<uint16_t>(count), bits.data());
    if (code != 0)
        return code;
    for (int64_t i = 0; i < count; ++i)
        out[i] = (bits[static_cast<std::size_t>(i / 8)] >> (i % 8)) & 1;
    return kOk;
}

} // namespace

int ModbusGetInt32(ControllerHandle handle, int start, int count, int32_t* out)
{
    return getAs(handle, start, count, out);
}

int ModbusGetFloat(ControllerHandle handle, int start, int count, float* out)
{
    return getAs(handle, start, count, out);
}

int ModbusSetInt32(ControllerHandle handle, int start, int count, const int32_t* values)
{
    return setAs(handle, start, count, values);
}

int ModbusSetFloat(ControllerHandle handle, int start, int count, const float* values)
{
    return setAs(handle, start, count, values);
}

int ModbusGetRegion(ControllerHandle handle, ModbusRegion region, int index, int count, float* out)
{
    if (index < 0)
        return kErrInvalidArgument;
    return getAs(handle, static_cast<int>(region) + 2 * index, count, out);
}

int ModbusGetInputs(ControllerHandle handle, int start, int end, int32_t* out)
{
    return getBits(handle, 10000, start, end, out);
}

int ModbusGetOutputs(ControllerHandle handle, int start, int end, int32_t* out)
{
    return getBits(handle, 20000, start, end, out);
}

int ModbusSetOutputs(ControllerHandle handle, int start, int end, const int32_t* values)
{
    if (end < start)
        return kErrInvalidArgument;
    const int64_t count = static_cast<int64_t>(end) - start + 1;
    if (rangeRefused(20000 + static_cast<int64_t>(start), count, values))
        return kErrInvalidArgument;
    std::vector<uint8_t> bits(static_cast<std::size_t>((count + 7) / 8), 0);
    for (int64_t i = 0; i < count; ++i) {
        if (values[i])
            bits[static_cast<std::size_t>(i / 8)] |= static_cast<uint8_t>(1u << (i % 8));
    }
    return VXC_Modbus_Set0x(handle, static_cast<uint16_t>(20000 + start),
                            static_cast<uint16_t>(count), bits.data());
}

} // namespace lib

KORVAN_CMD_END
