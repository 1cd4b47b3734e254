// I/O of the workbench set: single inputs and outputs, analogue and PWM
// setters, the Modbus bit and register banks, and the per-value writer.
#pragma once

#include "cmdlib/variant.h"
#include "link/korvan.h"

#include <cstdint>

KORVAN_CMD_BEGIN

// "?IN(%d)" and "?OP(%d)" through ExecuteDirect; "?INVERT_IN(%d)" through ExecuteCommand.
int QueryIn(ControllerHandle handle, int input, int32_t* out);
int QueryOp(ControllerHandle handle, int output, int32_t* out);
int QueryInvertIn(ControllerHandle handle, int input, int32_t* out);
// "AOUT(%d) = %f" through ExecuteDirect.
int SetAout(ControllerHandle handle, int channel, float value);
// "PWM_FREQ(%d) = %f" and "PWM_DUTY(%d) = %f" through ExecuteCommand.
int SetPwmFreq(ControllerHandle handle, int channel, float value);
int SetPwmDuty(ControllerHandle handle, int channel, float value);

// Modbus address bases of the banks.
inline constexpr int kInputBitBase = 10000;
inline constexpr int kOutputBitBase = 20000;
inline constexpr int kAnalogueOutputRegisterBase = 13000;

// count input (10000 + start) or output (20000 + start) bits in one
// VXC_Modbus_Get0x call, each stored as 0 or 1. The workbench build refuses
// counts above 800; any build refuses ranges outside the Modbus address space.
int QueryInputBits(ControllerHandle handle, int start, int count, int32_t* out);
int QueryOutputBits(ControllerHandle handle, int start, int count, int32_t* out);
// count registers from 13000 + start in one VXC_Modbus_Get4x call.
int QueryAnalogueOutputRegisters(ControllerHandle handle, int start, int count, uint16_t* out);

// "%s(%d) =  %f " (name, start + i, value i) once per value through
// ExecuteDirect without a reply buffer; stops at the first non-zero code.
int WriteValues(ControllerHandle handle, const char* name, int start, const float* values,
                int count);

KORVAN_CMD_END
