// Records and identity of the controller.
#include "link/client/api_support.h"
#include "link/korvan.h"

using namespace korvan::link;
using namespace korvan::link::client;

namespace {

// Asks a request without fields and hands the decoded reply to read, which
// returns false when the reply does not have the expected shape.
template <typename Read>
int32_t query(ControllerHandle handle, wire::RequestType type, wire::PayloadWriter&& payload,
              Read&& read)
{
    return withLink(handle, [&](Link& link) -> int32_t {
        std::vector<uint8_t> body;
        const int32_t code = request(link, type, std::move(payload), body);
        if (code != VXC_OK)
            return code;
        wire::PayloadReader in(body);
        return read(in) && in.complete() ? VXC_OK : VXC_ERR_PROTOCOL;
    });
}

// A record of exactly size bytes, copied only when it has that size.
int32_t readRecord(ControllerHandle handle, wire::RequestType type, wire::PayloadWriter&& payload,
                   void* record, std::size_t size)
{
    if (!record)
        return findLink(handle) ? VXC_ERR_INVALID_ARGUMENT : VXC_ERR_BAD_HANDLE;
    return query(handle, type, std::move(payload), [&](wire::PayloadReader& in) {
        const std::vector<uint8_t> bytes = in.blob(static_cast<uint32_t>(size));
        if (!in.ok() || bytes.size() != size)
            return false;
        std::memcpy(record, bytes.data(), size);
        return true;
    });
}

} // namespace

extern "C" {

int32_t VXC_GetSysSpecification(ControllerHandle handle, void* record)
{
    return readRecord(handle, wire::RequestType::Specification, {}, record, VXC_SPEC_RECORD_SIZE);
}

int32_t VXC_EnumChildCard(ControllerHandle handle, uint16_t previous, void* record)
{
    wire::PayloadWriter out;
    out.u16(previous);
    return readRecord(handle, wire::RequestType::ChildCard, std::move(out), record,
                      VXC_CHILD_CARD_SIZE);
}

int32_t VXC_GetSoftVersion(ControllerHandle handle, float* version, char* typeText, int32_t* date)
{
    clearText(typeText, findLink(handle) ? VXC_SOFT_TYPE_CAPACITY : 0);
    return query(handle, wire::RequestType::SoftVersion, {}, [&](wire::PayloadReader& in) {
        const float value = in.f32();
        const std::string type = in.text(255);
        const int32_t day = in.i32();
        if (!in.complete())
            return false;
        if (version)
            *version = value;
        copyText(type, typeText, VXC_SOFT_TYPE_CAPACITY);
        if (date)
            *date = day;
        return true;
    });
}

uint8_t VXC_GetAxises(ControllerHandle handle)
{
    uint8_t count = 0;
    const int32_t code =
        query(handle, wire::RequestType::AxisCount, {}, [&](wire::PayloadReader& in) {
            count = in.u8();
            return in.ok();
        });
    return code == VXC_OK ? count : 0;
}

int32_t VXC_GetCurIpAddr(ControllerHandle handle, char* address)
{
    const auto link = findLink(handle);
    if (!link)
        return VXC_ERR_BAD_HANDLE;
    if (!address)
        return VXC_ERR_INVALID_ARGUMENT;
    address[0] = '\0';
    if (link->type != VXC_LINK_ETHERNET)
        return VXC_ERR_NOT_SUPPORTED;
    return query(handle, wire::RequestType::IpAddress, {}, [&](wire::PayloadReader& in) {
        const std::string text = in.text(255);
        if (in.ok())
            copyText(text, address, VXC_IP_TEXT_CAPACITY);
        return in.ok();
    });
}

int32_t VXC_GetHardId(ControllerHandle handle, uint32_t* id)
{
    if (!id)
        return findLink(handle) ? VXC_ERR_INVALID_ARGUMENT : VXC_ERR_BAD_HANDLE;
    return query(handle, wire::RequestType::HardId, {}, [&](wire::PayloadReader& in) {
        const uint32_t value = in.u32();
        if (in.ok())
            *id = value;
        return in.ok();
    });
}

int32_t VXC_GetControllerIDDate(ControllerHandle handle, int32_t* id, int32_t* year, int32_t* month,
                                int32_t* day, int32_t* serial)
{
    return query(handle, wire::RequestType::ControllerId, {}, [&](wire::PayloadReader& in) {
        int32_t fields[5];
        for (int32_t& field : fields)
            field = in.i32();
        if (!in.complete())
            return false;
        int32_t* targets[5] = {id, year, month, day, serial};
        for (int i = 0; i < 5; ++i)
            if (targets[i])
                *targets[i] = fields[i];
        return true;
    });
}

int32_t VXC_GetAxisFeatures(ControllerHandle handle, int32_t axis, uint32_t* features)
{
    if (!features)
        return findLink(handle) ? VXC_ERR_INVALID_ARGUMENT : VXC_ERR_BAD_HANDLE;
    wire::PayloadWriter out;
    out.i32(axis);
    return query(handle, wire::RequestType::AxisFeatures, std::move(out),
                 [&](wire::PayloadReader& in) {
                     const uint32_t value = in.u32();
                     if (in.ok())
                         *features = value;
                     return in.ok();
                 });
}

} // extern "C"
