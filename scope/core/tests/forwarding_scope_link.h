// A ScopeLink that passes every call on to another one; tests and benchmarks
// derive from it to watch or script single calls of a real link.
#pragma once

#include "scope/core/scope_link.h"

namespace korvan::scope::testing {

class ForwardingScopeLink : public ScopeLink
{
public:
    explicit ForwardingScopeLink(ScopeLink& target) : m_target(target) {}

    bool connected() const override { return m_target.connected(); }
    std::int32_t queryInt(std::string_view name, std::int32_t& value) override
    {
        return m_target.queryInt(name, value);
    }
    std::int32_t execute(std::string_view command, std::uint32_t timeoutMs, std::string& reply,
                         std::uint32_t capacity) override
    {
        return m_target.execute(command, timeoutMs, reply, capacity);
    }
    std::int32_t executeNoAck(std::string_view command, std::uint32_t timeoutMs) override
    {
        return m_target.executeNoAck(command, timeoutMs);
    }
    std::int32_t direct(std::string_view command, std::string& reply) override
    {
        return m_target.direct(command, reply);
    }
    std::int32_t readRegisters(std::int32_t start, std::int32_t count, float* values) override
    {
        return m_target.readRegisters(start, count, values);
    }
    std::int32_t readTable(std::int32_t start, std::int32_t count, float* values) override
    {
        return m_target.readTable(start, count, values);
    }
    std::uint8_t connectType() override { return m_target.connectType(); }
    std::int32_t readSpecification(std::array<std::uint8_t, 64>& record) override
    {
        return m_target.readSpecification(record);
    }
    std::uint8_t axes() override { return m_target.axes(); }
    void waitMs(int ms) override { m_target.waitMs(ms); }

private:
    ScopeLink& m_target;
};

} // namespace korvan::scope::testing
