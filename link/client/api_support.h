// Helpers shared by the VXC_ entry points.
#pragma once

#include "link/client/link_handle.h"
#include "link/wire/payload.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace korvan::link::client {

/// Runs fn(link) with the handle's link locked; VXC_ERR_BAD_HANDLE for a
/// null, closed or unknown handle.
template <typename Fn> int32_t withLink(ControllerHandle handle, Fn&& fn)
{
    const std::shared_ptr<Link> link = findLink(handle);
    if (!link)
        return VXC_ERR_BAD_HANDLE;
    const std::lock_guard lock(link->mutex);
    return fn(*link);
}

/// One exchange with the handle's timeout (or timeoutMs when not 0); the
/// reply's fields after the code are left in body.
inline int32_t request(Link& link, wire::RequestType type, wire::PayloadWriter&& payload,
                       std::vector<uint8_t>& body, uint32_t timeoutMs = 0)
{
    const std::vector<uint8_t> bytes = payload.take();
    return link.channel.call(type, bytes, timeoutMs ? timeoutMs : link.timeoutMs, body);
}

/// Copies text into a caller's buffer of capacity bytes: at most
/// capacity - 1 bytes and a terminator. Returns the bytes copied.
inline uint32_t copyText(std::string_view text, char* out, uint32_t capacity)
{
    if (!out || capacity == 0)
        return 0;
    const auto count = static_cast<uint32_t>(std::min<std::size_t>(text.size(), capacity - 1));
    std::memcpy(out, text.data(), count);
    out[count] = '\0';
    return count;
}

/// Blanks a caller's text buffer so that a failed call leaves no stale text.
inline void clearText(char* out, uint32_t capacity)
{
    if (out && capacity > 0)
        out[0] = '\0';
}

} // namespace korvan::link::client
