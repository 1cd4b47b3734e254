// libFuzzer target: libkorvan reading what a controller sent. A responder
// on the far end of a socket pair answers each request with the reply the
// input gives (some after a stray frame, the last maybe as raw bytes), while
// the VXC_ calls the input picks decode them. Every output buffer has guard
// bytes after its capacity; a write past it aborts.
#include "link/client/link_handle.h"
#include "link/fuzz/peer_thread.h"
#include "link/korvan.h"
#include "link/wire/frame.h"
#include "link/wire/payload.h"

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace korvan::link;

enum class ReplyKind
{
    Reply,       // the reply frame with the given payload
    AfterStray,  // a frame of the input's own type and id, then the reply
    RawThenClose // raw bytes, then the link ends
};

struct Step
{
    uint8_t call = 0;
    ReplyKind kind = ReplyKind::Reply;
    uint16_t strayType = 0;
    uint32_t strayId = 0;
    std::vector<uint8_t> bytes; // the reply payload, or the raw bytes
};

// Each step: call, kind, u16 length, that many bytes (stray frames take
// their type and id from the first six of them).
std::vector<Step> parseSteps(const uint8_t* data, std::size_t size)
{
    std::vector<Step> steps;
    std::size_t at = 0;
    while (at + 4 <= size) {
        Step step;
        step.call = data[at];
        step.kind = static_cast<ReplyKind>(data[at + 1] % 3);
        std::size_t length = data[at + 2] | (data[at + 3] << 8);
        at += 4;
        length = std::min(length, size - at);
        std::size_t skip = 0;
        if (step.kind == ReplyKind::AfterStray && length >= 6) {
            step.strayType = static_cast<uint16_t>(data[at] | (data[at + 1] << 8));
            step.strayId = static_cast<uint32_t>(data[at + 2]) | data[at + 3] << 8 |
                           static_cast<uint32_t>(data[at + 4]) << 16 |
                           static_cast<uint32_t>(data[at + 5]) << 24;
            skip = 6;
        }
        step.bytes.assign(data + at + skip, data + at + length);
        at += length;
        steps.push_back(std::move(step));
    }
    return steps;
}

