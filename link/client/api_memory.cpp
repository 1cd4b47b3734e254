// Flash values, Modbus areas and register reads.
#include "link/client/api_support.h"
#include "link/korvan.h"

#include <string>

using namespace korvan::link;
using namespace korvan::link::client;

namespace {

// A request that answers with a code only.
int32_t command(ControllerHandle handle, wire::RequestType type, wire::PayloadWriter&& payload)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        std::vector<uint8_t> body;
        return request(link, type, std::move(payload), body);
    });
}

// A request whose answer read() decodes; false means a malformed answer.
template <typename Read>
int32_t fetch(ControllerHandle handle, wire::RequestType type, wire::PayloadWriter&& payload,
              Read&& read)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        std::vector<uint8_t> body;
        const int32_t code = request(link, type, std::move(payload), body);
        if (code != VXC_OK)
            return code;
        wire::PayloadReader in(body);
        return read(in) ? VXC_OK : VXC_ERR_PROTOCOL;
    });
}

int32_t refuseNull(ControllerHandle handle)
{
    return findLink(handle) ? VXC_ERR_INVALID_ARGUMENT : VXC_ERR_BAD_HANDLE;
}

} // namespace

extern "C" {

int32_t VXC_FlashWritef(ControllerHandle handle, uint16_t start, uint32_t count,
                        const float* values)
{
    if (!values && count > 0)
        return refuseNull(handle);
    if (count > (kMaxPayload - 16) / 4)
        return findLink(handle) ? VXC_ERR_TOO_LONG : VXC_ERR_BAD_HANDLE;
    wire::PayloadWriter out;
    out.u16(start);
    out.u32(count);
    for (uint32_t i = 0; i < count; ++i)
        out.f32(values[i]);
    return command(handle, wire::RequestType::FlashWrite, std::move(out));
}

int32_t VXC_Modbus_Get0x(ControllerHandle handle, uint16_t start, uint16_t count, uint8_t* bits)
{
    if (!bits && count > 0)
        return refuseNull(handle);
    wire::PayloadWriter out;
    out.u16(start);
    out.u16(count);
    return fetch(handle, wire::RequestType::ModbusGetBits, std::move(out),
                 [&](wire::PayloadReader& in) {
                     const uint16_t answered = in.u16();
                     std::vector<uint8_t> packed((count + 7u) / 8u);
                     in.raw(packed);
                     if (!in.complete() || answered != count)
                         return false;
                     std::copy(packed.begin(), packed.end(), bits);
                     return true;
                 });
}

int32_t VXC_Modbus_Set0x(ControllerHandle handle, uint16_t start, uint16_t count,
                         const uint8_t* bits)
{
    if (!bits && count > 0)
        return refuseNull(handle);
    wire::PayloadWriter out;
    out.u16(start);
    out.u16(count);
    std::vector<uint8_t> packed(bits, bits + (count + 7u) / 8u);
    if (count % 8 != 0)
        packed.back() &= static_cast<uint8_t>((1u << (count % 8)) - 1u); // no stray bits
    out.raw(packed);
    return command(handle, wire::RequestType::ModbusSetBits, std::move(out));
}

int32_t VXC_Modbus_Get4x(ControllerHandle handle, uint16_t start, uint16_t count,
                         uint16_t* registers)
{
    if (!registers && count > 0)
        return refuseNull(handle);
    wire::PayloadWriter out;
    out.u16(start);
    out.u16(count);
    return fetch(handle, wire::RequestType::ModbusGetRegisters, std::move(out),
                 [&](wire::PayloadReader& in) {
                     const uint16_t answered = in.u16();
                     std::vector<uint16_t> values(count);
                     for (uint16_t& value : values)
                         value = in.u16();
                     if (!in.complete() || answered != count)
                         return false;
                     std::copy(values.begin(), values.end(), registers);
                     return true;
                 });
}

int32_t VXC_Modbus_Set4x(ControllerHandle handle, uint16_t start, uint16_t count,
                         const uint16_t* registers)
{
    if (!registers && count > 0)
        return refuseNull(handle);
    wire::PayloadWriter out;
    out.u16(start);
    out.u16(count);
    for (uint16_t i = 0; i < count; ++i)
        out.u16(registers[i]);
    return command(handle, wire::RequestType::ModbusSetRegisters, std::move(out));
}

int32_t VXC_RegisterRead(ControllerHandle handle, const char* area, uint32_t width, uint32_t start,
                         uint32_t count, void* values)
{
    if (!area || (!values && count > 0) || (width != 16 && width != 32) || ::strnlen(area, 17) > 16)
        return refuseNull(handle);
    const uint64_t size = uint64_t{count} * (width / 8);
    if (size > kMaxPayload - 64)
        return findLink(handle) ? VXC_ERR_TOO_LONG : VXC_ERR_BAD_HANDLE;
    wire::PayloadWriter out;
    out.text(area);
    out.u32(width);
    out.u32(start);
    out.u32(count);
    return fetch(handle, wire::RequestType::RegisterRead, std::move(out),
                 [&](wire::PayloadReader& in) {
                     const std::vector<uint8_t> bytes = in.blob(static_cast<uint32_t>(size));
                     if (!in.complete() || bytes.size() != size)
                         return false;
                     if (size > 0)
                         std::memcpy(values, bytes.data(), size);
                     return true;
                 });
}

} // extern "C"
