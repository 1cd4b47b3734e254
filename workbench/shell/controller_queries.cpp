#include "workbench/shell/controller_queries.h"

#include "cmdlib/execute.h"
#include "cmdlib/parse.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace korvan::shell {
namespace {

constexpr int32_t kEmptyReply = 30000;
constexpr int32_t kInvalidArgument = 30002;

} // namespace

int32_t executeCommand(ControllerHandle handle, const std::string& command, char* reply,
                       uint32_t capacity)
{
    return cmd::ExecuteCommand(handle, command.c_str(), reply, capacity);
}

int32_t executeDirect(ControllerHandle handle, const std::string& command, char* reply,
                      uint32_t capacity)
{
    return cmd::ExecuteDirect(handle, command.c_str(), reply, capacity);
}

int32_t parseIntList(const char* text, int count, int32_t* out)
{
    return cmd::ParseIntList(text, count, out);
}

int32_t parseFloatList(const char* text, int count, float* out)
{
    return cmd::ParseFloatList(text, count, out);
}

int32_t readPwmCount(ControllerHandle handle, int32_t& count)
{
    count = 0;
    std::array<char, kReplyCapacity> reply{};
    if (const int32_t code = executeCommand(handle, "?*MAX", reply.data(), kReplyCapacity))
        return code;
    if (reply[0] == '\0')
        return kEmptyReply;
    const char* found = std::strstr(reply.data(), "max_pwm:");
    if (!found)
        return 0;
    const char* p = found + std::strlen("max_pwm:");
    while (*p && !(*p >= '0' && *p <= '9'))
        ++p;
    parseIntList(p, 1, &count);
    return 0;
}

bool sysVersionPresent(ControllerHandle handle)
{
    std::array<char, kReplyCapacity> reply{};
    if (executeCommand(handle, "?Sys_version", reply.data(), kReplyCapacity) != 0)
        return false;
    return std::strlen(reply.data()) <= 19;
}

int32_t readNamedFloat(ControllerHandle handle, const std::string& name, float& value)
{
    std::array<char, kReplyCapacity> reply{};
    if (const int32_t code = executeDirect(handle, "?" + name, reply.data(), kReplyCapacity))
        return code;
    if (reply[0] == '\0')
        return kEmptyReply;
    std::sscanf(reply.data(), "%f", &value);
    return 0;
}

int32_t readRangeFloats(ControllerHandle handle, const std::string& name, int start, int count,
                        float* values)
{
    if (!values || count < 0)
        return kInvalidArgument;
    for (int done = 0; done < count;) {
        const int block = count - done < 30 ? count - done : 30;
        std::array<char, kReplyCapacity> command{};
        std::snprintf(command.data(), command.size(), "?*%s(%d,%d)", name.c_str(), start + done,
                      block);
        std::array<char, kReplyCapacity> reply{};
        if (const int32_t code =
                executeDirect(handle, command.data(), reply.data(), kReplyCapacity))
            return code;
        if (reply[0] == '\0')
            return kEmptyReply;
        if (const int32_t code = parseFloatList(reply.data(), block, values + done))
            return code;
        done += block;
    }
    return 0;
}

int32_t readSpecification(ControllerHandle handle, SpecFields& fields)
{
    // One byte more than the link fills, as every caller reserves at least 60.
    std::array<uint8_t, 64> record{};
    if (const int32_t code = VXC_GetSysSpecification(handle, record.data()))
        return code;
    fields.virtualAxes = static_cast<uint16_t>(record[4] | (record[5] << 8));
    fields.realAxes = record[6];
    return 0;
}

int32_t readChildCard(ControllerHandle handle, uint16_t previous, ChildCard& card)
{
    std::array<uint8_t, VXC_CHILD_CARD_SIZE> record{};
    if (const int32_t code = VXC_EnumChildCard(handle, previous, record.data()))
        return code;
    card.hardwareId = static_cast<uint32_t>(record[0]) | (static_cast<uint32_t>(record[1]) << 8) |
                      (static_cast<uint32_t>(record[2]) << 16) |
                      (static_cast<uint32_t>(record[3]) << 24);
    card.canId = static_cast<uint16_t>(record[4] | (record[5] << 8));
    card.axes = record[10];
    return 0;
}

} // namespace korvan::shell
