#include "workbench/shell/resource_tree_logic.h"
#include "workbench/shell/tests/scripted_link.h"
#include "workbench/shell/tests/test_doubles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace korvan::shell {
namespace {

using ::testing::ElementsAre;
using namespace korvan::shell::fakes;

std::vector<std::string> texts(const RecordingSink& sink)
{
    std::vector<std::string> all;
    for (const SinkItem& item : sink.items)
        all.push_back(item.text);
    return all;
}

class ResourceTreeTest : public ::testing::Test
{
protected:
    ScriptedLink link;
    ConnectionSlot slot;
    RecordingSink sink;
    ScriptedController* controller = nullptr;
    void SetUp() override
    {
        controller = &link.add("127.0.0.70");
        controller->spec = specRecord(4, 16);
        slot.handle = link.handleOf("127.0.0.70");
        slot.ipName = "127.0.0.70";
    }
};

TEST_F(ResourceTreeTest, LocalAxesAndModuleAxesWithTheirAddresses)
{
    controller->cards = {childCard(2, 2)};
    buildBranch(slot, 1, 0, sink);
    EXPECT_THAT(texts(sink), ElementsAre("Local", "Axis0", "Axis1", "Axis2", "Axis3", "CanId2",
                                         "Axis4", "Axis5"));
    EXPECT_THAT(controller->sent,
                ElementsAre("AXIS_ADDRESS(4)=2", "ATYPE(4)=8", "AXIS_ADDRESS(5)=34", "ATYPE(5)=8"));
    EXPECT_EQ(sink.items[0].data, 2'001'000);
    EXPECT_EQ(sink.items[0].image, TreeImage::LocalGroup);
    EXPECT_EQ(sink.items[1].data, 2'001'001);
    EXPECT_EQ(sink.items[1].image, TreeImage::Axis);
    EXPECT_EQ(sink.items[5].data, 2'002'000);
    EXPECT_EQ(sink.items[5].image, TreeImage::Module);
    EXPECT_EQ(sink.items[6].data, 2'002'005);
    EXPECT_EQ(sink.items[6].image, TreeImage::ModuleAxis);
    EXPECT_EQ(sink.items[6].parent, 6); // under the module item
}

TEST_F(ResourceTreeTest, ModuleAxesBeyondTheVirtualAxisCountAreLeftOut)
{
    controller->spec = specRecord(4, 5);
    controller->cards = {childCard(2, 2), childCard(3, 1)};
    buildBranch(slot, 0, 0, sink);
    EXPECT_THAT(texts(sink), ElementsAre("Local", "Axis0", "Axis1", "Axis2", "Axis3", "CanId2",
                                         "Axis4", "CanId3"));
    EXPECT_THAT(controller->sent, ElementsAre("AXIS_ADDRESS(4)=2", "ATYPE(4)=8"));
    EXPECT_EQ(sink.items[7].data, 1'003'000);
}

TEST_F(ResourceTreeTest, NoSpecificationMeansNoChildren)
{
    controller->specFails = true;
    buildBranch(slot, 0, 0, sink);
    EXPECT_TRUE(sink.items.empty());
}

TEST_F(ResourceTreeTest, FieldBusFormShowsNodesAfterTheModules)
{
    slot.busType = 1;
    controller->replies["?Sys_version"] = "V2.1";
    controller->replies["?P_SetNodeNum"] = "3";
    controller->replies["?*P_NodeAxisstart(0,1)"] = "0";
    controller->replies["?*P_NodeAxisnum(0,1)"] = "2";
    controller->replies["?*P_NodeAxisstart(1,1)"] = "2";
    controller->replies["?*P_NodeAxisnum(1,1)"] = "1";
    controller->replies["?*P_NodeAxisstart(2,1)"] = "3";
    controller->replies["?*P_NodeAxisnum(2,1)"] = "1";
    controller->cards = {childCard(0, 1)};
    buildBranch(slot, 0, 0, sink);
    EXPECT_THAT(texts(sink), ElementsAre("Local", "Axis0", "Axis1", "CanId0", "Axis2", "Node0",
                                         "Axis2", "Node1", "Axis3"));
    EXPECT_EQ(sink.items[5].data, 1'000'000 + 2000 + 1000 * 1 + 0);
    EXPECT_EQ(sink.items[7].data, 1'000'000 + 2000 + 1000 * 1 + 1000);
    EXPECT_EQ(sink.items[8].data, 1'004'004);
}

TEST_F(ResourceTreeTest, FieldBusWithoutBasProgramUsesThePlainForm)
{
    slot.busType = 1;
    controller->replies["?Sys_version"] = "a reply that is far too long";
    buildBranch(slot, 0, 0, sink);
    EXPECT_THAT(texts(sink), ElementsAre("Local", "Axis0", "Axis1", "Axis2", "Axis3"));
}

TEST_F(ResourceTreeTest, ConnectionTextByLinkType)
{
    EXPECT_EQ(connectionItemText(slot), std::optional<std::string>("127.0.0.70"));
    ConnectionSlot none;
    EXPECT_FALSE(connectionItemText(none).has_value());
}

TEST(TreeSelection, DecodesEveryKindOfItem)
{
    // Axis 5 under the module of CAN id 2 of the second connection.
    const SelectionRequest axis = decodeSelection(2'002'006, "Axis5", "CanId2");
    EXPECT_EQ(axis.slot, 1);
    EXPECT_EQ(axis.code, ConnectionCode::ShowAxis);
    EXPECT_EQ(std::get<AxisSelection>(axis.param), (AxisSelection{2, 2, 5}));

    const SelectionRequest module = decodeSelection(2'002'000, "CanId2", "127.0.0.70");
    EXPECT_EQ(module.code, ConnectionCode::ShowIo);
    EXPECT_EQ(std::get<IoSelection>(module.param), (IoSelection{2, 2}));

    const SelectionRequest connection = decodeSelection(3'000'000, "PCI1", "");
    EXPECT_EQ(connection.slot, 2);
    EXPECT_EQ(connection.code, ConnectionCode::ShowTabs);

    const SelectionRequest local = decodeSelection(1'001'000, "Local", "127.0.0.70");
    EXPECT_EQ(std::get<IoSelection>(local.param), (IoSelection{1, 0}));

    const SelectionRequest nodeAxis = decodeSelection(1'004'004, "Axis3", "Node12");
    EXPECT_EQ(std::get<AxisSelection>(nodeAxis.param), (AxisSelection{3, 12, 3}));
}

TEST(TreeSelection, GroupTexts)
{
    EXPECT_EQ(decodeGroupText("Local"), (IoSelection{1, 0}));
    EXPECT_EQ(decodeGroupText("CanId17"), (IoSelection{2, 17}));
    EXPECT_EQ(decodeGroupText("CanIdx"), (IoSelection{2, 0}));
    EXPECT_EQ(decodeGroupText("Node3"), (IoSelection{3, 3}));
    EXPECT_EQ(decodeGroupText("other"), (IoSelection{0, 0}));
}

} // namespace
} // namespace korvan::shell
