// One link's request/reply exchange. Every request carries an id that is
// unique in the process, so a late reply to a request that timed out, or a
// reply meant for an earlier user of a serial line, is recognised and
// dropped instead of being taken for the answer to the current request.
#pragma once

#include "link/wire/frame_stream.h"
#include "link/wire/request_types.h"

#include <cstdint>
#include <span>
#include <vector>

namespace korvan::link::client {

class Channel
{
public:
    explicit Channel(wire::UniqueFd fd);

    /// Sends a request and waits for its reply until timeoutMs passes. On
    /// success returns the controller's code and leaves the rest of the
    /// reply in body; otherwise a VXC_ERR_* link code.
    int32_t call(wire::RequestType type, std::span<const uint8_t> payload, uint32_t timeoutMs,
                 std::vector<uint8_t>& body);
    /// True once the peer is gone; every later call fails at once.
    bool lost() const { return m_lost; }

private:
    wire::UniqueFd m_fd;
    wire::FrameStream m_stream;
    bool m_lost = false;
};

} // namespace korvan::link::client
