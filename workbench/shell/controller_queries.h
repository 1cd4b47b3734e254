// The few controller commands the shell itself sends, through the command
// library's base operations and value-list parser: the "?*MAX" PWM count, the
// "?Sys_version" probe, named values, range blocks and the fields of the two
// information records the shell reads.
#pragma once

#include "link/korvan.h"

#include <cstdint>
#include <string>

namespace korvan::shell {

/// The standard reply capacity.
inline constexpr uint32_t kReplyCapacity = 2048;

/// The buffered base operation (ExecuteCommand).
int32_t executeCommand(ControllerHandle handle, const std::string& command, char* reply,
                       uint32_t capacity);
/// The direct base operation (ExecuteDirect).
int32_t executeDirect(ControllerHandle handle, const std::string& command, char* reply,
                      uint32_t capacity);

/// Reads up to count integers of a value list; 30001 when it does not start with one.
int32_t parseIntList(const char* text, int count, int32_t* out);
/// Reads up to count floats of a value list; 30001 when it does not start with one.
int32_t parseFloatList(const char* text, int count, float* out);

/// "?*MAX": the number after "max_pwm:" (0 when absent).
int32_t readPwmCount(ControllerHandle handle, int32_t& count);
/// "?Sys_version": true when it succeeds with at most 19 characters.
bool sysVersionPresent(ControllerHandle handle);
/// "?%s" through ExecuteDirect into a float.
int32_t readNamedFloat(ControllerHandle handle, const std::string& name, float& value);
/// "?*%s(%d,%d)" through ExecuteDirect, count floats from start.
int32_t readRangeFloats(ControllerHandle handle, const std::string& name, int start, int count,
                        float* values);

/// The specification record's fields the shell reads.
struct SpecFields
{
    uint16_t virtualAxes = 0; // offset 4
    uint8_t realAxes = 0;     // offset 6
};
/// VXC_GetSysSpecification into a fresh record.
int32_t readSpecification(ControllerHandle handle, SpecFields& fields);

/// One expansion module as VXC_EnumChildCard returns it.
struct ChildCard
{
    uint32_t hardwareId = 0;
    uint16_t canId = 0;
    uint8_t axes = 0;
};
/// The module after card number previous (65535 for the first).
int32_t readChildCard(ControllerHandle handle, uint16_t previous, ChildCard& card);

} // namespace korvan::shell
