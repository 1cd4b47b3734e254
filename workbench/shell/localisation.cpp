#include "workbench/shell/localisation.h"

#include "cmdlib/parse.h"
#include "platform/core/private_profile.h"
#include "workbench/shell/menu_commands.h"

#include <system_error>

namespace korvan::shell {
namespace {

constexpr std::string_view kLanguageSection = "Languge_Info";
constexpr std::string_view kLanguageValue = "Trelkit_Lang";

std::filesystem::path& storedProgramDir()
{
    static std::filesystem::path dir;
    return dir;
}

} // namespace

std::string LanguageFiles::fileName(int language)
{
    return language == 1 ? "kLang0.ini" : "kLang1.ini";
}

std::filesystem::path LanguageFiles::resolve(int language)
{
    const std::filesystem::path local = std::filesystem::path(".") / fileName(language);
    std::error_code error;
    if (std::filesystem::is_regular_file(local, error) || programDir().empty())
        return local;
    return programDir() / fileName(language);
}

void LanguageFiles::setProgramDir(std::filesystem::path dir)
{
    storedProgramDir() = std::move(dir);
}

const std::filesystem::path& LanguageFiles::programDir()
{
    return storedProgramDir();
}

std::string Localizer::lookup(std::string_view section, std::string_view key) const
{
    const platform::PrivateProfile file(LanguageFiles::resolve(m_state.language));
    return file.readString(section, key, kMissingText, platform::PrivateProfile::kDefaultCapacity);
}

std::string Localizer::statusPrompt(int commandId) const
{
    std::string text = lookup("StatusPrompt", "IDD_STRING_" + std::to_string(commandId));
    if (text != kMissingText)
        return text;
    const MenuCommandInfo* info = findMenuCommand(commandId);
    return info ? info->prompt : "";
}

void LoadLanguage(const platform::AppProfile& profile, AppState& state)
{
    const std::optional<std::string> saved = profile.readString(kLanguageSection, kLanguageValue);
    if (!saved)
        return;
    int32_t language = state.language;
    if (cmd::ParseIntList(saved->c_str(), 1, &language) == 0)
        state.language = language;
}

void SaveLanguage(platform::AppProfile& profile, const AppState& state)
{
    profile.writeString(kLanguageSection, kLanguageValue, std::to_string(state.language));
}

std::optional<std::string> switchLanguage(AppState& state, platform::AppProfile& profile,
                                          int targetLanguage)
{
    if (targetLanguage == 1) {
        if (state.language == 1)
            return std::nullopt;
        state.language = 1;
        SaveLanguage(profile, state);
        state.language = 0;
        return "Please restart the software!";
    }
    if (state.language == 0)
        return std::nullopt;
    state.language = 0;
    SaveLanguage(profile, state);
    state.language = 1;
    return "修改成功，请重启软件";
}

} // namespace korvan::shell
