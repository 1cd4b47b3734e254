// The controller reset command: clear the flash value area, reboot, and
// after the controller has restarted connect everything again.
#pragma once

#include "workbench/shell/app_state.h"

namespace korvan::shell {

enum class ResetOutcome
{
    Rebooted,
    Failed
};

/// Zeroes 100 flash values and sends "reboot" to the current controller.
ResetOutcome resetController(const AppState& state);

/// How long the controller needs before it answers again.
inline constexpr int kRebootWaitMs = 3000;

/// The failure message in the current language.
inline const char* resetFailedText(const AppState& state)
{
    return pick(state, "复位失败！", "Reset failed");
}

} // namespace korvan::shell
