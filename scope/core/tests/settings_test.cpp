#include "scope/core/settings_file.h"
#include "scope/core/table_area.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace korvan::scope {
namespace {

class SettingsFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("wavora-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(SettingsFileTest, MissingFileGivesDefaults)
{
    ScopeSettingsFile file(dir / "Wavora.INI");
    ScopeSettings s;
    s.channelCount = 5;
    s.useEndOfTable = false;
    file.readSettings(s);
    file.readColors(s);
    EXPECT_EQ(s.channelCount, 2);
    EXPECT_EQ(s.depth, 1000);
    EXPECT_EQ(s.interval, 1);
    EXPECT_EQ(s.horizontalScale, 100.0);
    EXPECT_TRUE(s.exportParameters);
    EXPECT_TRUE(s.useEndOfTable);
    EXPECT_EQ(s.channelColors[0], 3937500);
    EXPECT_EQ(s.channelColors[7], 15404736);
    ScopeChannels rows;
    file.readChannels(rows);
    EXPECT_EQ(rows[5].number, 5);
    EXPECT_EQ(rows[5].source, "VP_SPEED");
    EXPECT_EQ(rows[5].scale, 1000.0F);
}

TEST_F(SettingsFileTest, StartKeysRoundTrip)
{
    ScopeSettingsFile file(dir / "Wavora.INI");
    ScopeSettings s;
    s.channelCount = 3;
    s.depth = 2500;
    s.interval = 4;
    s.displayType = 1;
    s.continuous = true;
    s.exportParameters = false;
    s.follow = true;
    s.horizontalScale = 250.9;
    ScopeChannels rows = defaultChannels();
    rows[0] = {"DPOS", 2, -12.7F, 333.9F, false};
    rows[2] = {"IN", 7, 5.0F, 10.0F, true};
    rows[5].source = "MPOS"; // above the channel count: not written
    file.writeStart(s, rows);

    ScopeSettingsFile again(dir / "Wavora.INI");
    ScopeSettings back;
    again.readSettings(back);
    EXPECT_EQ(back.channelCount, 3);
    EXPECT_EQ(back.depth, 2500);
    EXPECT_EQ(back.interval, 4);
    EXPECT_EQ(back.displayType, 1);
    EXPECT_TRUE(back.continuous);
    EXPECT_FALSE(back.exportParameters);
    EXPECT_TRUE(back.follow);
    EXPECT_EQ(back.horizontalScale, 250.0);
    ScopeChannels got;
    again.readChannels(got);
    EXPECT_EQ(got[0].source, "DPOS");
    EXPECT_EQ(got[0].number, 2);
    EXPECT_EQ(got[0].offset, -12.0F);
    EXPECT_EQ(got[0].scale, 333.0F);
    EXPECT_FALSE(got[0].shown);
    EXPECT_EQ(got[2].source, "IN");
    EXPECT_EQ(got[5].source, "VP_SPEED");

    s.background = 123;
    s.channelColors[3] = 456;
    again.writeColors(s);
    again.writeOffset(1, 9.9F);
    ScopeSettings colors;
    file.readColors(colors);
    EXPECT_EQ(colors.background, 123);
    EXPECT_EQ(colors.channelColors[3], 456);
    file.readChannels(got);
    EXPECT_EQ(got[1].offset, 9.0F);
}

TEST_F(SettingsFileTest, HostileValuesAreHeldInRange)
{
    {
        std::ofstream out(dir / "Wavora.INI");
        out << "[scope]\nchannels = 99\ndepth=-5\n";
    }
    ScopeSettingsFile file(dir / "Wavora.INI");
    ScopeSettings s;
    file.readSettings(s);
    EXPECT_EQ(s.channelCount, 8);
    EXPECT_EQ(s.depth, 1);
}

TEST(TableArea, StartRuleAndDialogCheck)
{
    EXPECT_EQ(tableStartAtEnd(10000, 4, 1000), 6000);
    EXPECT_EQ(tableStartAtEnd(10000, 4, 3000), 0);
    EXPECT_EQ(checkDialog(10000, true, 0, 1000, 4, false), DialogCheck::Accept);
    EXPECT_EQ(checkDialog(10000, true, 0, 3000, 4, false), DialogCheck::OutOfRange);
    EXPECT_EQ(checkDialog(10000, false, 9000, 1000, 2, false), DialogCheck::OutOfRange);
    EXPECT_EQ(checkDialog(10000, false, 8000, 1000, 2, false), DialogCheck::Accept);
    EXPECT_EQ(checkDialog(10000, true, 0, 999, 2, true), DialogCheck::AcceptWithWarning);
    EXPECT_EQ(checkDialog(10000, true, 0, 999, 2, false), DialogCheck::Accept);
    // count × depth beyond int range does not wrap round into "fits".
    EXPECT_FALSE(captureAreaFits(10000, 0, 8, 2000000000));
}

TEST(ChannelCount, HeldWithinOneToEight)
{
    EXPECT_EQ(clampChannelCount(0), 1);
    EXPECT_EQ(clampChannelCount(-3), 1);
    EXPECT_EQ(clampChannelCount(9), 8);
    EXPECT_EQ(clampChannelCount(5), 5);
}

} // namespace
} // namespace korvan::scope
