#include "workbench/shell/connect_logic.h"
#include "workbench/shell/tests/scripted_link.h"
#include "workbench/shell/tests/test_doubles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace korvan::shell {
namespace {

using ::testing::ElementsAre;
using namespace korvan::shell::fakes;
using Kind = ConnectOutcome::Kind;

class ConnectLogicTest : public ::testing::Test
{
protected:
    ScriptedLink link;
    AppState state;
    RecordingTree tree;
    RecordingMessages messages;
    ConnectionRegistry registry{state, tree, messages};
    RecordingFrame frame;
    std::vector<int> presentPorts{1, 3};
    ConnectLogic logic{state, registry, frame, [this](int port) {
                           return std::find(presentPorts.begin(), presentPorts.end(), port) !=
                                  presentPorts.end();
                       }};
    void SetUp() override { frame.registry = &registry; }
};

TEST_F(ConnectLogicTest, SameIpTwiceIsRefusedTheSecondTime)
{
    state.language = 1;
    link.add("127.0.0.70");
    const ConnectOutcome first = logic.connectEthernet("127.0.0.70");
    EXPECT_EQ(first.kind, Kind::Connected);
    EXPECT_EQ(first.title, "连接成功");
    EXPECT_TRUE(first.closeDialog);
    EXPECT_EQ(link.controller("127.0.0.70").timeoutMs, 1000u);
    const ConnectOutcome second = logic.connectEthernet("127.0.0.70");
    EXPECT_EQ(second.kind, Kind::Exists);
    EXPECT_EQ(second.message, "当前连接已经存在！");
    EXPECT_EQ(state.connectionCount, 1);
    EXPECT_EQ(link.opened.size(), 1u);
}

TEST_F(ConnectLogicTest, EnglishModeStaysOpenAndTheNextConnectUsesTheNextSlot)
{
    state.language = 0;
    link.add("127.0.0.70");
    link.add("PCI1", VXC_LINK_PCI);
    const ConnectOutcome first = logic.connectEthernet("127.0.0.70");
    EXPECT_EQ(first.title, "Connect Success");
    EXPECT_FALSE(first.closeDialog);
    EXPECT_TRUE(link.controller("127.0.0.70").calls.empty()); // no timeout set
    EXPECT_EQ(logic.connectPci("PCI1").kind, Kind::Connected);
    EXPECT_EQ(state.connectionCount, 2);
    EXPECT_EQ(state.slots[1].pciName, "PCI1");
    EXPECT_EQ(state.slots[1].linkType, 4);
    EXPECT_THAT(tree.branches, ElementsAre(0, 1));
    ASSERT_EQ(frame.received.size(), 2u);
    EXPECT_EQ(frame.received[1].first, ConnectionCode::RegisterSlot);
    EXPECT_EQ(std::get<int>(frame.received[1].second), 1);
}

TEST_F(ConnectLogicTest, FailedOpenReportsInMessageAndTitle)
{
    state.language = 0;
    const ConnectOutcome outcome = logic.connectEthernet("127.0.0.99");
    EXPECT_EQ(outcome.kind, Kind::Failed);
    EXPECT_EQ(outcome.message, "Connect Failed");
    EXPECT_EQ(outcome.title, "Connect Failed");
    EXPECT_EQ(state.connectionCount, 0);
    EXPECT_EQ(state.slots[0].handle, nullptr);
    state.language = 1;
    EXPECT_EQ(logic.connectPci("PCI4").message, "连接失败");
}

TEST_F(ConnectLogicTest, SerialConnectAndScan)
{
    link.add("COM3", VXC_LINK_SERIAL);
    EXPECT_EQ(logic.scanSerial(38400, 0), std::optional<int>(3));
    const ConnectOutcome outcome = logic.connectSerial(256 + 3, 38400, 0);
    EXPECT_EQ(outcome.kind, Kind::Connected);
    EXPECT_EQ(state.slots[0].comName, "COM3");
    EXPECT_EQ(state.slots[0].linkType, 1);
    // The scanning link was closed before the port was opened again.
    EXPECT_THAT(link.opened, ElementsAre("COM3", "COM3"));
    EXPECT_EQ(logic.connectSerial(3, 38400, 0).kind, Kind::Exists);
}

TEST_F(ConnectLogicTest, ScanWithoutAnswerFindsNothing)
{
    EXPECT_FALSE(logic.scanSerial(9600, 2).has_value());
    EXPECT_EQ(logic.scanFailed().title, "");
}

TEST_F(ConnectLogicTest, ListsOnlyWhatIsNotListedYet)
{
    EXPECT_THAT(logic.newSerialPorts({1}), ElementsAre(3));
    link.searchResult = "127.0.0.70 127.0.0.71";
    EXPECT_THAT(logic.newNetworkControllers({"127.0.0.70"}), ElementsAre("127.0.0.71"));
    link.pciCards = 2;
    EXPECT_THAT(logic.newPciCards({"PCI1"}), ElementsAre("PCI2"));
}

TEST_F(ConnectLogicTest, FailedSearchLeavesThePciListAlone)
{
    link.pciCards = 2;
    link.searchCode = VXC_ERR_TIMEOUT;
    EXPECT_TRUE(logic.newPciCards({}).empty());
    EXPECT_TRUE(logic.newNetworkControllers({}).empty());
}

TEST_F(ConnectLogicTest, FullRegistryIsRefusedBeforeOpening)
{
    state.connectionCount = kMaxConnections;
    link.add("127.0.0.70");
    EXPECT_EQ(logic.connectEthernet("127.0.0.70").kind, Kind::Full);
    link.add("COM3", VXC_LINK_SERIAL);
    const std::optional<ConnectOutcome> scan = logic.refuseWhenFull();
    ASSERT_TRUE(scan.has_value());
    EXPECT_EQ(scan->message, registry.registryFullText());
    EXPECT_FALSE(logic.scanSerial(38400, 0).has_value());
    EXPECT_TRUE(link.opened.empty());
    state.connectionCount = kMaxConnections - 1;
    EXPECT_FALSE(logic.refuseWhenFull().has_value());
}

TEST(IpSet, DroppedLinkCountsAsSuccess)
{
    ScriptedLink link;
    auto& controller = link.add("127.0.0.70");
    const ControllerHandle handle = link.handleOf("127.0.0.70");
    EXPECT_EQ(setControllerIp(handle, "127.0.0.80").message, "修改IP成功,请重新上电!");
    EXPECT_EQ(controller.sent.back(), "IP_ADDRESS = 127.0.0.80");
    controller.codes["IP_ADDRESS = 127.0.0.81"] = VXC_ERR_CONNECTION_LOST;
    EXPECT_EQ(setControllerIp(handle, "127.0.0.81").message, "修改IP成功,请重新上电!");
    controller.codes["IP_ADDRESS = x"] = VXC_ERR_TIMEOUT;
    EXPECT_EQ(setControllerIp(handle, "x").message, "修改失败，请重新设置!");
    EXPECT_EQ(setControllerIp(nullptr, "1").message, "修改失败，请重新设置!");
}

TEST(KrxDownload, NeedsAFileAndSetsTheTimeoutEitherWay)
{
    ScriptedLink link;
    auto& controller = link.add("127.0.0.70");
    const ControllerHandle handle = link.handleOf("127.0.0.70");
    KrxDownload krx;
    EXPECT_EQ(krx.download(handle, KrxDownload::Target::Ram), "Please Choose Krx File!");
    EXPECT_TRUE(controller.calls.empty());

    krx.choose("/tmp/app.krx");
    EXPECT_EQ(krx.download(handle, KrxDownload::Target::Rom),
              "Download to flash success, start Running!\r\n");
    EXPECT_THAT(controller.calls,
                ElementsAre("VXC_DownKrx:/tmp/app.krx", "VXC_Resume", "VXC_SetTimeOut"));
    EXPECT_EQ(controller.timeoutMs, 5000u);

    controller.calls.clear();
    krx.choose("/tmp/missing.krx");
    EXPECT_EQ(krx.download(handle, KrxDownload::Target::Ram), "Download Failed!");
    EXPECT_THAT(controller.calls,
                ElementsAre("VXC_DownKrxToRamAndRun:/tmp/missing.krx", "VXC_SetTimeOut"));

    krx.choose(std::nullopt); // cancelled dialog
    EXPECT_EQ(krx.download(handle, KrxDownload::Target::Ram), "Please Choose Krx File!");
}

} // namespace
} // namespace korvan::shell
