#include "link/server/connection.h"

#include "link/korvan.h"
#include "link/link_protocol.h"
#include "link/server/request_dispatcher.h"
#include "link/wire/frame_stream.h"
#include "link/wire/payload.h"
#include "link/wire/request_types.h"

#include <poll.h>

namespace korvan::link::server {

namespace {

using wire::Frame;
using wire::ReadStatus;
using wire::RequestType;

// A client that does not take its reply within this time is dropped.
constexpr uint32_t kReplyWriteMs = 10'000;
// How long a serial line without a peer (pty master, no slave open) rests.
constexpr int kIdleLineMs = 50;

enum class Outcome
{
    Continue,
    EndSession,
    Drop
};

class StreamServer
{
public:
    StreamServer(int fd, Transport transport, ControllerEndpoint& endpoint, int stopFd)
        : m_stream(fd), m_transport(transport), m_endpoint(endpoint), m_stopFd(stopFd)
    {}

    // Handles one request frame and sends its reply.
    Outcome handle(const Frame& request)
    {
        if (request.type == static_cast<uint16_t>(RequestType::Hello))
            return hello(request);
        if (!m_session) {
            // Serial lines answer "lost" so that the client stops using the line.
            const int32_t code =
                m_transport == Transport::Serial ? VXC_ERR_CONNECTION_LOST : VXC_ERR_PROTOCOL;
            reply(request, server::codeOnlyReply(code));
            return Outcome::Drop;
        }
        const DispatchResult result = dispatchRequest(*m_session, request);
        if (!reply(request, result.payload))
            return Outcome::Drop;
        if (result.malformed || m_session->dropAfterReply())
            return Outcome::EndSession;
        return Outcome::Continue;
    }

    void endSession() { m_session.reset(); }
    wire::FrameStream& stream() { return m_stream; }

private:
    Outcome hello(const Frame& request)
    {
        wire::PayloadReader in(request.payload);
        const uint16_t version = in.u16();
        m_session.reset();
        int32_t code = VXC_OK;
        if (!in.ok() || version != kProtocolVersion)
            code = VXC_ERR_PROTOCOL;
        else if (!(m_session = m_endpoint.openSession(m_transport)))
            code = VXC_ERR_OPEN_FAILED;
        wire::PayloadWriter out;
        out.i32(code);
        out.u16(kProtocolVersion);
        out.u8(static_cast<uint8_t>(m_transport));
        out.u32(kMaxPayload);
        if (!reply(request, out.take()))
            return Outcome::Drop;
        return code == VXC_OK ? Outcome::Continue : Outcome::EndSession;
    }

    bool reply(const Frame& request, const std::vector<uint8_t>& payload)
    {
        const uint16_t type = request.type | wire::kReplyBit;
        return m_stream.write(type, request.id, payload, wire::deadlineAfter(kReplyWriteMs),
                              m_stopFd) == wire::IoStatus::Ok;
    }

    wire::FrameStream m_stream;
    Transport m_transport;
    ControllerEndpoint& m_endpoint;
    int m_stopFd;
    std::unique_ptr<ControllerSession> m_session;
};

// Waits without busy looping; false when stop fired.
bool restUnlessStopped(int stopFd)
{
    pollfd fd{stopFd, POLLIN, 0};
    return ::poll(&fd, 1, kIdleLineMs) == 0;
}

} // namespace

void serveConnection(int fd, Transport transport, ControllerEndpoint& endpoint, int stopFd)
{
    StreamServer server(fd, transport, endpoint, stopFd);
    Frame frame;
    while (server.stream().read(frame, wire::kNoDeadline, stopFd) == ReadStatus::Frame) {
        if (server.handle(frame) != Outcome::Continue)
            return;
    }
}

void serveSerialLine(int fd, ControllerEndpoint& endpoint, int stopFd)
{
    StreamServer server(fd, Transport::Serial, endpoint, stopFd);
    Frame frame;
    for (;;) {
        switch (server.stream().read(frame, wire::kNoDeadline, stopFd)) {
        case ReadStatus::Frame:
            if (server.handle(frame) != Outcome::Continue)
                server.endSession();
            break;
        case ReadStatus::Malformed:
            // A line has no connection to drop: end the session and look for
            // the next frame start.
            server.endSession();
            server.stream().decoder().skipToNextMagic();
            break;
        case ReadStatus::Closed:
        case ReadStatus::Failed:
            // No peer on the line right now (a pty without its slave open).
            server.endSession();
            server.stream().decoder().clear();
            if (!restUnlessStopped(stopFd))
                return;
            break;
        case ReadStatus::Timeout:
            break;
        case ReadStatus::Stopped:
            return;
        }
    }
}

} // namespace korvan::link::server
