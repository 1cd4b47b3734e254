// The axis parameter grid's logic against the scripted port: cell texts,
// which cells a poll rewrites, the editors' commits and the click rules.
#include "workbench/axis/axis_para_grid.h"
#include "workbench/axis/tests/fake_axis_port.h"
#include "workbench/axis/tests/file_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace korvan::axis {
namespace {

using ::testing::ElementsAre;
using testing::FakeAxisPort;
using ::testing::IsEmpty;
using testing::NoDefaultsFile;

TEST(TrimmedNumber, CutsTrailingZerosAndThePoint)
{
    struct Case
    {
        float value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {100.0f, 3, "100"},       {0.125f, 3, "0.125"}, {100.5f, 3, "100.5"},
        {0.00001f, 3, "0"},       {0.00001f, 4, "0"},   {-200000000.0f, 3, "-200000000"},
        {1000.25f, 4, "1000.25"}, {10.0f, 4, "10"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrimmedNumber(c.value, c.decimals), c.text) << c.value;
}

// Two real axes of eight, with the values the edge cases need.
class GridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        port.counts = ControllerCounts{8, 2, 16};
        port.blocks["ATYPE"] = {8, 65};
        port.blocks["SPEED"] = {100.5f, 0.00001f};
        port.blocks["INVERT_STEP"] = {1, 5};
        port.stepFirst = {2, 0};
        port.stepSecond = {0, 5};
        port.encoderFirst = {3, 1};
        port.encoderSecond = {4, 1};
        ASSERT_TRUE(grid.build(&port, 0, NoDefaultsFile()));
        port.log.clear();
    }

    FakeAxisPort port;
    std::unique_ptr<AxisTable> table = std::make_unique<AxisTable>();
    AxisParaGrid grid{*table};
};

TEST_F(GridTest, BuildShowsOneColumnPerRealAxisWithTheBuildTexts)
{
    EXPECT_EQ(grid.axisCount(), 2);
    EXPECT_EQ(AxisParaGrid::header(1), "axis1");
    EXPECT_EQ(AxisParaGrid::caption(10, 0), "STEP_RADIO");
    EXPECT_EQ(AxisParaGrid::caption(17, 1), "使能输出OUT");
    EXPECT_EQ(grid.cell(0, 0), "8-Other");
    EXPECT_EQ(grid.cell(0, 1), "65-ECAT CSP");
    EXPECT_EQ(grid.cell(3, 0), "100.5");
    EXPECT_EQ(grid.cell(3, 1), "0");
    EXPECT_EQ(grid.cell(12, 0), "Other(1)");
    EXPECT_EQ(grid.cell(12, 1), "5-double-pulse mode Negative direction");
    // A ratio with a zero term is 1/1, in the table too.
    EXPECT_EQ(grid.cell(10, 0), "1/1");
    EXPECT_EQ(grid.cell(10, 1), "1/1");
    EXPECT_FLOAT_EQ(table->at(AxisRow::StepRatio2, 1), 1.0f);
    EXPECT_EQ(grid.cell(11, 0), "3/4");
    // The output rows come from the range reader, -1 when it has nothing.
    EXPECT_EQ(grid.cell(17, 0), "0");
    EXPECT_EQ(grid.cell(4, 0), "0");
}

TEST_F(GridTest, PollRewritesOnlyCellsWhoseNumberDiffers)
{
    // "8-Other" starts with its own code and stays; "Other(1)" and the
    // 0.00001 shown as 0 differ from their values on every tick.
    for (int tick = 0; tick < 2; ++tick) {
        EXPECT_THAT(grid.poll(&port), ElementsAre(GridCell{3, 1}, GridCell{12, 0})) << tick;
        EXPECT_EQ(grid.cell(3, 1), "0");
        EXPECT_EQ(grid.cell(12, 0), "Other(1)");
        EXPECT_EQ(grid.cell(0, 0), "8-Other");
    }
    // Two exchanges per polled row: the specification, then the block.
    EXPECT_EQ(port.log.size(), 2u * 2u * kPolledGridRows.size());
    EXPECT_EQ(port.log[0], "read spec");
    EXPECT_EQ(port.log[1], "read ?*ATYPE");

    port.blocks["SPEED"] = {250.125f, 0.00001f};
    port.blocks["ATYPE"] = {8, 3};
    EXPECT_THAT(grid.poll(&port),
                ElementsAre(GridCell{0, 1}, GridCell{3, 0}, GridCell{3, 1}, GridCell{12, 0}));
    EXPECT_EQ(grid.cell(0, 1), "3-Encoder Axis");
    EXPECT_EQ(grid.cell(3, 0), "250.125");
    EXPECT_FLOAT_EQ(table->at(AxisRow::Speed, 0), 250.125f);
}

