#include "workbench/shell/localisation.h"
#include "workbench/shell/menu_commands.h"

#include "platform/core/private_profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace korvan::shell {
namespace {

namespace fs = std::filesystem;

class LocalisationTest : public ::testing::Test
{
protected:
    fs::path dir;
    fs::path previous;
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("shell-lang-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "cwd");
        fs::create_directories(dir / "bin");
        previous = fs::current_path();
        fs::current_path(dir / "cwd");
        ::setenv("KORVAN_PROFILE", (dir / "profile.ini").c_str(), 1);
        LanguageFiles::setProgramDir(dir / "bin");
    }
    void TearDown() override
    {
        fs::current_path(previous);
        LanguageFiles::setProgramDir({});
        ::unsetenv("KORVAN_PROFILE");
        fs::remove_all(dir);
    }
    static void write(const fs::path& file, const std::string& text)
    {
        std::ofstream(file) << text;
    }
};

TEST_F(LocalisationTest, FileNamesFollowTheLanguageFlag)
{
    EXPECT_EQ(LanguageFiles::fileName(1), "kLang0.ini");
    EXPECT_EQ(LanguageFiles::fileName(0), "kLang1.ini");
    EXPECT_EQ(LanguageFiles::fileName(7), "kLang1.ini");
}

TEST_F(LocalisationTest, WorkingDirectoryWinsOverTheProgramFolder)
{
    AppState state;
    state.language = 1;
    const Localizer localizer(state);
    EXPECT_EQ(localizer.lookup("Menu", "ID_MENU0"), "NULL");
    write(dir / "bin" / "kLang0.ini", "[Menu]\nID_MENU0=控制器(&C)\n");
    EXPECT_EQ(localizer.lookup("Menu", "ID_MENU0"), "控制器(&C)");
    write(dir / "cwd" / "kLang0.ini", "[Menu]\nID_MENU0=local\n");
    EXPECT_EQ(localizer.lookup("menu", "id_menu0"), "local");
    EXPECT_EQ(localizer.lookup("Menu", "ID_MENU9"), "NULL");
}

TEST_F(LocalisationTest, StatusPromptFallsBackToTheBuiltInText)
{
    AppState state;
    write(dir / "bin" / "kLang1.ini", "[StatusPrompt]\nIDD_STRING_32778=Connect all\n");
    const Localizer localizer(state);
    EXPECT_EQ(localizer.statusPrompt(32778), "Connect all");
    EXPECT_EQ(localizer.statusPrompt(32779), findMenuCommand(32779)->prompt);
}

TEST_F(LocalisationTest, SavedLanguageIsLoaded)
{
    platform::AppProfile profile = platform::AppProfile::workbench();
    AppState state;
    state.language = 1;
    LoadLanguage(profile, state);
    EXPECT_EQ(state.language, 1); // first start: Chinese
    profile.writeString("Languge_Info", "Trelkit_Lang", "0");
    LoadLanguage(profile, state);
    EXPECT_EQ(state.language, 0);
    profile.writeString("Languge_Info", "Trelkit_Lang", "abc");
    state.language = 1;
    LoadLanguage(profile, state);
    EXPECT_EQ(state.language, 1);
}

TEST_F(LocalisationTest, SwitchSavesTheOtherLanguageButKeepsTheRunningOne)
{
    platform::AppProfile profile = platform::AppProfile::workbench();
    AppState state;
    state.language = 1;
    EXPECT_FALSE(switchLanguage(state, profile, 1).has_value());
    EXPECT_FALSE(profile.readString("Languge_Info", "Trelkit_Lang").has_value());

    EXPECT_EQ(switchLanguage(state, profile, 0),
              std::optional<std::string>("修改成功，请重启软件"));
    EXPECT_EQ(state.language, 1);
    EXPECT_EQ(profile.readString("Languge_Info", "Trelkit_Lang"), std::optional<std::string>("0"));

    state.language = 0;
    EXPECT_EQ(switchLanguage(state, profile, 1),
              std::optional<std::string>("Please restart the software!"));
    EXPECT_EQ(state.language, 0);
    EXPECT_EQ(profile.readString("Languge_Info", "Trelkit_Lang"), std::optional<std::string>("1"));
}

// The shipped files: the same keys in both, every key the program and its
// views look up, and no value that reads "NULL".
class ShippedLanguageFiles : public ::testing::TestWithParam<const char*>
{
protected:
    static fs::path source() { return fs::path(std::getenv("KORVAN_SOURCE_DIR")) / "resources"; }
};

TEST_P(ShippedLanguageFiles, HoldEveryKey)
{
    const platform::PrivateProfile file(source() / GetParam());
    const platform::PrivateProfile other(source() / "kLang0.ini");
    for (const std::string& section : other.sectionNames())
        for (const std::string& key : other.keyNames(section)) {
            EXPECT_TRUE(file.hasKey(section, key)) << section << "/" << key;
            EXPECT_NE(file.readString(section, key, "NULL"), "NULL") << section << "/" << key;
        }
    for (const MenuCommandInfo& info : menuCommands()) {
        EXPECT_TRUE(file.hasKey("Menu", info.key)) << info.key;
        EXPECT_TRUE(file.hasKey("StatusPrompt", "IDD_STRING_" + std::to_string(info.id)));
    }
    for (int i = 0; i < kTopLevelMenus; ++i)
        EXPECT_TRUE(file.hasKey("Menu", "ID_MENU" + std::to_string(i)));
    EXPECT_TRUE(file.hasKey("Menu", kLanguageSubmenuKey));
    for (const char* key : {"IDC_STATIC_ONLINE", "IDC_BUTTON_SEMDCMD", "IDC_BUTTON_CLEAR"})
        EXPECT_TRUE(file.hasKey("OnlineCmd", key)) << key;
    for (int n = 1; n <= 27; ++n)
        EXPECT_TRUE(file.hasKey("MoreAxis", "IDC_STATIC_MOVE" + std::to_string(n)));
    for (int n : {1, 2, 3, 4, 5, 6, 10, 26, 29, 37})
        EXPECT_TRUE(file.hasKey("SingleAxis", "IDC_AXIS_STATIC" + std::to_string(n)));
    for (const char* key : {"IDC_INPUTPARA", "IDC_OUTPUTPARA", "IDC_INITPARA", "IDC_DOWNCONTORL"})
        EXPECT_TRUE(file.hasKey("AxisPara", key)) << key;
    for (const char* key :
         {"IDC_OPENFILE", "IDC_FILESAVE", "IDC_FILESAVETO", "IDC_DOWNROM", "IDC_DOWNRAM"})
        EXPECT_TRUE(file.hasKey("BasFile", key)) << key;
    for (const char* key : {"IDC_STATIC_SLOT", "IDC_PARASAVE", "IDC_STATIC_AIO1",
                            "IDC_NODE_STATIC1", "IDC_NODE_STATIC7"})
        EXPECT_TRUE(file.hasKey("EcatSet", key)) << key;
}

INSTANTIATE_TEST_SUITE_P(Both, ShippedLanguageFiles, ::testing::Values("kLang0.ini", "kLang1.ini"));

} // namespace
} // namespace korvan::shell
