#include "platform/core/config_dir.h"

#include <cstdlib>
#include <system_error>

#include <unistd.h>

namespace korvan::platform {

std::filesystem::path userConfigDir()
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return xdg;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".config";
    return std::filesystem::current_path();
}

std::filesystem::path userDataDir()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return xdg;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share";
    return std::filesystem::current_path();
}

std::filesystem::path writableFileIn(const std::filesystem::path& preferredDir,
                                     std::string_view name)
{
    std::error_code error;
    if (!preferredDir.empty() && std::filesystem::is_directory(preferredDir, error) &&
        ::access(preferredDir.c_str(), W_OK) == 0)
        return preferredDir / name;
    const std::filesystem::path own = userDataDir() / "korvan-tools";
    std::filesystem::create_directories(own, error);
    return own / name;
}

} // namespace korvan::platform
