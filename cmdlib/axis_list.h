// The axis list command shared by both wrapper sets: the name with its
// parenthesis ("BASE(", "MOVESP("), then the values each followed by ","
// and the last one by ")".
#pragma once

#include "cmdlib/command.h"

KORVAN_CMD_BEGIN

namespace detail {

// Values formatted with "%d," and "%d)".
CommandText intList(const char* opening, const int* values, int count);
// Values formatted with "%f," and "%f)".
CommandText floatList(const char* opening, const float* values, int count);

} // namespace detail

KORVAN_CMD_END
