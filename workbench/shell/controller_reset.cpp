#include "workbench/shell/controller_reset.h"

#include "cmdlib/execute.h"

#include <array>

namespace korvan::shell {

ResetOutcome resetController(const AppState& state)
{
    const ControllerHandle handle = state.connectionCount > 0 ? state.currentHandle() : nullptr;
    const std::array<float, 100> zeros{};
    if (VXC_FlashWritef(handle, 0, 100, zeros.data()) != 0)
        return ResetOutcome::Failed;
    std::array<char, cmd::kReplyCapacity> reply{};
    if (cmd::ExecuteCommand(handle, "reboot", reply.data(), cmd::kReplyCapacity) != 0)
        return ResetOutcome::Failed;
    return ResetOutcome::Rebooted;
}

} // namespace korvan::shell