TEST_F(GridTest, PollSkipsRowsTheControllerDoesNotAnswer)
{
    port.counts.reset();
    EXPECT_THAT(grid.poll(&port), IsEmpty());
    EXPECT_THAT(grid.poll(nullptr), IsEmpty());
    EXPECT_EQ(grid.cell(12, 0), "Other(1)");
}

TEST_F(GridTest, EditCommits)
{
    struct Case
    {
        int row;
        int axis;
        const char* typed;
        bool accepted;
        const char* cell;
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {10, 0, "2/0", true, "1/1", {"base(0)\r\nSTEP_RATIO(1,1)"}},
        {10, 1, "7", true, "1/1", {"base(1)\r\nSTEP_RATIO(1,1)"}},
        {10, 0, "3/70000", true, "3/70000", {}}, // the setter refuses the term
        {11, 1, "-5/3", true, "-5/3", {"base(1)\r\nENCODER_RATIO(-5,3)"}},
        {3, 0, "1e3", false, "100.5", {}},
        {3, 0, "250.5", true, "250.5", {"SPEED(0)=250.500000"}},
        {3, 1, "", true, "", {"SPEED(1)=0.000000"}},
        {13, 1, "-1", true, "-1", {"DATUM_IN(1)=-1"}},
        {15, 0, "2.9", true, "2.9", {"Rev_In(0)=2"}},
        {17, 1, "7", true, "7", {}},
        {18, 0, "-1", true, "-1", {}},
    };
    for (const Case& c : cases) {
        SetUp();
        EXPECT_EQ(grid.commitEdit(&port, c.row, c.axis, c.typed), c.accepted) << c.typed;
        EXPECT_EQ(grid.cell(c.row, c.axis), c.cell) << c.typed;
        EXPECT_EQ(port.commands(), c.sent) << c.typed;
    }
}

TEST_F(GridTest, EditCommitsStoreIntoTheTable)
{
    grid.commitEdit(&port, 10, 0, "2/0");
    EXPECT_FLOAT_EQ(table->at(AxisRow::StepRatio1, 0), 1.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::StepRatio2, 0), 1.0f);
    grid.commitEdit(&port, 11, 0, "70000/3");
    EXPECT_FLOAT_EQ(table->at(AxisRow::EncoderRatio1, 0), 70000.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::EncoderRatio2, 0), 3.0f);
    grid.commitEdit(&port, 17, 1, "7");
    EXPECT_FLOAT_EQ(table->at(AxisRow::EnableOut, 1), 7.0f);
    grid.commitEdit(&port, 18, 1, "9");
    EXPECT_FLOAT_EQ(table->at(AxisRow::ClearOut, 1), 9.0f);
    grid.commitEdit(&port, 13, 1, "2.5");
    EXPECT_FLOAT_EQ(table->at(AxisRow::DatumIn, 1), 2.5f);
    // The list rows are not typed into.
    EXPECT_FALSE(grid.commitEdit(&port, 0, 0, "3"));
    EXPECT_FALSE(grid.commitEdit(&port, 3, 2, "3")); // no such column
}

