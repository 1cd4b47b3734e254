// The language scheme: the saved language in the application profile, the
// two language files (kLang0.ini Chinese, kLang1.ini English) and their
// lookups, the status-line prompts and the language switch commands.
#pragma once

#include "platform/core/app_profile.h"
#include "workbench/shell/app_state.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace korvan::shell {

/// What every lookup yields for a missing file or key.
inline constexpr std::string_view kMissingText = "NULL";

// Where the language files are: the working directory first, then the
// folder of the program (where the build and the installation put them).
class LanguageFiles
{
public:
    /// "kLang0.ini" for language 1 (Chinese), "kLang1.ini" otherwise.
    static std::string fileName(int language);
    /// The file to read for a language.
    static std::filesystem::path resolve(int language);
    /// The program's folder, set once at start-up.
    static void setProgramDir(std::filesystem::path dir);
    static const std::filesystem::path& programDir();
};

// Lookups in the file of the state's current language.
class Localizer
{
public:
    explicit Localizer(const AppState& state) : m_state(state) {}

    /// The text of key in section, "NULL" when missing (at most 259 bytes).
    std::string lookup(std::string_view section, std::string_view key) const;
    /// The status-line prompt of a menu command: "IDD_STRING_%d", else the built-in one.
    std::string statusPrompt(int commandId) const;

private:
    const AppState& m_state;
};

/// Reads "Trelkit_Lang" of "Languge_Info" into state.language; unchanged when missing.
void LoadLanguage(const platform::AppProfile& profile, AppState& state);
/// Writes state.language with "%d"; the outcome is ignored.
void SaveLanguage(platform::AppProfile& profile, const AppState& state);

/// The language menu commands: saves the other language for the next start
/// and returns the confirmation to show; nothing when target is already active.
/// The running program keeps its language.
std::optional<std::string> switchLanguage(AppState& state, platform::AppProfile& profile,
                                          int targetLanguage);

} // namespace korvan::shell
