// Where per-user settings live on this platform.
#pragma once

#include <filesystem>

namespace korvan::platform {

/// $XDG_CONFIG_HOME, else $HOME/.config, else the current directory.
std::filesystem::path userConfigDir();

} // namespace korvan::platform