TEST_F(GridTest, ComboCommits)
{
    struct Case
    {
        int row;
        const char* text;
        int index;
        const char* sent;
    };
    const Case cases[] = {
        {0, "65-ECAT CSP", 3, "ATYPE(1)=65"},
        {0, "1-Pulse Axis", 0, "ATYPE(1)=1"},
        {0, "typed by hand", -1, "ATYPE(1)=0"},
        {12, "0-pulsed mode direction Positive direction", 0, "INVERT_STEP(1)=0"},
        {12, "4-double-pulse mode Positive direction", 2, "INVERT_STEP(1)=4"},
        {12, "7", -1, "INVERT_STEP(1)=0"},
    };
    for (const Case& c : cases) {
        SetUp();
        grid.commitCombo(&port, c.row, 1, c.text, c.index);
        EXPECT_EQ(grid.cell(c.row, 1), c.text);
        EXPECT_THAT(port.commands(), ElementsAre(c.sent));
    }
    // Leaving the cell's own text without picking an item is no edit: the
    // axis type 8 stays 8 instead of becoming 0.
    SetUp();
    EXPECT_FALSE(grid.commitCombo(&port, 0, 0, "8-Other", -1));
    EXPECT_FALSE(grid.commitCombo(&port, 12, 0, "Other(1)", -1));
    EXPECT_THAT(port.commands(), IsEmpty());
    EXPECT_FLOAT_EQ(table->at(AxisRow::Atype, 0), 8);
    EXPECT_TRUE(grid.commitCombo(&port, 0, 0, "8-Other", 1)); // picked, as the list shows it
    EXPECT_THAT(port.commands(), ElementsAre("ATYPE(0)=3"));
    EXPECT_THAT(ComboItems(0, 1), ElementsAre("1-脉冲输出轴", "3-编码器反馈轴", "4-脉冲输出+反馈轴",
                                              "65-ECAT轴 CSP"));
    EXPECT_EQ(ComboItems(12, 0).at(1), "2-pulsed mode direction Negative direction");
}

TEST(AxisParaGrid, ABuildWithoutSpecificationLeavesTheGridEmpty)
{
    FakeAxisPort port;
    port.blocks["ATYPE"] = {1};
    const auto table = std::make_unique<AxisTable>();
    AxisParaGrid grid(*table);
    ASSERT_TRUE(grid.build(&port, 1, NoDefaultsFile()));
    EXPECT_EQ(grid.axisCount(), 4);
    EXPECT_EQ(grid.cell(0, 0), "1-脉冲输出轴");
    port.counts.reset();
    port.log.clear();
    EXPECT_FALSE(grid.build(&port, 1, NoDefaultsFile()));
    EXPECT_EQ(grid.axisCount(), 0);
    EXPECT_THAT(port.log, ElementsAre("read spec"));
    EXPECT_FALSE(grid.build(nullptr, 1, NoDefaultsFile()));
}

TEST(PlanClick, OpensCommitsAndRefocusesAsTheRulesSay)
{
    using E = GridEditor;
    struct Case
    {
        OpenEditor open;
        int row, column;
        ClickPlan plan;
    };
    const Case cases[] = {
        {{E::None, -1, -1}, 3, 1, {false, false, false, E::Edit}},
        {{E::None, -1, -1}, 0, 2, {false, false, false, E::Combo}},
        {{E::Edit, 3, 1}, 3, 1, {false, false, true, E::None}},
        {{E::Edit, 3, 1}, 4, 1, {true, false, false, E::Edit}},
        {{E::Edit, 3, 1}, 12, 1, {true, false, false, E::Combo}},
        {{E::Combo, 0, 2}, 0, 2, {false, false, true, E::None}},
        {{E::Combo, 0, 2}, 0, 1, {false, true, false, E::Combo}},
        {{E::Combo, 12, 2}, 5, 2, {false, true, false, E::Edit}},
        {{E::Edit, 3, 1}, -1, 1, {true, false, false, E::None}},
        {{E::Combo, 0, 1}, 4, 0, {false, true, false, E::None}},
        {{E::None, -1, -1}, 4, 0, {false, false, false, E::None}},
    };
    for (const Case& c : cases) {
        const ClickPlan plan = PlanClick(c.open, c.row, c.column);
        EXPECT_EQ(plan.commitEdit, c.plan.commitEdit) << c.row << "," << c.column;
        EXPECT_EQ(plan.commitCombo, c.plan.commitCombo) << c.row << "," << c.column;
        EXPECT_EQ(plan.focusOpen, c.plan.focusOpen) << c.row << "," << c.column;
        EXPECT_EQ(plan.open, c.plan.open) << c.row << "," << c.column;
    }
}

TEST(GridPollPeriod, SlowerOnSerialLinks)
{
    EXPECT_EQ(GridPollPeriodMs(1), 1000);
    EXPECT_EQ(GridPollPeriodMs(2), 100);
    EXPECT_EQ(GridPollPeriodMs(4), 100);
}

} // namespace
} // namespace korvan::axis
