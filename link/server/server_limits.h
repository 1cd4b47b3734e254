// What a link server allows its clients, so that no client can take the
// controller's threads, memory or descriptors from the others.
// docs/link-protocol.md ("Limits") gives the defaults.
#pragma once

#include "link/wire/frame_stream.h"

#include <chrono>

namespace korvan::link::server {

struct ServerLimits
{
    /// Socket connections served at once; the next one is refused with VXC_ERR_BUSY.
    int maxConnections = 32;
    /// Time a new connection has to shake hands.
    std::chrono::milliseconds helloTime{10'000};
    /// Time a frame may take from its first byte to its last.
    wire::FrameTimeLimit frameTime;
    /// Refusals answered at the same time; past them a connection is closed unanswered.
    int maxRefusals = 4;
    /// Time a refused connection has to send its Hello and take the answer.
    std::chrono::milliseconds refusalTime{1000};
};

} // namespace korvan::link::server
