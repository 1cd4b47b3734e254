// The oscilloscope's controller access over the module's own link handle.
#pragma once

#include "link/korvan.h"
#include "scope/core/scope_link.h"

namespace korvan::scope {

class LinkScopeAccess final : public ScopeLink
{
public:
    /// handle is the module-wide slot; it may change between calls.
    explicit LinkScopeAccess(ControllerHandle& handle) : m_handle(handle) {}

    bool connected() const final { return m_handle != nullptr; }
    std::int32_t queryInt(std::string_view name, std::int32_t& value) final;
    std::int32_t execute(std::string_view command, std::uint32_t timeoutMs, std::string& reply,
                         std::uint32_t capacity) final;
    std::int32_t executeNoAck(std::string_view command, std::uint32_t timeoutMs) final;
    std::int32_t direct(std::string_view command, std::string& reply) final;
    std::int32_t readRegisters(std::int32_t start, std::int32_t count, float* values) final;
    std::int32_t readTable(std::int32_t start, std::int32_t count, float* values) final;
    std::uint8_t connectType() final;
    std::int32_t readSpecification(std::array<std::uint8_t, 64>& record) final;
    std::uint8_t axes() final;
    void waitMs(int ms) final;

private:
    ControllerHandle& m_handle;
};

/// "%d.%d.%d.%d" of the four bytes of value, lowest first, each 0 to 255.
std::string controllerAddressText(std::int32_t value);

} // namespace korvan::scope
