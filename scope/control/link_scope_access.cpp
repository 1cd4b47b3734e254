#include "scope/control/link_scope_access.h"

#include "cmdlib/block_query.h"
#include "cmdlib/command.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace korvan::scope {

std::int32_t LinkScopeAccess::queryInt(std::string_view name, std::int32_t& value)
{
    const std::string text(name);
    return cmd::QueryInt(m_handle, cmd::Base::Command, cmd::Format("?%s", text.c_str()), &value);
}

std::int32_t LinkScopeAccess::execute(std::string_view command, std::uint32_t timeoutMs,
                                      std::string& reply, std::uint32_t capacity)
{
    std::vector<char> buffer(capacity == 0 ? 1 : capacity, '\0');
    const std::string text(command);
    const std::int32_t rc = VXC_Execute(m_handle, text.c_str(), timeoutMs, buffer.data(), capacity);
    reply.assign(buffer.data());
    return rc;
}

std::int32_t LinkScopeAccess::executeNoAck(std::string_view command, std::uint32_t timeoutMs)
{
    const std::string text(command);
    return VXC_ExecuteNoAck(m_handle, text.c_str(), timeoutMs);
}

std::int32_t LinkScopeAccess::direct(std::string_view command, std::string& reply)
{
    std::vector<char> buffer(2048, '\0');
    const std::string text(command);
    const std::int32_t rc = VXC_DirectCommand(m_handle, text.c_str(), buffer.data(), 2048);
    reply.assign(buffer.data());
    return rc;
}

std::int32_t LinkScopeAccess::readRegisters(std::int32_t start, std::int32_t count, float* values)
{
    if (start < 0 || count < 0)
        return 30002;
    return VXC_RegisterRead(m_handle, "DT", 32, static_cast<std::uint32_t>(start),
                            static_cast<std::uint32_t>(count), values);
}

std::int32_t LinkScopeAccess::readTable(std::int32_t start, std::int32_t count, float* values)
{
    return cmd::QueryTableBlock(m_handle, start, count, values);
}

std::uint8_t LinkScopeAccess::connectType()
{
    return VXC_GetConnectType(m_handle);
}

std::int32_t LinkScopeAccess::readSpecification(std::array<std::uint8_t, 64>& record)
{
    return VXC_GetSysSpecification(m_handle, record.data());
}

std::uint8_t LinkScopeAccess::axes()
{
    return VXC_GetAxises(m_handle);
}

void LinkScopeAccess::waitMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string controllerAddressText(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    return std::to_string(bits & 0xFF) + "." + std::to_string((bits >> 8) & 0xFF) + "." +
           std::to_string((bits >> 16) & 0xFF) + "." + std::to_string((bits >> 24) & 0xFF);
}

} // namespace korvan::scope
