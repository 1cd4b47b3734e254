#include "platform/core/app_profile.h"

#include "platform/core/config_dir.h"

#include <cstdlib>

namespace korvan::platform {
namespace {

std::filesystem::path profilePath(const std::string& registryKey, const std::string& application)
{
    if (const char* path = std::getenv("KORVAN_PROFILE"); path && *path)
        return path;
    return userConfigDir() / registryKey / (application + ".ini");
}

} // namespace

AppProfile AppProfile::workbench()
{
    return AppProfile("Korvan Trelkit", "Korvan Tools");
}

AppProfile::AppProfile(std::string registryKey, std::string application)
    : m_file(profilePath(registryKey, application))
{}

std::optional<std::string> AppProfile::readString(std::string_view section,
                                                  std::string_view entry) const
{
    if (!m_file.hasKey(section, entry))
        return std::nullopt;
    // Registry strings are not bounded by the 260-byte ini buffer.
    return m_file.readString(section, entry, "", std::string::npos);
}

int AppProfile::readInt(std::string_view section, std::string_view entry, int defaultValue) const
{
    return m_file.readInt(section, entry, defaultValue);
}

bool AppProfile::writeString(std::string_view section, std::string_view entry,
                             std::string_view value)
{
    return m_file.writeString(section, entry, value);
}

} // namespace korvan::platform
