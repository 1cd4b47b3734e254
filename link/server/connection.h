// Serving one byte stream: a socket connection, or a serial line on which a
// new handshake starts a new session.
#pragma once

#include "link/server/controller_endpoint.h"
#include "link/server/server_limits.h"

namespace korvan::link::server {

/// Serves a connected socket until the client leaves, a frame is malformed or
/// takes too long, the handshake does not come in time, a session asks to
/// drop the link or stopFd becomes readable.
void serveConnection(int fd, Transport transport, ControllerEndpoint& endpoint, int stopFd,
                     const ServerLimits& limits);
/// Serves a serial line until stopFd becomes readable. A malformed frame, a
/// frame that takes too long or a dropped link ends the session; the next
/// handshake opens another one.
void serveSerialLine(int fd, ControllerEndpoint& endpoint, int stopFd, const ServerLimits& limits);
/// Answers the Hello of a connection the server does not take with code,
/// waiting at most limits.refusalTime for it.
void refuseConnection(int fd, Transport transport, int32_t code, int stopFd,
                      const ServerLimits& limits);

} // namespace korvan::link::server
