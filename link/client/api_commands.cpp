// Korbasic text, pending output, error and state.
#include "link/client/api_support.h"
#include "link/korvan.h"

using namespace korvan::link;
using namespace korvan::link::client;

namespace {

// Checks a command text: present and shorter than VXC_MAX_COMMAND.
int32_t checkCommand(const char* command)
{
    if (!command)
        return VXC_ERR_INVALID_ARGUMENT;
    return ::strnlen(command, VXC_MAX_COMMAND) < VXC_MAX_COMMAND ? VXC_OK : VXC_ERR_TOO_LONG;
}

int32_t runCommand(ControllerHandle handle, wire::RequestType type, const char* command,
                   uint32_t timeoutMs, char* reply, uint32_t capacity)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        clearText(reply, capacity);
        if (const int32_t invalid = checkCommand(command))
            return invalid;
        wire::PayloadWriter out;
        if (type == wire::RequestType::Execute)
            out.u32(timeoutMs ? timeoutMs : link.timeoutMs);
        out.text(command);
        std::vector<uint8_t> body;
        const int32_t code = request(link, type, std::move(out), body, timeoutMs);
        if (body.empty())
            return code;
        wire::PayloadReader in(body);
        const std::string output = in.text(kMaxPayload);
        if (!in.complete())
            return VXC_ERR_PROTOCOL;
        copyText(output, reply, capacity);
        return code;
    });
}

int32_t takePending(ControllerHandle handle, wire::RequestType type, char* buffer,
                    uint32_t capacity, uint32_t* length)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        if (length)
            *length = 0;
        if (!buffer || capacity == 0)
            return VXC_ERR_INVALID_ARGUMENT;
        buffer[0] = '\0';
        wire::PayloadWriter out;
        out.u32(capacity - 1); // what does not fit stays pending at the controller
        std::vector<uint8_t> body;
        const int32_t code = request(link, type, std::move(out), body);
        if (code != VXC_OK)
            return code;
        wire::PayloadReader in(body);
        const std::string text = in.text(capacity - 1);
        if (!in.complete())
            return VXC_ERR_PROTOCOL;
        const uint32_t copied = copyText(text, buffer, capacity);
        if (length)
            *length = copied;
        return VXC_OK;
    });
}

} // namespace

extern "C" {

int32_t VXC_Execute(ControllerHandle handle, const char* command, uint32_t timeoutMs, char* reply,
                    uint32_t capacity)
{
    return runCommand(handle, wire::RequestType::Execute, command, timeoutMs, reply, capacity);
}

int32_t VXC_DirectCommand(ControllerHandle handle, const char* command, char* reply,
                          uint32_t capacity)
{
    return runCommand(handle, wire::RequestType::DirectCommand, command, 0, reply, capacity);
}

int32_t VXC_ExecuteNoAck(ControllerHandle handle, const char* command, uint32_t timeoutMs)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        if (const int32_t invalid = checkCommand(command))
            return invalid;
        wire::PayloadWriter out;
        out.u32(timeoutMs ? timeoutMs : link.timeoutMs);
        out.text(command);
        std::vector<uint8_t> body;
        return request(link, wire::RequestType::ExecuteNoAck, std::move(out), body, timeoutMs);
    });
}

int32_t VXC_ReadMessage(ControllerHandle handle, char* buffer, uint32_t capacity, uint32_t* length)
{
    return takePending(handle, wire::RequestType::ReadMessages, buffer, capacity, length);
}

int32_t VXC_ExecuteGetReceive(ControllerHandle handle, char* buffer, uint32_t capacity,
                              uint32_t* length, uint32_t flags)
{
    return takePending(handle, wire::RequestType::ReceiveOutput, buffer, capacity, length);
}

int32_t VXC_GetError(ControllerHandle handle, int32_t* code)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        if (!code)
            return VXC_ERR_INVALID_ARGUMENT;
        std::vector<uint8_t> body;
        const int32_t result =
            request(link, wire::RequestType::ControllerError, wire::PayloadWriter{}, body);
        if (result != VXC_OK)
            return result;
        wire::PayloadReader in(body);
        const int32_t value = in.i32();
        if (!in.complete())
            return VXC_ERR_PROTOCOL;
        *code = value;
        return VXC_OK;
    });
}

int32_t VXC_GetState(ControllerHandle handle, uint8_t* state)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        if (!state)
            return VXC_ERR_INVALID_ARGUMENT;
        std::vector<uint8_t> body;
        const int32_t result = request(link, wire::RequestType::State, wire::PayloadWriter{}, body);
        if (result != VXC_OK)
            return result;
        wire::PayloadReader in(body);
        const uint8_t value = in.u8();
        if (!in.complete())
            return VXC_ERR_PROTOCOL;
        *state = value;
        return VXC_OK;
    });
}

} // extern "C"
