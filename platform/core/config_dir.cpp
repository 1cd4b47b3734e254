#include "platform/core/config_dir.h"

#include <cstdlib>

namespace korvan::platform {

std::filesystem::path userConfigDir()
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return xdg;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".config";
    return std::filesystem::current_path();
}

} // namespace korvan::platform
