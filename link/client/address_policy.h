// Which IPv4 hosts the library may reach. With $KORVAN_LOOPBACK_ONLY set
// (every test suite sets it) only 127.0.0.0/8 is reachable: opens to other
// hosts fail before any packet leaves and searches skip them, so that no
// test can ever touch a real machine on the network.
#pragma once

#include <cstdint>

namespace korvan::link::client {

/// True for an address in 127.0.0.0/8 (host byte order).
constexpr bool isLoopbackHost(uint32_t host)
{
    return (host >> 24) == 127;
}

/// True when $KORVAN_LOOPBACK_ONLY is set to anything but "" or "0".
bool loopbackOnly();

/// True when the library may open a link to or probe this host.
inline bool hostAllowed(uint32_t host)
{
    return isLoopbackHost(host) || !loopbackOnly();
}

} // namespace korvan::link::client
