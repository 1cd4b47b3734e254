// Modbus access of the library set: 32-bit values kept in two 16-bit
// registers each (low word first), and bit ranges of inputs and outputs.
#pragma once

#include "cmdlib/variant.h"
#include "link/korvan.h"

#include <cstdint>

KORVAN_CMD_BEGIN

namespace lib {

// count 32-bit values from register start (2 x count registers).
int ModbusGetInt32(ControllerHandle handle, int start, int count, int32_t* out);
int ModbusGetFloat(ControllerHandle handle, int start, int count, float* out);
int ModbusSetInt32(ControllerHandle handle, int start, int count, const int32_t* values);
int ModbusSetFloat(ControllerHandle handle, int start, int count, const float* values);

// The three fixed read regions of 32-bit values.
enum class ModbusRegion : int
{
    At10000 = 10000,
    At11000 = 11000,
    At12000 = 12000
};
// count 32-bit values of a region from value index (register region + 2 x index).
int ModbusGetRegion(ControllerHandle handle, ModbusRegion region, int index, int count, float* out);

// Bits start..end inclusive (end below start gives 30002): inputs from
// 10000 + start, outputs from 20000 + start; each bit is 0 or 1.
int ModbusGetInputs(ControllerHandle handle, int start, int end, int32_t* out);
int ModbusGetOutputs(ControllerHandle handle, int start, int end, int32_t* out);
int ModbusSetOutputs(ControllerHandle handle, int start, int end, const int32_t* values);

} // namespace lib

KORVAN_CMD_END
