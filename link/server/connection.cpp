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

// The Hello answer: always the full payload, whatever the code.
std::vector<uint8_t> helloReply(int32_t code, Transport transport)
{
    wire::PayloadWriter out;
    out.i32(code);
    out.u16(kProtocolVersion);
    out.u8(static_cast<uint8_t>(transport));
    out.u32(kMaxPayload);
    return out.take();
}

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
    bool hasSession() const { return m_session != nullptr; }
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
        if (!reply(request, helloReply(code, m_transport)))
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

void serveConnection(int fd, Transport transport, ControllerEndpoint& endpoint, int stopFd,
                     const ServerLimits& limits)
{
    StreamServer server(fd, transport, endpoint, stopFd);
    server.stream().limitFrameTime(limits.frameTime);
    const wire::Deadline helloBy = wire::Clock::now() + limits.helloTime;
    Frame frame;
    for (;;) {
        // A session may idle as long as it likes; a connection without one may not.
        const wire::Deadline deadline = server.hasSession() ? wire::kNoDeadline : helloBy;
        if (server.stream().read(frame, deadline, stopFd) != ReadStatus::Frame)
            return;
        if (server.handle(frame) != Outcome::Continue)
            return;
    }
}

void serveSerialLine(int fd, ControllerEndpoint& endpoint, int stopFd, const ServerLimits& limits)
{
    StreamServer server(fd, Transport::Serial, endpoint, stopFd);
    server.stream().limitFrameTime(limits.frameTime);
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
        case ReadStatus::Stalled:
            // The rest of that frame is not coming; the next user of the line
            // must not have their handshake taken for its payload.
            server.endSession();
            server.stream().decoder().clear();
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

void refuseConnection(int fd, Transport transport, int32_t code, int stopFd,
                      const ServerLimits& limits)
{
    // A Hello is 18 bytes; anything larger is not one.
    wire::FrameStream stream(fd, 64);
    Frame hello;
    const wire::Deadline deadline = wire::Clock::now() + limits.refusalTime;
    if (stream.read(hello, deadline, stopFd) != ReadStatus::Frame ||
        hello.type != static_cast<uint16_t>(RequestType::Hello))
        return;
    stream.write(hello.type | wire::kReplyBit, hello.id, helloReply(code, transport), deadline,
                 stopFd);
}

} // namespace korvan::link::server
