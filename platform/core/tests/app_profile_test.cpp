#include "platform/core/app_profile.h"
#include "platform/core/config_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvan::platform {
namespace {

namespace fs = std::filesystem;

class AppProfileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("korvan-profile-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        ::unsetenv("KORVAN_PROFILE");
        ::setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("KORVAN_PROFILE");
        fs::remove_all(m_dir);
    }
    fs::path m_dir;
};

TEST_F(AppProfileTest, OwnFilesGoBesideTheProgramOnlyWhereItMayWrite)
{
    ::setenv("XDG_DATA_HOME", m_dir.c_str(), 1);
    fs::create_directories(m_dir / "bin");
    EXPECT_EQ(writableFileIn(m_dir / "bin", "tempfile.ini"), m_dir / "bin" / "tempfile.ini");
    // A folder that is not there (or not writable) sends the file to the user's own folder.
    const fs::path own = writableFileIn(m_dir / "missing", "tempfile.ini");
    EXPECT_EQ(own, m_dir / "korvan-tools" / "tempfile.ini");
    EXPECT_TRUE(fs::is_directory(own.parent_path()));
    ::unsetenv("XDG_DATA_HOME");
}

TEST_F(AppProfileTest, LivesUnderTheUserConfigurationFolder)
{
    EXPECT_EQ(AppProfile::workbench().path(), m_dir / "Korvan Trelkit" / "Korvan Tools.ini");
}

TEST_F(AppProfileTest, EnvironmentNamesAnotherFile)
{
    ::setenv("KORVAN_PROFILE", (m_dir / "elsewhere.ini").c_str(), 1);
    EXPECT_EQ(AppProfile::workbench().path(), m_dir / "elsewhere.ini");
}

TEST_F(AppProfileTest, MissingValueIsNotAnEmptyOne)
{
    AppProfile profile = AppProfile::workbench();
    EXPECT_FALSE(profile.readString("Languge_Info", "Trelkit_Lang").has_value());
    ASSERT_TRUE(profile.writeString("Languge_Info", "Trelkit_Lang", ""));
    EXPECT_EQ(profile.readString("Languge_Info", "Trelkit_Lang"), std::optional<std::string>(""));
}

TEST_F(AppProfileTest, ValuesSurviveANewInstance)
{
    ASSERT_TRUE(AppProfile::workbench().writeString("Languge_Info", "Trelkit_Lang", "0"));
    const AppProfile reopened = AppProfile::workbench();
    EXPECT_EQ(reopened.readString("languge_info", "trelkit_lang"), std::optional<std::string>("0"));
    EXPECT_EQ(reopened.readInt("Languge_Info", "Trelkit_Lang", 1), 0);
    const std::string longValue(1000, 'v');
    ASSERT_TRUE(AppProfile::workbench().writeString("S", "long", longValue));
    EXPECT_EQ(AppProfile::workbench().readString("S", "long"), longValue);
}

} // namespace
} // namespace korvan::platform
