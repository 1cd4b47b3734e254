// Reading numbers out of controller replies. All reading uses the "C"
// number format, whatever locale the host program has set.
#pragma once

#include "cmdlib/variant.h"

#include <cstdint>

KORVAN_CMD_BEGIN

// Reads up to count numbers separated by spaces or tabs. Leading spaces (not
// tabs) are skipped; the text must then start with a digit or '-', else
// 30001. The list ends at NUL, '\n', '\r' or any other non-number character
// (0, the rest of out untouched); a '-' or digit that does not convert gives
// 30001.
int ParseFloatList(const char* text, int count, float* out);
// As ParseFloatList; values are truncated toward zero (saturating at the
// int32_t limits; a "-nan" item gives 30001).
int ParseIntList(const char* text, int count, int32_t* out);

// One scan of a single value with scanf's "%f" / "%d" rules (leading white
// space skipped). Returns false and leaves out unchanged when the text does
// not start with a number. Integers saturate instead of overflowing.
bool ScanFloat(const char* text, float& out);
bool ScanInt(const char* text, int32_t& out);

KORVAN_CMD_END
