// Whether a controller answers a network search under a given address.
#pragma once

#include "cmdlib/variant.h"

#include <cstdint>

KORVAN_CMD_BEGIN

// Buffer size of the search, and the words of its answer that are compared.
inline constexpr uint32_t kSearchBufferSize = 10230;
inline constexpr int kSearchWordsCompared = 100;

// Searches with VXC_SearchEth(buffer, 10230, timeoutMs) and compares ip with
// each of the first 100 space-separated addresses found (exact text).
// 0 when found; 20010 when the search fails or the address is absent;
// 30002 for a null or empty ip.
int CheckControllerPresent(const char* ip, uint32_t timeoutMs);

KORVAN_CMD_END
