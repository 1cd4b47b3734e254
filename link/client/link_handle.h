// What lies behind a ControllerHandle, and the table of open handles. A
// handle is a token for a table entry, never a pointer the library follows,
// so a closed or made-up handle is refused instead of crashing.
#pragma once

#include "link/client/channel.h"
#include "link/korvan.h"

#include <memory>
#include <mutex>

namespace korvan::link::client {

inline constexpr uint32_t kDefaultTimeoutMs = 1000;

struct Link
{
    Link(wire::UniqueFd fd, uint8_t connectType) : channel(std::move(fd)), type(connectType) {}

    std::mutex mutex; // one call at a time per handle
    Channel channel;
    const uint8_t type; // VXC_LINK_SERIAL, VXC_LINK_ETHERNET or VXC_LINK_PCI
    uint32_t timeoutMs = kDefaultTimeoutMs;
};

/// Registers an open link and returns its handle.
ControllerHandle registerLink(std::shared_ptr<Link> link);
/// The link of a handle; null for a null, closed or unknown handle.
std::shared_ptr<Link> findLink(ControllerHandle handle);
/// Takes the link out of the table; it is freed when no call uses it any more.
std::shared_ptr<Link> unregisterLink(ControllerHandle handle);

} // namespace korvan::link::client
