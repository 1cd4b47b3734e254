// The network search.
#include "link/client/api_support.h"
#include "link/client/discovery.h"
#include "link/client/transports.h"
#include "link/korvan.h"

using namespace korvan::link::client;

extern "C" {

int32_t VXC_SearchEth(char* buffer, uint32_t capacity, uint32_t timeoutMs)
{
    if (!buffer || capacity == 0)
        return VXC_ERR_INVALID_ARGUMENT;
    buffer[0] = '\0';
    const auto hosts = parseSearchList(searchListText());
    if (!hosts)
        return VXC_ERR_INVALID_ARGUMENT;
    std::vector<std::string> found;
    if (const int32_t code = probeHosts(*hosts, defaultLinkPort(), timeoutMs, found))
        return code;
    // Whole addresses only: one that does not fit ends the list.
    std::string text;
    for (const std::string& address : found) {
        const std::size_t needed = text.size() + (text.empty() ? 0 : 1) + address.size();
        if (needed + 1 > capacity)
            break;
        if (!text.empty())
            text += ' ';
        text += address;
    }
    copyText(text, buffer, capacity);
    return VXC_OK;
}

} // extern "C"
