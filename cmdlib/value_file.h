// Value files: a flat run of 32-bit values, written and read byte for byte
// (no text translation). 30004 when the file cannot be opened, 30005 when it
// is written or read short.
#pragma once

#include "cmdlib/variant.h"

#include <cstdint>
#include <vector>

KORVAN_CMD_BEGIN

// Writes count values (count >= 0, values set when count > 0) to path.
int WriteValueFile(const char* path, const float* values, int count);
int WriteValueFile(const char* path, const int32_t* values, int count);
// Reads every value the file holds into values (replaced). A file whose
// size is no multiple of 4 bytes is a short read: 30005, values cleared.
int ReadValueFile(const char* path, std::vector<float>& values);
int ReadValueFile(const char* path, std::vector<int32_t>& values);

KORVAN_CMD_END
