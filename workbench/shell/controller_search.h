// The network search both the start-up connect and the connect dialog use:
// VXC_SearchEth into a buffer of the size the dialogs were made for, cut
// into the addresses it lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvan::shell {

struct SearchResult
{
    int32_t code = 0; // the link's code; words is empty unless 0
    std::vector<std::string> words;
};

/// Searches for timeoutMs and keeps the first maxWords addresses, up to the
/// first empty one.
SearchResult searchControllers(uint32_t timeoutMs, int maxWords);

/// The first maxWords words of a search buffer, up to the first empty one.
std::vector<std::string> searchWords(const char* buffer, int maxWords);

} // namespace korvan::shell
