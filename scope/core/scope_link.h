// What the oscilloscope needs of its controller, behind one small interface,
// so that the capture engine and the limits loader can be driven by the
// module's real link or by a test double.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvan::scope {

class ScopeLink
{
public:
    virtual ~ScopeLink() = default;

    /// True when the module holds an open link.
    virtual bool connected() const = 0;
    /// The "?%s" integer query: "?" + name, reply scanned as one integer.
    virtual std::int32_t queryInt(std::string_view name, std::int32_t& value) = 0;
    /// VXC_Execute with the given timeout; the reply is cut to capacity − 1 bytes.
    virtual std::int32_t execute(std::string_view command, std::uint32_t timeoutMs,
                                 std::string& reply, std::uint32_t capacity) = 0;
    /// VXC_ExecuteNoAck.
    virtual std::int32_t executeNoAck(std::string_view command, std::uint32_t timeoutMs) = 0;
    /// VXC_DirectCommand with a 2048-byte reply.
    virtual std::int32_t direct(std::string_view command, std::string& reply) = 0;
    /// VXC_RegisterRead of the "DT" area, width 32: count floats from start.
    virtual std::int32_t readRegisters(std::int32_t start, std::int32_t count, float* values) = 0;
    /// The "TABLE(%d) " block reader: count floats from start.
    virtual std::int32_t readTable(std::int32_t start, std::int32_t count, float* values) = 0;
    /// VXC_GetConnectType: 0 none, 1 serial, 2 Ethernet, 4 PCI.
    virtual std::uint8_t connectType() = 0;
    /// VXC_GetSysSpecification into the 60-byte record.
    virtual std::int32_t readSpecification(std::array<std::uint8_t, 64>& record) = 0;
    /// VXC_GetAxises.
    virtual std::uint8_t axes() = 0;
    /// Blocks for ms milliseconds (the wait before a continuous re-trigger).
    virtual void waitMs(int ms) = 0;
};

/// The module-wide copy of the controller's specification record.
class ControllerSpec
{
public:
    /// Byte 55: scope channels offered; 0 when not read or not supported.
    int scopeChannels() const { return m_record[55]; }
    /// Byte 1 bit 0: the controller serves "DT" register reads.
    bool fastRead() const { return (m_record[1] & 0x01) != 0; }
    /// Reads the record when byte 55 is still 0; true when it is non-zero afterwards.
    bool ensure(ScopeLink& link)
    {
        if (scopeChannels() != 0)
            return true;
        if (link.readSpecification(m_record) != 0)
            return false;
        return scopeChannels() != 0;
    }
    /// The raw record (tests fill it directly).
    std::array<std::uint8_t, 64>& record() { return m_record; }

private:
    std::array<std::uint8_t, 64> m_record{};
};

} // namespace korvan::scope
