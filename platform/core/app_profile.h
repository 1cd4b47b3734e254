// The application profile: the per-user settings that the program keeps under
// its registry key and application name. Kept as an ini file, by default
// $XDG_CONFIG_HOME/<registry key>/<application>.ini; $KORVAN_PROFILE names
// another file (tests use it).
#pragma once

#include "platform/core/private_profile.h"

#include <optional>
#include <string>
#include <string_view>

namespace korvan::platform {

class AppProfile
{
public:
    /// The workbench's own profile: key "Korvan Trelkit", application "Korvan Tools".
    static AppProfile workbench();

    AppProfile(std::string registryKey, std::string application);

    const std::filesystem::path& path() const { return m_file.path(); }

    /// The stored value, or nothing when the section or value is missing.
    std::optional<std::string> readString(std::string_view section, std::string_view entry) const;
    /// The stored integer, or defaultValue when missing.
    int readInt(std::string_view section, std::string_view entry, int defaultValue) const;
    /// Stores a value; false when the profile cannot be written.
    bool writeString(std::string_view section, std::string_view entry, std::string_view value);

private:
    PrivateProfile m_file;
};

} // namespace korvan::platform
