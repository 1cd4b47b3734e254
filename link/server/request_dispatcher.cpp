#include "link/server/request_dispatcher.h"

#include "link/korvan.h"
#include "link/wire/payload.h"
#include "link/wire/request_types.h"

#include <algorithm>

namespace korvan::link::server {

namespace {

using wire::PayloadReader;
using wire::PayloadWriter;
using wire::RequestType;

// Longest text a reply carries, so that a reply always fits one frame.
constexpr uint32_t kMaxReplyText = kMaxPayload - 64;
constexpr uint32_t kMaxCommandText = VXC_MAX_COMMAND - 1;
constexpr uint32_t kMaxAreaName = 16;

void putText(PayloadWriter& out, const std::string& text)
{
    out.text(std::string_view(text).substr(0, kMaxReplyText));
}

// A request handler reads its fields, calls the session and writes the reply.
// It returns false when the request does not decode.
using Handler = bool (*)(ControllerSession&, PayloadReader&, PayloadWriter&);

bool commandReply(PayloadWriter& out, const CommandResult& result)
{
    out.i32(result.code);
    putText(out, result.output);
    return true;
}

bool execute(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    in.u32(); // the client's timeout; the client enforces it
    const std::string text = in.text(kMaxPayload);
    if (!in.complete())
        return false;
    if (text.size() > kMaxCommandText)
        return commandReply(out, {VXC_ERR_TOO_LONG, {}});
    return commandReply(out, session.execute(text));
}

bool directCommand(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const std::string text = in.text(kMaxPayload);
    if (!in.complete())
        return false;
    if (text.size() > kMaxCommandText)
        return commandReply(out, {VXC_ERR_TOO_LONG, {}});
    return commandReply(out, session.directCommand(text));
}

bool executeNoAck(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    in.u32();
    const std::string text = in.text(kMaxPayload);
    if (!in.complete())
        return false;
    out.i32(text.size() > kMaxCommandText ? VXC_ERR_TOO_LONG : session.executeNoAck(text));
    return true;
}

template <std::string (ControllerSession::*take)(std::size_t)>
bool pendingText(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const uint32_t maxBytes = std::min(in.u32(), kMaxReplyText);
    if (!in.complete())
        return false;
    std::string text = (session.*take)(maxBytes);
    // What the session hands out beyond the bound would be lost; it is its fault.
    text.resize(std::min<std::size_t>(text.size(), maxBytes));
    out.i32(VXC_OK);
    out.text(text);
    return true;
}

bool controllerError(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    out.i32(VXC_OK);
    out.i32(session.lastError());
    return in.complete();
}

bool state(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    out.i32(VXC_OK);
    out.u8(session.runState());
    return in.complete();
}

bool blobAnswer(PayloadWriter& out, const Answer<std::vector<uint8_t>>& answer)
{
    out.i32(answer.code);
    if (answer.code == VXC_OK)
        out.blob(answer.value);
    return true;
}

bool specification(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    return in.complete() && blobAnswer(out, session.specification());
}

bool childCard(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const uint16_t previous = in.u16();
    return in.complete() && blobAnswer(out, session.childCard(previous));
}

bool softVersion(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    if (!in.complete())
        return false;
    const Answer<SoftVersion> answer = session.softVersion();
    out.i32(answer.code);
    if (answer.code == VXC_OK) {
        out.f32(answer.value.version);
        out.text(std::string_view(answer.value.typeText).substr(0, 255));
        out.i32(answer.value.date);
    }
    return true;
}

bool axisCount(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    out.i32(VXC_OK);
    out.u8(session.axisCount());
    return in.complete();
}

bool ipAddress(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    if (!in.complete())
        return false;
    const Answer<std::string> answer = session.ipAddress();
    out.i32(answer.code);
    if (answer.code == VXC_OK)
        out.text(std::string_view(answer.value).substr(0, 255));
    return true;
}

bool u32Answer(PayloadWriter& out, const Answer<uint32_t>& answer)
{
    out.i32(answer.code);
    if (answer.code == VXC_OK)
        out.u32(answer.value);
    return true;
}

bool hardId(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    return in.complete() && u32Answer(out, session.hardId());
}

bool controllerId(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    if (!in.complete())
        return false;
    const Answer<ControllerIdentity> answer = session.identity();
    out.i32(answer.code);
    if (answer.code == VXC_OK) {
        const ControllerIdentity& id = answer.value;
        for (const int32_t field : {id.id, id.year, id.month, id.day, id.serial})
            out.i32(field);
    }
    return true;
}

bool axisFeatures(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const int32_t axis = in.i32();
    return in.complete() && u32Answer(out, session.axisFeatures(axis));
}

bool flashWrite(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const uint16_t start = in.u16();
    const uint32_t count = in.u32();
    if (!in.ok() || in.remaining() != std::size_t{count} * 4)
        return false;
    std::vector<float> values(count);
    for (float& value : values)
        value = in.f32();
    out.i32(session.flashWrite(start, values));
    return true;
}

bool modbusGetBits(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const uint16_t start = in.u16();
    const uint16_t count = in.u16();
    if (!in.complete())
        return false;
    const Answer<std::vector<uint8_t>> answer = session.modbusGetBits(start, count);
    if (answer.code == VXC_OK && answer.value.size() != count) {
        out.i32(VXC_ERR_PROTOCOL);
        return true;
    }
    out.i32(answer.code);
    if (answer.code == VXC_OK) {
        std::vector<uint8_t> packed((count + 7u) / 8u, 0);
        for (std::size_t i = 0; i < count; ++i)
            if (answer.value[i] != 0)
                packed[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
        out.u16(count);
        out.raw(packed);
    }
    return true;
}

bool modbusSetBits(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const uint16_t start = in.u16();
    const uint16_t count = in.u16();
    if (!in.ok() || in.remaining() != (count + 7u) / 8u)
        return false;
    std::vector<uint8_t> packed((count + 7u) / 8u);
    in.raw(packed);
    std::vector<uint8_t> bits(count);
    for (std::size_t i = 0; i < count; ++i)
        bits[i] = (packed[i / 8] >> (i % 8)) & 1u;
    out.i32(session.modbusSetBits(start, bits));
    return true;
}

bool modbusGetRegisters(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const uint16_t start = in.u16();
    const uint16_t count = in.u16();
    if (!in.complete())
        return false;
    const Answer<std::vector<uint16_t>> answer = session.modbusGetRegisters(start, count);
    if (answer.code == VXC_OK && answer.value.size() != count) {
        out.i32(VXC_ERR_PROTOCOL);
        return true;
    }
    out.i32(answer.code);
    if (answer.code == VXC_OK) {
        out.u16(count);
        for (const uint16_t value : answer.value)
            out.u16(value);
    }
    return true;
}

bool modbusSetRegisters(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const uint16_t start = in.u16();
    const uint16_t count = in.u16();
    if (!in.ok() || in.remaining() != std::size_t{count} * 2)
        return false;
    std::vector<uint16_t> values(count);
    for (uint16_t& value : values)
        value = in.u16();
    out.i32(session.modbusSetRegisters(start, values));
    return true;
}

bool registerRead(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const std::string area = in.text(kMaxAreaName);
    const uint32_t width = in.u32();
    const uint32_t start = in.u32();
    const uint32_t count = in.u32();
    if (!in.complete())
        return false;
    const uint64_t expected = uint64_t{count} * (width / 8);
    if ((width != 16 && width != 32) || expected > kMaxReplyText) {
        out.i32(VXC_ERR_INVALID_ARGUMENT);
        return true;
    }
    const Answer<std::vector<uint8_t>> answer = session.registerRead(area, width, start, count);
    if (answer.code == VXC_OK && answer.value.size() != expected) {
        out.i32(VXC_ERR_PROTOCOL);
        return true;
    }
    return blobAnswer(out, answer);
}

template <PackageTarget target>
bool download(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    const std::vector<uint8_t> package = in.blob(kMaxPackageSize);
    if (!in.complete())
        return false;
    out.i32(session.downloadPackage(package, target));
    return true;
}

bool resume(ControllerSession& session, PayloadReader& in, PayloadWriter& out)
{
    out.i32(session.resume());
    return in.complete();
}

Handler handlerFor(RequestType type)
{
    switch (type) {
    case RequestType::Execute:
        return execute;
    case RequestType::DirectCommand:
        return directCommand;
    case RequestType::ExecuteNoAck:
        return executeNoAck;
    case RequestType::ReadMessages:
        return pendingText<&ControllerSession::takeMessages>;
    case RequestType::ReceiveOutput:
        return pendingText<&ControllerSession::takeReceived>;
    case RequestType::ControllerError:
        return controllerError;
    case RequestType::State:
        return state;
    case RequestType::Specification:
        return specification;
    case RequestType::ChildCard:
        return childCard;
    case RequestType::SoftVersion:
        return softVersion;
    case RequestType::AxisCount:
        return axisCount;
    case RequestType::IpAddress:
        return ipAddress;
    case RequestType::HardId:
        return hardId;
    case RequestType::ControllerId:
        return controllerId;
    case RequestType::AxisFeatures:
        return axisFeatures;
    case RequestType::FlashWrite:
        return flashWrite;
    case RequestType::ModbusGetBits:
        return modbusGetBits;
    case RequestType::ModbusSetBits:
        return modbusSetBits;
    case RequestType::ModbusGetRegisters:
        return modbusGetRegisters;
    case RequestType::ModbusSetRegisters:
        return modbusSetRegisters;
    case RequestType::RegisterRead:
        return registerRead;
    case RequestType::DownloadRom:
        return download<PackageTarget::Rom>;
    case RequestType::DownloadRamRun:
        return download<PackageTarget::RamRun>;
    case RequestType::Resume:
        return resume;
    case RequestType::Hello:
    case RequestType::Discover:
        break;
    }
    return nullptr;
}

} // namespace

std::vector<uint8_t> codeOnlyReply(int32_t code)
{
    PayloadWriter out;
    out.i32(code);
    return out.take();
}

DispatchResult dispatchRequest(ControllerSession& session, const wire::Frame& request)
{
    const Handler handler = wire::isKnownRequestType(request.type)
                                ? handlerFor(static_cast<RequestType>(request.type))
                                : nullptr;
    if (!handler)
        return {codeOnlyReply(VXC_ERR_NOT_SUPPORTED), false};
    PayloadReader in(request.payload);
    PayloadWriter out;
    if (!handler(session, in, out))
        return {codeOnlyReply(VXC_ERR_PROTOCOL), true};
    return {out.take(), false};
}

} // namespace korvan::link::server
