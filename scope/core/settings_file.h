// "Wavora.INI", section "Scope": where the oscilloscope keeps its settings
// between runs. There is no Windows folder here, so the file lives in the
// user's configuration folder.
#pragma once

#include "platform/core/private_profile.h"
#include "scope/core/scope_settings.h"

#include <filesystem>

namespace korvan::scope {

class ScopeSettingsFile
{
public:
    /// The module's base name followed by ".INI".
    static constexpr std::string_view kFileName = "Wavora.INI";
    static constexpr std::string_view kSection = "Scope";

    /// The file in the user's configuration folder.
    static std::filesystem::path defaultPath();

    explicit ScopeSettingsFile(std::filesystem::path path = defaultPath());

    const std::filesystem::path& path() const { return m_profile.path(); }

    /// Panel creation: the eight rows.
    void readChannels(ScopeChannels& rows) const;
    /// Panel creation: the settings that are read back (the colours are not).
    void readSettings(ScopeSettings& settings) const;
    /// Display creation: background and channel colours.
    void readColors(ScopeSettings& settings) const;

    /// Start: the settings and the rows below the channel count.
    void writeStart(const ScopeSettings& settings, const ScopeChannels& rows);
    /// Settings dialog OK: background and channel colours.
    void writeColors(const ScopeSettings& settings);
    /// A change of a row's offset box, stored truncated.
    void writeOffset(int row, float offset);
    /// A change of a row's scale box, stored truncated.
    void writeScale(int row, float scale);

private:
    void writeInt(const std::string& key, long long value);

    platform::PrivateProfile m_profile;
};

} // namespace korvan::scope
