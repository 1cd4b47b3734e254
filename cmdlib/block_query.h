// Block queries: many consecutive values read with as few commands as the
// item shape allows. Each reply is parsed with the value-list parser into the
// next part of the output. A link code is returned at once; an empty reply
// gives 30000 (the PWM banks parse whatever came back); a reply that is no
// number gives 30001. A null output or negative count gives 30002.
#pragma once

#include "cmdlib/variant.h"
#include "link/korvan.h"

#include <cstdint>

KORVAN_CMD_BEGIN

// Values per command of each item shape.
inline constexpr int kSpaceItemsPerCommand = 15;
inline constexpr int kCommaItemsPerCommand = 30;
inline constexpr int kPwmItemsPerCommand = 10;
inline constexpr int kRangeItemsPerCommand = 30;
// The most values "?*" followed by a name returns.
inline constexpr int kMaxNamedBlock = 128;

// "?*" followed by name: count (up to 128) floats in one direct command.
int QueryNamedBlock(ControllerHandle handle, const char* name, int count, float* out);
// "?*%s(%d,%d)" with name, start and min(30, remaining); direct.
int QueryRangeBlock(ControllerHandle handle, const char* name, int start, int count, float* out);
// "?*TABLE(%d,30)" from start on; parses only the values still needed; direct.
int QueryTableRange(ControllerHandle handle, int start, int count, float* out);
// "?INVERT_IN(%d),...,INVERT_IN(%d)" banks, 30 per command, buffered; count ≤ 800.
int QueryInvertInBank(ControllerHandle handle, int start, int count, int32_t* out);
// "?PWM_DUTY(%d),..." / "?PWM_FREQ(%d),..." banks (a comma after every
// item), 10 per command, buffered; start ≥ 0, count ≤ 800.
int QueryPwmDutyBank(ControllerHandle handle, int start, int count, float* out);
int QueryPwmFreqBank(ControllerHandle handle, int start, int count, float* out);
// "?vr(%d) vr(%d) ...", "?vr_int(%d) ...", "?TABLE(%d) ...": 15 per command, direct.
int QueryVrBlock(ControllerHandle handle, int start, int count, float* out);
int QueryVrIntBlock(ControllerHandle handle, int start, int count, int32_t* out);
int QueryTableBlock(ControllerHandle handle, int start, int count, float* out);

KORVAN_CMD_END
