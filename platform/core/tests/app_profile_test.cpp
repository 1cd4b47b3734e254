#include "platform/core/app_profile.h"

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
