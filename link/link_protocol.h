// Constants of the controller link protocol that the server, the client and
// the tests share. docs/link-protocol.md describes the frames.
#pragma once

#include <cstdint>

namespace korvan::link {

/// Version that the handshake exchanges; a peer refuses any other.
inline constexpr uint16_t kProtocolVersion = 1;
/// TCP port of a controller's link, and the UDP port of its discovery answer.
inline constexpr uint16_t kDefaultPort = 8011;
/// Environment variable that replaces kDefaultPort on the client side.
inline constexpr const char* kPortVariable = "KORVAN_PORT";
/// Largest payload of one frame: a package of up to kMaxPackageSize plus room.
inline constexpr uint32_t kMaxPackageSize = 16u * 1024u * 1024u;
inline constexpr uint32_t kMaxPayload = kMaxPackageSize + 4096u;

} // namespace korvan::link
