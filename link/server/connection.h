// Serving one byte stream: a socket connection, or a serial line on which a
// new handshake starts a new session.
#pragma once

#include "link/server/controller_endpoint.h"

namespace korvan::link::server {

/// Serves a connected socket until the client leaves, a frame is malformed,
/// a session asks to drop the link or stopFd becomes readable.
void serveConnection(int fd, Transport transport, ControllerEndpoint& endpoint, int stopFd);
/// Serves a serial line until stopFd becomes readable. A malformed frame or a
/// dropped link ends the session; the next handshake opens another one.
void serveSerialLine(int fd, ControllerEndpoint& endpoint, int stopFd);

} // namespace korvan::link::server
