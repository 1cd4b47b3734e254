// Answers UDP discovery probes at a controller's Ethernet address.
#pragma once

#include "link/server/controller_endpoint.h"

#include <cstdint>

namespace korvan::link::server {

/// Serves probes on the bound UDP socket udpFd until stopFd becomes readable.
/// The answer names tcpPort, the port of the controller's link.
void answerDiscovery(int udpFd, uint16_t tcpPort, ControllerEndpoint& endpoint, int stopFd);

} // namespace korvan::link::server