bool sendAll(int fd, const std::vector<uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// The controller's end: one answer per request, in input order.
void respond(int fd, const std::vector<Step>& steps)
{
    wire::FrameDecoder decoder;
    std::vector<uint8_t> chunk(65536);
    std::size_t next = 0;
    while (next < steps.size()) {
        wire::Frame request;
        const wire::DecodeStatus status = decoder.next(request);
        if (status != wire::DecodeStatus::Frame && status != wire::DecodeStatus::NeedMore)
            std::abort(); // the library sent a malformed frame
        if (status == wire::DecodeStatus::NeedMore) {
            const ssize_t got = ::recv(fd, chunk.data(), chunk.size(), 0);
            if (got <= 0)
                return; // the client closed
            decoder.feed({chunk.data(), static_cast<std::size_t>(got)});
            continue;
        }
        const Step& step = steps[next++];
        const uint16_t type = request.type | wire::kReplyBit;
        if (step.kind == ReplyKind::RawThenClose) {
            sendAll(fd, step.bytes);
            return;
        }
        if (step.kind == ReplyKind::AfterStray &&
            !sendAll(fd, wire::encodeFrame(step.strayType, step.strayId, step.bytes)))
            return;
        if (!sendAll(fd, wire::encodeFrame(type, request.id, step.bytes)))
            return;
    }
}

// An output buffer with guard bytes behind its capacity.
template <std::size_t Capacity> struct Guarded
{
    static constexpr uint8_t kGuard = 0xA5;
    std::array<uint8_t, Capacity + 16> bytes;
    Guarded() { bytes.fill(kGuard); }
    void* data() { return bytes.data(); }
    char* text() { return reinterpret_cast<char*>(bytes.data()); }
    void check() const
    {
        for (std::size_t i = Capacity; i < bytes.size(); ++i)
            if (bytes[i] != kGuard)
                std::abort();
    }
};

// Runs one VXC_ call that decodes a reply; the reply texts must end inside
// their buffers.
void call(ControllerHandle handle, uint8_t which)
{
    switch (which % 20) {
    case 0: {
        Guarded<64> reply;
        VXC_Execute(handle, "?1", 0, reply.text(), 64);
        reply.check();
        if (::strnlen(reply.text(), 64) == 64)
            std::abort();
        break;
    }
    case 1: {
        Guarded<8> reply;
        VXC_DirectCommand(handle, "?1", reply.text(), 8);
        reply.check();
        break;
    }
    case 2:
        VXC_ExecuteNoAck(handle, "?1", 0);
        break;
    case 3:
    case 4: {
        Guarded<32> buffer;
        uint32_t length = 0;
        if (which % 20 == 3)
            VXC_ReadMessage(handle, buffer.text(), 32, &length);
        else
            VXC_ExecuteGetReceive(handle, buffer.text(), 32, &length, 0);
        buffer.check();
        if (length > 31)
            std::abort();
        break;
    }
    case 5: {
        int32_t code = 0;
        VXC_GetError(handle, &code);
        break;
    }
    case 6: {
        uint8_t state = 0;
        VXC_GetState(handle, &state);
        break;
    }
    case 7: {
        Guarded<VXC_SPEC_RECORD_SIZE> record;
        VXC_GetSysSpecification(handle, record.data());
        record.check();
        break;
    }
    case 8: {
        Guarded<VXC_CHILD_CARD_SIZE> record;
        VXC_EnumChildCard(handle, 0xFFFF, record.data());
        record.check();
        break;
    }
    case 9: {
        Guarded<VXC_SOFT_TYPE_CAPACITY> type;
        float version = 0;
        int32_t date = 0;
        VXC_GetSoftVersion(handle, &version, type.text(), &date);
        type.check();
        break;
    }
    case 10:
        VXC_GetAxises(handle);
        break;
    case 11: {
        Guarded<VXC_IP_TEXT_CAPACITY> address;
        VXC_GetCurIpAddr(handle, address.text());
        address.check();
        break;
    }
    case 12: {
        uint32_t id = 0;
        VXC_GetHardId(handle, &id);
        break;
    }
    case 13: {
        int32_t id = 0, year = 0, month = 0, day = 0, serial = 0;
        VXC_GetControllerIDDate(handle, &id, &year, &month, &day, &serial);
        break;
    }
    case 14: {
        uint32_t features = 0;
        VXC_GetAxisFeatures(handle, 1, &features);
        break;
    }
    case 15: {
        const float values[4] = {1, 2, 3, 4};
        VXC_FlashWritef(handle, 0, 4, values);
        break;
    }
    case 16: {
        Guarded<3> bits; // 20 bits
        VXC_Modbus_Get0x(handle, 10, 20, static_cast<uint8_t*>(bits.data()));
        bits.check();
        break;
    }
    case 17: {
        Guarded<10> registers; // 5 registers
        VXC_Modbus_Get4x(handle, 10, 5, static_cast<uint16_t*>(registers.data()));
        registers.check();
        break;
    }
    case 18: {
        Guarded<32> values; // 8 floats, or 16 words
        VXC_RegisterRead(handle, "DT", which & 0x80 ? 16 : 32, 0, which & 0x80 ? 16 : 8,
                         values.data());
        values.check();
        break;
    }
    case 19:
        VXC_Resume(handle);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::vector<Step> steps = parseSteps(data, size);
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return 0;
    wire::UniqueFd clientEnd(fds[0]);
    if (!wire::setNonBlocking(clientEnd.get()))
        return 0;
    const ControllerHandle handle = client::registerLink(
        std::make_shared<client::Link>(std::move(clientEnd), VXC_LINK_ETHERNET));
    static fuzzing::PeerThread controller;
    controller.start([fd = fds[1], &steps] {
        respond(fd, steps);
        ::shutdown(fd, SHUT_RDWR);
    });
    // Every request is answered or the link ends, so no call waits for its
    // timeout; the timeout only guards against a harness mistake.
    VXC_SetTimeOut(handle, 5000);
    for (const Step& step : steps)
        call(handle, step.call);
    VXC_Close(handle);
    controller.wait();
    ::close(fds[1]);
    return 0;
}
