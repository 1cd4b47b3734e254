#include "link/server/discovery_responder.h"

#include "link/korvan.h"
#include "link/link_protocol.h"
#include "link/wire/fd_io.h"
#include "link/wire/frame.h"
#include "link/wire/payload.h"
#include "link/wire/request_types.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace korvan::link::server {

namespace {

// A probe carries exactly the u16 version; a client of another version gets
// no answer, as it could not open a link anyway.
bool speaksVersionOf(const wire::Frame& probe)
{
    wire::PayloadReader in(probe.payload);
    const uint16_t version = in.u16();
    return in.complete() && version == kProtocolVersion;
}

} // namespace

void answerDiscovery(int udpFd, uint16_t tcpPort, ControllerEndpoint& endpoint, int stopFd)
{
    constexpr uint16_t kDiscover = static_cast<uint16_t>(wire::RequestType::Discover);
    std::vector<uint8_t> datagram(512);
    for (;;) {
        if (wire::waitFor(udpFd, POLLIN, wire::kNoDeadline, stopFd) != wire::IoStatus::Ok)
            return;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got = ::recvfrom(udpFd, datagram.data(), datagram.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got <= 0)
            continue;
        // A probe is exactly one frame; anything else is ignored.
        wire::FrameDecoder decoder(64);
        decoder.feed({datagram.data(), static_cast<std::size_t>(got)});
        wire::Frame probe;
        if (decoder.next(probe) != wire::DecodeStatus::Frame || decoder.hasPartial() ||
            probe.type != kDiscover || !speaksVersionOf(probe) || !endpoint.answersDiscovery())
            continue;
        wire::PayloadWriter out;
        out.i32(VXC_OK);
        out.u16(tcpPort);
        out.u16(kProtocolVersion);
        const std::vector<uint8_t> answer =
            wire::encodeFrame(kDiscover | wire::kReplyBit, probe.id, out.take());
        ::sendto(udpFd, answer.data(), answer.size(), MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&from), fromLength);
    }
}

} // namespace korvan::link::server
