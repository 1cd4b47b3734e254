// libFuzzer target: the controller side of the link reading what a client
// sent. The bytes go through the frame decoder as a serial line reads them
// (resynchronising after every bad header), then through the connection
// loop of a socket, which shakes hands and decodes every request's payload
// against a session that answers in shape (sometimes of the wrong size).
#include "link/fuzz/peer_thread.h"
#include "link/server/connection.h"
#include "link/wire/frame.h"
#include "link/wire/payload.h"
#include "link/wire/request_types.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace korvan::link;

// Answers every call with a small value of the right shape.
class ShapedSession final : public ControllerSession
{
public:
    CommandResult execute(std::string_view text) override { return {0, std::string(text)}; }
    CommandResult directCommand(std::string_view text) override { return {2002, "ERROR\n"}; }
    int32_t executeNoAck(std::string_view) override { return 0; }
    std::string takeMessages(std::size_t maxBytes) override
    {
        return std::string(maxBytes % 7, 'm');
    }
    std::string takeReceived(std::size_t maxBytes) override
    {
        return std::string(maxBytes % 5, 'r');
    }
    int32_t lastError() override { return 277; }
    uint8_t runState() override { return 1; }
    Answer<std::vector<uint8_t>> specification() override { return {0, std::vector<uint8_t>(60)}; }
    Answer<std::vector<uint8_t>> childCard(uint16_t previous) override
    {
        // A record of the wrong size for some modules: the server must not send it.
        return {0, std::vector<uint8_t>(previous % 3 == 0 ? 11 : 12)};
    }
    Answer<SoftVersion> softVersion() override { return {0, {1.0f, std::string(300, 't'), 1}}; }
    uint8_t axisCount() override { return 8; }
    Answer<std::string> ipAddress() override { return {0, "127.0.0.1"}; }
    Answer<uint32_t> hardId() override { return {0, 7}; }
    Answer<ControllerIdentity> identity() override { return {0, {1, 2, 3, 4, 5}}; }
    Answer<uint32_t> axisFeatures(int32_t axis) override { return {axis < 0 ? 3204 : 0, 1}; }
    int32_t flashWrite(uint16_t, const std::vector<float>&) override { return 0; }
    Answer<std::vector<uint8_t>> modbusGetBits(uint16_t, uint16_t count) override
    {
        return {0, std::vector<uint8_t>(count % 2 == 0 ? count : count / 2)};
    }
    int32_t modbusSetBits(uint16_t, const std::vector<uint8_t>&) override { return 0; }
    Answer<std::vector<uint16_t>> modbusGetRegisters(uint16_t, uint16_t count) override
    {
        return {0, std::vector<uint16_t>(count)};
    }
    int32_t modbusSetRegisters(uint16_t, const std::vector<uint16_t>&) override { return 0; }
    Answer<std::vector<uint8_t>> registerRead(std::string_view, uint32_t width, uint32_t,
                                              uint32_t count) override
    {
        // The right size for small reads, a wrong one for large ones.
        const std::size_t bytes = count <= 1024 ? std::size_t{count} * (width / 8) : 16;
        return {0, std::vector<uint8_t>(bytes)};
    }
    int32_t downloadPackage(const std::vector<uint8_t>& package, PackageTarget) override
    {
        return package.empty() ? 277 : 0;
    }
    int32_t resume() override { return 0; }
};

class ShapedEndpoint final : public ControllerEndpoint
{
public:
    std::unique_ptr<ControllerSession> openSession(Transport) override
    {
        return std::make_unique<ShapedSession>();
    }
};

void decodeAsASerialLine(const uint8_t* data, std::size_t size)
{
    wire::FrameDecoder decoder;
    // In two pieces, so that a frame may straddle them.
    const std::size_t split = size / 3;
    decoder.feed({data, split});
    wire::Frame frame;
    for (int piece = 0; piece < 2; ++piece) {
        for (std::size_t guard = 0; guard <= size; ++guard) {
            const wire::DecodeStatus status = decoder.next(frame);
            if (status == wire::DecodeStatus::NeedMore)
                break;
            if (status != wire::DecodeStatus::Frame)
                decoder.skipToNextMagic();
        }
        if (piece == 0)
            decoder.feed({data + split, size - split});
    }
}

std::vector<uint8_t> helloFrame()
{
    wire::PayloadWriter hello;
    hello.u16(kProtocolVersion);
    return wire::encodeFrame(static_cast<uint16_t>(wire::RequestType::Hello), 1, hello.take());
}

void serveAsASocket(bool shakeHandsFirst, const uint8_t* data, std::size_t size)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0)
        return;
    // Most inputs should reach the requests, which need a handshake first.
    std::vector<uint8_t> input = shakeHandsFirst ? helloFrame() : std::vector<uint8_t>{};
    input.insert(input.end(), data, data + size);
    // The client end sends the input, then reads every reply until the server closes.
    static fuzzing::PeerThread client;
    client.start([fd = fds[1], &input] {
        std::size_t sent = 0;
        if (input.empty())
            ::shutdown(fd, SHUT_WR);
        std::vector<uint8_t> sink(65536);
        for (;;) {
            const bool sending = sent < input.size();
            pollfd ready{fd, static_cast<short>(POLLIN | (sending ? POLLOUT : 0)), 0};
            if (::poll(&ready, 1, 5000) <= 0)
                return;
            if (sending && (ready.revents & POLLOUT)) {
                const ssize_t n =
                    ::send(fd, input.data() + sent, input.size() - sent, MSG_NOSIGNAL);
                if (n > 0)
                    sent += static_cast<std::size_t>(n);
                if (n < 0 && errno != EAGAIN)
                    return;
                if (sent == input.size())
                    ::shutdown(fd, SHUT_WR);
            }
            if (ready.revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t got = ::recv(fd, sink.data(), sink.size(), 0);
                if (got == 0 || (got < 0 && errno != EAGAIN))
                    return;
            }
        }
    });
    ShapedEndpoint endpoint;
    server::serveConnection(fds[0], Transport::Ethernet, endpoint, -1, server::ServerLimits{});
    ::shutdown(fds[0], SHUT_RDWR);
    client.wait();
    ::close(fds[0]);
    ::close(fds[1]);
}

} // namespace

// The first byte is the harness's: bit 0 set shakes hands before the rest.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    decodeAsASerialLine(data + 1, size - 1);
    serveAsASocket(data[0] & 1, data + 1, size - 1);
    return 0;
}
