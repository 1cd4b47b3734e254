#include "cmdlib/io.h"

#include "cmdlib/command.h"
#include "cmdlib/error_codes.h"

#include <vector>

KORVAN_CMD_BEGIN

namespace {

bool bankRefused(int base, int start, int count, const void* out)
{
    return !out || count < 0 || start < 0 || bankCountRefused(count) ||
           base + static_cast<int64_t>(start) + count > 65536;
}

int queryBits(ControllerHandle handle, int base, int start, int count, int32_t* out)
{
    if (bankRefused(base, start, count, out))
        return kErrInvalidArgument;
    std::vector<uint8_t> bits((static_cast<std::size_t>(count) + 7) / 8);
    const int code = VXC_Modbus_Get0x(handle, static_cast<uint16_t>(base + start),
                                      static_cast<uint16_t>(count), bits.data());
    if (code != 0)
        return code;
    for (int i = 0; i < count; ++i)
        out[i] = (bits[static_cast<std::size_t>(i / 8)] >> (i % 8)) & 1;
    return kOk;
}

int setChannel(ControllerHandle handle, Base base, const char* format, int channel, float value)
{
    return Send(handle, base, Format(format, channel, value));
}

} // namespace

int QueryIn(ControllerHandle handle, int input, int32_t* out)
{
    return QueryInt(handle, Base::Direct, Format("?IN(%d)", input), out);
}

int QueryOp(ControllerHandle handle, int output, int32_t* out)
{
    return QueryInt(handle, Base::Direct, Format("?OP(%d)", output), out);
}

int QueryInvertIn(ControllerHandle handle, int input, int32_t* out)
{
    return QueryInt(handle, Base::Command, Format("?INVERT_IN(%d)", input), out);
}

int SetAout(ControllerHandle handle, int channel, float value)
{
    return setChannel(handle, Base::Direct, "AOUT(%d) = %f", channel, value);
}

int SetPwmFreq(ControllerHandle handle, int channel, float value)
{
    return setChannel(handle, Base::Command, "PWM_FREQ(%d) = %f", channel, value);
}

int SetPwmDuty(ControllerHandle handle, int channel, float value)
{
    return setChannel(handle, Base::Command, "PWM_DUTY(%d) = %f", channel, value);
}

int QueryInputBits(ControllerHandle handle, int start, int count, int32_t* out)
{
    return queryBits(handle, kInputBitBase, start, count, out);
}

int QueryOutputBits(ControllerHandle handle, int start, int count, int32_t* out)
{
    return queryBits(handle, kOutputBitBase, start, count, out);
}

int QueryAnalogueOutputRegisters(ControllerHandle handle, int start, int count, uint16_t* out)
{
    if (bankRefused(kAnalogueOutputRegisterBase, start, count, out))
        return kErrInvalidArgument;
    return VXC_Modbus_Get4x(handle, static_cast<uint16_t>(kAnalogueOutputRegisterBase + start),
                            static_cast<uint16_t>(count), out);
}

int WriteValues(ControllerHandle handle, const char* name, int start, const float* values,
                int count)
{
    if (!name || count < 0 || (count > 0 && !values))
        return kErrInvalidArgument;
    for (int i = 0; i < count; ++i) {
        const int code =
            Send(handle, Base::Direct, Format("%s(%d) =  %f ", name, start + i, values[i]),
                 ReplyBuffer::None);
        if (code != 0)
            return code;
    }
    return kOk;
}

KORVAN_CMD_END
