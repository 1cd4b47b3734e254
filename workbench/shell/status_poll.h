// The main frame's 100 ms status poll: the texts of status panes 1 and 2,
// the alarm colour of pane 2 and whether a dead controller is dropped.
#pragma once

#include "workbench/shell/app_state.h"

#include <optional>
#include <string>

namespace korvan::shell {

struct StatusReport
{
    std::string countText; // pane 1
    std::string stateText; // pane 2
    /// Pane 2's background in Chinese mode: true red, false white; nothing in English.
    std::optional<bool> alarm;
    /// In Chinese mode a controller that does not answer is disconnected.
    bool disconnect = false;
};

/// One tick of the poll; asks the current controller's run state when one is registered.
StatusReport pollStatus(const AppState& state);

/// The initial texts of panes 1 and 2, in either language.
inline constexpr const char* kInitialCountText = "连接总数:0";
inline constexpr const char* kInitialStateText = "未连接";

} // namespace korvan::shell
