// The AxisPort of the program: the command library's base operations, block
// readers, ratio readers, per-value writer and records on one connection's handle.
#pragma once

#include "link/korvan.h"
#include "workbench/axis/axis_port.h"

namespace korvan::axis {

class LinkAxisPort final : public AxisPort
{
public:
    /// The handle is not owned; a null handle makes every call fail.
    explicit LinkAxisPort(ControllerHandle handle) : m_handle(handle) {}

    /// The connection this port talks to.
    ControllerHandle handle() const { return m_handle; }

    int execute(std::string_view command, std::string* reply) final;
    int direct(std::string_view command, std::string* reply) final;
    std::optional<ControllerCounts> specification() final;
    std::vector<ChildCardInputs> childCards() final;
    std::optional<std::uint32_t> hardId() final;
    int readBlock(std::string_view name, std::span<float> out) final;
    int readRange(std::string_view name, int start, std::span<float> out) final;
    int readStepRatios(std::span<float> first, std::span<float> second) final;
    int readEncoderRatios(std::span<float> first, std::span<float> second) final;
    int writeValues(std::string_view name, int start, std::span<const float> values) final;
    std::optional<int> invertIn(int input) final;
    std::optional<int> nodeCount(int bus) final;
    int setTimeout(std::uint32_t ms) final;
    int makeProject(const std::string& basPath, RomProject& project) final;
    int downloadToRom(const RomProject& project) final;
    int resume() final;

private:
    ControllerHandle m_handle;
};

} // namespace korvan::axis
