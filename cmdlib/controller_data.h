// Controller data of the workbench set, all through ExecuteCommand: gear
// ratios and their "?*SET" readers, the "?*MAX" PWM count, the
// "?Sys_version" probe and "?IP_ADDRESS".
#pragma once

#include "cmdlib/variant.h"
#include "link/korvan.h"

#include <array>
#include <cstdint>

KORVAN_CMD_BEGIN

// The most ratio pairs a "?*SET" section holds.
inline constexpr int kMaxRatioPairs = 128;
// The largest ratio term.
inline constexpr int kMaxRatioTerm = 65535;

// "base(%d)" and "STEP_RATIO(%d,%d)" in one command (axis, first, second);
// the workbench build wants both terms in 1..65535.
int SetStepRatio(ControllerHandle handle, int axis, int first, int second);
// "base(%d)" and "ENCODER_RATIO(%d,%d)"; terms up to 65535 (zero and
// negative terms are sent).
int SetEncoderRatio(ControllerHandle handle, int axis, int first, int second);

// The pairs of one "?*SET" section: pair i is (first[i], second[i]).
struct RatioPairs
{
    std::array<float, kMaxRatioPairs> first{};
    std::array<float, kMaxRatioPairs> second{};
    int count = 0; // pairs the section held
};

// Reads the STEP_RATIO section of "?*SET" (20480-byte reply). A missing
// section, or the ENCODER_RATIO section before it, gives 30001. Pairs the
// reply does not hold keep their values.
int QueryStepRatios(ControllerHandle handle, RatioPairs& out);
// Reads the ENCODER_RATIO section of "?*SET".
int QueryEncoderRatios(ControllerHandle handle, RatioPairs& out);

// The number after "max_pwm:" in the "?*MAX" reply; 0 when absent.
int QueryPwmCount(ControllerHandle handle, int32_t* count);
// True when "?Sys_version" succeeds with a reply of at most 19 characters
// (the controller's bus program runs).
bool ProbeSysVersion(ControllerHandle handle);
// "?IP_ADDRESS": the address as the controller prints it, one 32-bit number
// (kept bit for bit when it is printed unsigned).
int QueryIpAddress(ControllerHandle handle, int32_t* address);

KORVAN_CMD_END
