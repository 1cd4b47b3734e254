#include "cmdlib/presence.h"

#include "cmdlib/error_codes.h"
#include "link/korvan.h"

#include <algorithm>
#include <string_view>
#include <vector>

KORVAN_CMD_BEGIN

int CheckControllerPresent(const char* ip, uint32_t timeoutMs)
{
    if (!ip || !*ip)
        return kErrInvalidArgument;
    std::vector<char> buffer(kSearchBufferSize, '\0');
    if (VXC_SearchEth(buffer.data(), kSearchBufferSize, timeoutMs) != 0)
        return kErrNotFound;
    buffer.back() = '\0'; // never trust the terminator of a longer answer
    const std::string_view found(buffer.data());
    const std::string_view wanted(ip);
    std::size_t pos = 0;
    for (int word = 0; word < kSearchWordsCompared; ++word) {
        pos = found.find_first_not_of(' ', pos);
        if (pos == std::string_view::npos)
            break;
        const std::size_t end = std::min(found.find(' ', pos), found.size());
        if (found.substr(pos, end - pos) == wanted)
            return kOk;
        pos = end;
    }
    return kErrNotFound;
}

KORVAN_CMD_END
