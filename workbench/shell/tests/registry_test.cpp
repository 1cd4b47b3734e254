#include "workbench/shell/connection_registry.h"
#include "workbench/shell/controller_reset.h"
#include "workbench/shell/status_poll.h"
#include "workbench/shell/tests/scripted_link.h"
#include "workbench/shell/tests/test_doubles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace korvan::shell {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace korvan::shell::fakes;

class RegistryTest : public ::testing::Test
{
protected:
    ScriptedLink link;
    AppState state;
    RecordingTree tree;
    RecordingMessages messages;
    ConnectionRegistry registry{state, tree, messages};

    void connectThree()
    {
        link.add("127.0.0.70").replies["?*SLOT"] = "SLOT0:ETHERCAT";
        link.add("127.0.0.71").replies["?*SLOT"] = "SLOT0:RTEX SLOT1:ETHERCAT";
        link.controller("127.0.0.71").softType = "VX-ECI";
        link.add("127.0.0.72");
        link.searchResult = "127.0.0.70 127.0.0.71 127.0.0.72";
        ASSERT_EQ(registry.connectAll(), 0);
        ASSERT_EQ(state.connectionCount, 3);
    }
};

TEST_F(RegistryTest, StartWithoutControllersLeavesAnEmptyRegistryAndTree)
{
    EXPECT_EQ(registry.connectAll(), 0);
    EXPECT_EQ(state.connectionCount, 0);
    EXPECT_EQ(state.currentConnection, 0);
    EXPECT_THAT(tree.branches, IsEmpty());
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(RegistryTest, ConnectAllOpensPciCardsFirstThenSearchedControllers)
{
    link.add("PCI1", VXC_LINK_PCI);
    link.add("127.0.0.70").replies["?*SLOT"] = "SLOT0:ETHERCAT SLOT1:RTEX";
    link.pciCards = 1;
    link.searchResult = "  127.0.0.70 127.0.0.99";
    registry.connectAll();
    EXPECT_THAT(link.opened, ElementsAre("PCI1", "127.0.0.70"));
    ASSERT_EQ(state.connectionCount, 2);
    EXPECT_EQ(state.slots[0].pciName, "PCI1");
    EXPECT_EQ(state.slots[0].linkType, 4);
    EXPECT_EQ(state.slots[0].busType, 0);
    EXPECT_EQ(state.slots[1].ipName, "127.0.0.70");
    EXPECT_EQ(state.slots[1].linkType, 2);
    EXPECT_EQ(state.slots[1].busType, 3);
    EXPECT_THAT(tree.branches, ElementsAre(0, 1));
    EXPECT_THAT(link.controller("127.0.0.70").sent, ElementsAre("?*SLOT"));
}

TEST_F(RegistryTest, FailedSearchIsReportedAndNoCardIsTried)
{
    link.add("PCI1", VXC_LINK_PCI);
    link.pciCards = 1;
    link.searchCode = VXC_ERR_TIMEOUT;
    EXPECT_EQ(registry.connectAll(), VXC_ERR_TIMEOUT);
    EXPECT_THAT(link.opened, IsEmpty());
}

TEST_F(RegistryTest, BusTypeFromSlotReply)
{
    const std::vector<std::pair<std::string, int>> cases{
        {"ETHERCAT", 1}, {"RTEX", 2}, {"ETHERCAT RTEX", 3}, {"NONE", 0}, {"", 0}};
    for (const auto& [reply, bus] : cases) {
        ScriptedLink fresh;
        fresh.add("127.0.0.70").replies["?*SLOT"] = reply;
        state.slots[0].handle = fresh.handleOf("127.0.0.70");
        state.connectionCount = 0;
        EXPECT_EQ(registry.probeBusType(), bus) << reply;
    }
}

TEST_F(RegistryTest, FailedSlotQueryGivesNoBusAndKeepsTheEciFlag)
{
    link.add("127.0.0.70").codes["?*SLOT"] = VXC_ERR_TIMEOUT;
    link.controller("127.0.0.70").softType = "ECI-1408";
    state.slots[0].handle = link.handleOf("127.0.0.70");
    EXPECT_EQ(registry.probeBusType(), 0);
    EXPECT_EQ(state.slots[0].eciFlag, 1);
}

TEST_F(RegistryTest, DisconnectingSlotOneOfThreeMovesTheLastDown)
{
    connectThree();
    link.controller("127.0.0.71").replies["?*MAX"] = "max_axis:8 max_pwm: 2 max_in:16";
    state.currentConnection = 1;
    tree.branches = {0, 1, 2};
    registry.disconnectCurrent();

    EXPECT_THAT(link.controller("127.0.0.71").sent,
                ElementsAre("?*SLOT", "?*MAX", "PWM_DUTY(0) = 0.000000", "PWM_DUTY(1) = 0.000000"));
    EXPECT_FALSE(link.controller("127.0.0.71").open);
    EXPECT_EQ(state.connectionCount, 2);
    EXPECT_EQ(state.currentConnection, 0);
    EXPECT_EQ(state.slots[1].ipName, "127.0.0.72");
    EXPECT_EQ(state.slots[1].busType, 0);
    EXPECT_EQ(state.slots[1].eciFlag, 0);
    EXPECT_EQ(state.slots[1].linkType, 2);
    EXPECT_EQ(state.slots[2].handle, nullptr);
    EXPECT_TRUE(state.slots[2].ipName.empty());
    EXPECT_THAT(tree.branches, ElementsAre(0, 1));
    EXPECT_EQ(tree.handlingChanges.back(), true);
}

TEST_F(RegistryTest, MovedSlotKeepsItsBusTypeAndEciFlag)
{
    connectThree();
    state.currentConnection = 0;
    registry.disconnectCurrent();
    EXPECT_EQ(state.slots[0].ipName, "127.0.0.71");
    EXPECT_EQ(state.slots[0].busType, 3);
    EXPECT_EQ(state.slots[0].eciFlag, 1);
}

TEST_F(RegistryTest, DisconnectWithoutConnectionShowsTheMessageInBothLanguages)
{
    for (int language : {1, 0}) {
        state.language = language;
        messages.shown.clear();
        registry.disconnectCurrent();
        EXPECT_THAT(messages.shown, ElementsAre("控制器链接断开!"));
    }
}

TEST_F(RegistryTest, FailedCloseLeavesTheSlotRegistered)
{
    connectThree();
    link.controller("127.0.0.70").closeCode = VXC_ERR_TIMEOUT;
    registry.disconnectCurrent();
    EXPECT_EQ(state.connectionCount, 3);
    EXPECT_EQ(state.slots[0].ipName, "127.0.0.70");
}

TEST_F(RegistryTest, HostilePwmCountIsBounded)
{
    connectThree();
    link.controller("127.0.0.70").replies["?*MAX"] = "max_pwm:2000000000";
    registry.disconnectCurrent();
    // ?*SLOT, ?*MAX and one duty command per channel up to the I/O bound.
    EXPECT_EQ(link.controller("127.0.0.70").sent.size(), 2u + 800u);
}

TEST_F(RegistryTest, ThirtyFirstLinkIsRefusedWithAMessage)
{
    std::string search;
    for (int i = 0; i < 31; ++i) {
        const std::string ip = "127.0.0." + std::to_string(100 + i);
        link.add(ip);
        search += ip + " ";
    }
    link.searchResult = search;
    state.language = 0;
    registry.connectAll();
    EXPECT_EQ(state.connectionCount, 30);
    EXPECT_EQ(link.opened.size(), 30u);
    EXPECT_THAT(messages.shown,
                ElementsAre("All 30 connections are in use, disconnect one first!"));
    EXPECT_FALSE(registry.ensureFreeSlot());
    EXPECT_FALSE(registry.registerOpenedSlot(30));
}

TEST_F(RegistryTest, ConnectAllClosesEveryRegisteredLinkFirst)
{
    connectThree();
    link.searchResult = "127.0.0.72";
    registry.connectAll();
    EXPECT_FALSE(link.controller("127.0.0.70").open);
    EXPECT_EQ(state.connectionCount, 1);
    EXPECT_EQ(state.slots[0].ipName, "127.0.0.72");
    EXPECT_TRUE(state.slots[1].ipName.empty());
}

struct PollCase
{
    int language;
    uint8_t runState;
    const char* text;
    std::optional<bool> alarm;
    bool disconnect;
};

class StatusPollTest : public RegistryTest, public ::testing::WithParamInterface<PollCase>
{
};

TEST_P(StatusPollTest, PaneTextsAndColours)
{
    const PollCase& c = GetParam();
    connectThree();
    state.language = c.language;
    state.currentConnection = 1;
    link.controller("127.0.0.71").state = c.runState;
    const StatusReport report = pollStatus(state);
    EXPECT_EQ(report.countText, c.language == 1 ? "连接总数:3" : "connet number:3");
    EXPECT_EQ(report.stateText, c.text);
    EXPECT_EQ(report.alarm, c.alarm);
    EXPECT_EQ(report.disconnect, c.disconnect);
}

INSTANTIATE_TEST_SUITE_P(
    States, StatusPollTest,
    ::testing::Values(PollCase{1, 0, "127.0.0.71 待机", false, false},
                      PollCase{1, 1, "127.0.0.71 运行", false, false},
                      PollCase{1, 3, "127.0.0.71 暂停", false, false},
                      PollCase{1, 100, "127.0.0.71 出错", true, false},
                      PollCase{1, 7, "127.0.0.71 未连接", true, true},
                      PollCase{1, 255, "127.0.0.71 未连接", true, true}, // no answer: 50
                      PollCase{0, 0, "127.0.0.71 Idle", std::nullopt, false},
                      PollCase{0, 1, "127.0.0.71 Running", std::nullopt, false},
                      PollCase{0, 3, "127.0.0.71 Paused", std::nullopt, false},
                      PollCase{0, 100, "127.0.0.71 Error", std::nullopt, false},
                      PollCase{0, 255, "127.0.0.71 UnConnected", std::nullopt, false}));

TEST_F(RegistryTest, PollWithoutConnectionAsksNothing)
{
    state.language = 1;
    EXPECT_EQ(pollStatus(state).countText, "连接总数:0");
    EXPECT_EQ(pollStatus(state).stateText, "未连接");
    state.language = 0;
    EXPECT_EQ(pollStatus(state).countText, "connet number:0");
    EXPECT_EQ(pollStatus(state).stateText, "UnConnected");
}

TEST_F(RegistryTest, DeadControllerInChineseIsDisconnected)
{
    connectThree();
    state.language = 1;
    link.controller("127.0.0.70").state = 255;
    link.controller("127.0.0.70").replies["?*MAX"] = "";
    const StatusReport report = pollStatus(state);
    ASSERT_TRUE(report.disconnect);
    registry.disconnectCurrent();
    EXPECT_EQ(state.connectionCount, 2);
    EXPECT_EQ(state.slots[0].ipName, "127.0.0.71");
}

TEST_F(RegistryTest, ResetWritesFlashThenReboots)
{
    connectThree();
    EXPECT_EQ(resetController(state), ResetOutcome::Rebooted);
    EXPECT_THAT(link.controller("127.0.0.70").calls, ElementsAre("VXC_FlashWritef:100"));
    EXPECT_EQ(link.controller("127.0.0.70").sent.back(), "reboot");
}

TEST_F(RegistryTest, ResetFailsWithoutConnectionOrWhenRebootFails)
{
    EXPECT_EQ(resetController(state), ResetOutcome::Failed);
    state.language = 1;
    EXPECT_STREQ(resetFailedText(state), "复位失败！");
    state.language = 0;
    EXPECT_STREQ(resetFailedText(state), "Reset failed");
    connectThree();
    link.controller("127.0.0.70").codes["reboot"] = VXC_ERR_TIMEOUT;
    EXPECT_EQ(resetController(state), ResetOutcome::Failed);
}

} // namespace
} // namespace korvan::shell
