#include "link/client/channel.h"

#include "link/korvan.h"
#include "link/wire/payload.h"

#include <atomic>
#include <chrono>
#include <unistd.h>

namespace korvan::link::client {

namespace {

uint32_t nextRequestId()
{
    // Seeded from the clock and the process, so two processes that use one
    // serial line one after the other do not repeat each other's ids.
    static std::atomic<uint32_t> next{static_cast<uint32_t>(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) *
            2654435761u ^
        static_cast<uint64_t>(::getpid()) << 16)};
    uint32_t id = next.fetch_add(1);
    while (id == 0)
        id = next.fetch_add(1);
    return id;
}

} // namespace

Channel::Channel(wire::UniqueFd fd) : m_fd(std::move(fd)), m_stream(m_fd.get()) {}

int32_t Channel::call(wire::RequestType type, std::span<const uint8_t> payload, uint32_t timeoutMs,
                      std::vector<uint8_t>& body)
{
    body.clear();
    if (m_lost)
        return VXC_ERR_CONNECTION_LOST;
    if (payload.size() > kMaxPayload)
        return VXC_ERR_TOO_LONG;
    const uint16_t code = static_cast<uint16_t>(type);
    const uint32_t id = nextRequestId();
    const wire::Deadline deadline = wire::deadlineAfter(timeoutMs);
    switch (m_stream.write(code, id, payload, deadline)) {
    case wire::IoStatus::Ok:
        break;
    case wire::IoStatus::Closed:
        m_lost = true;
        return VXC_ERR_CONNECTION_LOST;
    default:
        // Part of the frame may be out; the stream cannot be trusted any more.
        m_lost = true;
        return VXC_ERR_SEND_FAILED;
    }
    wire::Frame reply;
    for (;;) {
        switch (m_stream.read(reply, deadline)) {
        case wire::ReadStatus::Frame:
            break;
        case wire::ReadStatus::Timeout:
            return VXC_ERR_TIMEOUT;
        case wire::ReadStatus::Malformed:
            m_lost = true;
            return VXC_ERR_PROTOCOL;
        case wire::ReadStatus::Closed:
        case wire::ReadStatus::Failed:
        case wire::ReadStatus::Stopped:
        case wire::ReadStatus::Stalled: // the client sets no frame time limit
            m_lost = true;
            return VXC_ERR_CONNECTION_LOST;
        }
        if (reply.id != id || reply.type != (code | wire::kReplyBit))
            continue; // a late reply to an earlier request
        wire::PayloadReader in(reply.payload);
        const int32_t result = in.i32();
        if (!in.ok())
            return VXC_ERR_PROTOCOL;
        if (result == VXC_ERR_CONNECTION_LOST)
            m_lost = true;
        body.assign(reply.payload.begin() + 4, reply.payload.end());
        return result;
    }
}

} // namespace korvan::link::client
