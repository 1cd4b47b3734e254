// Where per-user settings and files live on this platform.
#pragma once

#include <filesystem>
#include <string_view>

namespace korvan::platform {

/// $XDG_CONFIG_HOME, else $HOME/.config, else the current directory.
std::filesystem::path userConfigDir();
/// $XDG_DATA_HOME, else $HOME/.local/share, else the current directory.
std::filesystem::path userDataDir();

/// Where the program keeps a file it writes by itself (a temporary file, a
/// default file the user did not choose): in preferredDir when the program
/// may write there (the build tree, a portable copy), otherwise in the
/// user's own data folder userDataDir()/korvan-tools, which is created.
std::filesystem::path writableFileIn(const std::filesystem::path& preferredDir,
                                     std::string_view name);

} // namespace korvan::platform
