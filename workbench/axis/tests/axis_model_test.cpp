#include "workbench/axis/axis_catalogue.h"
#include "workbench/axis/axis_table_ops.h"
#include "workbench/axis/tests/fake_axis_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvan::axis {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using testing::FakeAxisPort;
using ::testing::Not;

// No defaults file: the tests of the table operations look at the table only.
HardwareDefaultsFile NoDefaultsFile()
{
    return {"/nonexistent/AxisInit.xml", [](const std::string&, const std::string&) {}};
}

TEST(AxisPanelMemory, StartsWithTheStartValuesInEverySlot)
{
    const auto memory = std::make_unique<AxisPanelMemory>();
    for (const auto& [slot, axis] : {std::pair{0, 0}, {29, 127}, {7, 64}}) {
        const AxisPanelEntry& entry = memory->at(slot, axis);
        EXPECT_EQ(entry.homingModeIndex, 2);
        EXPECT_FLOAT_EQ(entry.homingCreepSpeed, 10.0f);
        EXPECT_EQ(entry.jogMode, 1);
        EXPECT_FLOAT_EQ(entry.reciprocationPosition2, 100.0f);
        EXPECT_FLOAT_EQ(entry.cycleCount, 1.0f);
        EXPECT_EQ(entry.latchModeIndex, 3);
        EXPECT_EQ(entry.compareOutputState, 1);
        EXPECT_FLOAT_EQ(entry.syncRatio, 1.0f);
    }
}

TEST(TruncateToInt, TruncatesTowardZeroAndSaturates)
{
    EXPECT_EQ(TruncateToInt(-1.9f), -1);
    EXPECT_EQ(TruncateToInt(65535.7f), 65535);
    EXPECT_EQ(TruncateToInt(1e20f), std::numeric_limits<int>::max());
    EXPECT_EQ(TruncateToInt(-1e20f), std::numeric_limits<int>::min());
    EXPECT_EQ(TruncateToInt(std::nanf("")), 0);
}

TEST(AxisTypeText, KnownCodesAndTheOtherFallbacks)
{
    struct Case
    {
        int code;
        AxisTypeFallback fallback;
        int language;
        const char* text;
    };
    const Case cases[] = {
        {1, AxisTypeFallback::CodeThenWord, 0, "1-Pulse Axis"},
        {4, AxisTypeFallback::WordThenCode, 1, "4-脉冲输出+反馈轴"},
        {65, AxisTypeFallback::CodeThenWord, 0, "65-ECAT CSP"},
        {67, AxisTypeFallback::CodeThenWord, 1, "67-ECAT轴 CST"},
        {8, AxisTypeFallback::CodeThenWord, 0, "8-Other"},
        {8, AxisTypeFallback::CodeThenWord, 1, "8-其他"},
        {8, AxisTypeFallback::WordThenCode, 0, "Other(8)"},
        {8, AxisTypeFallback::WordThenCode, 2, "Other(8)"},
        {0, AxisTypeFallback::WordThenCode, 1, "其他(0)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AxisTypeText(c.code, c.fallback, c.language), c.text) << c.code;
}

TEST(PulseModeText, GridAndPanelTexts)
{
    EXPECT_EQ(PulseModeText(2, PulseModeView::Grid, 0),
              "2-pulsed mode direction Negative direction");
    EXPECT_EQ(PulseModeText(2, PulseModeView::Panel, 0),
              "pulsed mode direction Negative direction");
    EXPECT_EQ(PulseModeText(5, PulseModeView::Panel, 1), "5-双脉冲 负方向");
    EXPECT_EQ(PulseModeText(3, PulseModeView::Grid, 0), "Other(3)");
    EXPECT_EQ(PulseModeText(3, PulseModeView::Panel, 1), "其他(3)");
}

TEST(AxisCatalogue, ReverseLimitSetterKeepsItsMixedCase)
{
    EXPECT_STREQ(kAxisParameters[15].setCommand, "Rev_In(%d)=%d");
    EXPECT_EQ(kAxisParameters[17].row, AxisRow::EnableOut);
    EXPECT_EQ(kAxisParameters[18].row, AxisRow::ClearOut);
}

class AxisTableOps : public ::testing::Test
{
protected:
    FakeAxisPort port;
    std::unique_ptr<AxisTable> table = std::make_unique<AxisTable>();
};

TEST_F(AxisTableOps, ResetOnEightAxesLeavesTheNinthAlone)
{
    table->set(AxisRow::FsLimit, 8, 5.0f);
    table->set(AxisRow::Dpos, 0, 42.0f);
    port.counts = ControllerCounts{8, 4, 2};
    ResetAxisTable(port, *table, NoDefaultsFile());
    for (int axis = 0; axis < 8; ++axis) {
        EXPECT_FLOAT_EQ(table->at(AxisRow::FsLimit, axis), 200000000.0f);
        EXPECT_FLOAT_EQ(table->at(AxisRow::RsLimit, axis), -200000000.0f);
        EXPECT_FLOAT_EQ(table->at(AxisRow::Units, axis), 1.0f);
        EXPECT_FLOAT_EQ(table->at(AxisRow::StepRatio2, axis), 1.0f);
        EXPECT_FLOAT_EQ(table->at(AxisRow::ClearOut, axis), -1.0f);
        EXPECT_FLOAT_EQ(table->at(AxisRow::Accel, axis), 1000.0f);
    }
    EXPECT_FLOAT_EQ(table->at(AxisRow::FsLimit, 8), 5.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::Dpos, 0), 42.0f) << "status rows are left alone";
}

TEST_F(AxisTableOps, ResetOnTwoHundredAxesStopsAtTheTableWidth)
{
    port.counts = ControllerCounts{200, 4, 0};
    ResetAxisTable(port, *table, NoDefaultsFile());
    EXPECT_FLOAT_EQ(table->at(AxisRow::Speed, 127), 100.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::DatumIn, 127), -1.0f);
}

TEST_F(AxisTableOps, ResetClearsLocalAndExpansionInputInversion)
{
    port.counts = ControllerCounts{4, 4, 2};
    port.cards = {{16, 2}, {48, 1}};
    ResetAxisTable(port, *table, NoDefaultsFile());
    EXPECT_THAT(port.commands(), ElementsAre("INVERT_IN(0,0)", "INVERT_IN(1,0)", "INVERT_IN(16,0)",
                                             "INVERT_IN(17,0)", "INVERT_IN(48,0)"));
}

TEST_F(AxisTableOps, FailedSpecificationChangesNothing)
{
    port.counts.reset();
    table->set(AxisRow::Speed, 0, 7.0f);
    ResetAxisTable(port, *table, NoDefaultsFile());
    SendAxisTable(port, *table);
    LoadAxisTable(port, *table, NoDefaultsFile());
    EXPECT_FLOAT_EQ(table->at(AxisRow::Speed, 0), 7.0f);
    EXPECT_THAT(port.log, ElementsAre("read spec", "read spec", "read spec"));
}

TEST_F(AxisTableOps, SendWritesOneAxisInOrder)
{
    port.counts = ControllerCounts{8, 1, 0};
    ResetAxisTable(port, *table, NoDefaultsFile());
    table->set(AxisRow::Atype, 0, 65.9f);
    table->set(AxisRow::EnableOut, 0, 3.0f);
    port.log.clear();
    SendAxisTable(port, *table);
    EXPECT_THAT(port.commands(),
                ElementsAre("ATYPE(0)=65", "UNITS(0)=1.000000", "LSPEED(0)=0.000000",
                            "SPEED(0)=100.000000", "ACCEL(0)=1000.000000", "DECEL(0)=0.000000",
                            "FASTDEC(0)=0.000000", "SRAMP(0)=0.000000",
                            "FS_LIMIT(0)=200000000.000000", "RS_LIMIT(0)=-200000000.000000",
                            "base(0)\r\nSTEP_RATIO(1,1)", "base(0)\r\nENCODER_RATIO(1,1)",
                            "INVERT_STEP(0)=0", "DATUM_IN(0)=-1", "FWD_IN(0)=-1", "Rev_In(0)=-1",
                            "ALM_IN(0)=-1", "ENABLE_OUT(0) =  3.000000 ",
                            "CLEAR_OUT(0) =  -1.000000 "));
}

TEST_F(AxisTableOps, SendSkipsAZeroStepRatioButSendsAZeroEncoderRatio)
{
    port.counts = ControllerCounts{8, 1, 0};
    table->set(AxisRow::StepRatio1, 0, 0.0f);
    table->set(AxisRow::StepRatio2, 0, 5.0f);
    table->set(AxisRow::EncoderRatio1, 0, 0.0f);
    table->set(AxisRow::EncoderRatio2, 0, 5.0f);
    SendAxisTable(port, *table);
    EXPECT_THAT(port.commands(), Not(Contains("base(0)\r\nSTEP_RATIO(0,5)")));
    EXPECT_THAT(port.commands(), Contains("base(0)\r\nENCODER_RATIO(0,5)"));
}

TEST_F(AxisTableOps, SendCoversOnlyTheRealAxesUpTo128)
{
    port.counts = ControllerCounts{255, 200, 0};
    SendAxisTable(port, *table);
    EXPECT_THAT(port.commands(), Contains("ATYPE(127)=0"));
    EXPECT_THAT(port.commands(), Not(Contains("ATYPE(128)=0")));
}

TEST_F(AxisTableOps, LoadReadsTheRowsAndRatioSections)
{
    port.counts = ControllerCounts{3, 2, 0};
    port.blocks["ATYPE"] = {1, 4};
    port.blocks["SPEED"] = {50};
    port.blocks["ENABLE_OUT"] = {0, 1, 2};
    port.blocks["CLEAR_OUT"] = {5, 6, 7};
    port.stepFirst = {2};
    port.stepSecond = {3};
    port.encoderFirst = {4};
    port.encoderSecond = {9};
    table->set(AxisRow::Atype, 2, 66.0f);
    LoadAxisTable(port, *table, NoDefaultsFile());
    EXPECT_FLOAT_EQ(table->at(AxisRow::Atype, 1), 4.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::Atype, 2), 66.0f) << "a short reply keeps the rest";
    EXPECT_FLOAT_EQ(table->at(AxisRow::Speed, 0), 50.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::StepRatio1, 0), 2.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::StepRatio2, 0), 3.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::EncoderRatio2, 0), 9.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::ClearOut, 2), 7.0f);
    EXPECT_EQ(port.log[1], "read ?*ATYPE");
    EXPECT_EQ(port.log[11], "read ?*SET STEP_RATIO");
    EXPECT_EQ(port.log[17], "read ?*SET ENCODER_RATIO");
    EXPECT_EQ(port.log[18], "read ?*ENABLE_OUT(0,3)");
}

TEST_F(AxisTableOps, FailedOutputReadsFillMinusOneForTheVirtualAxes)
{
    port.counts = ControllerCounts{2, 2, 0};
    port.rangeCodes["ENABLE_OUT"] = 3400;
    port.rangeCodes["CLEAR_OUT"] = 3400;
    table->set(AxisRow::EnableOut, 2, 9.0f);
    LoadAxisTable(port, *table, NoDefaultsFile());
    EXPECT_FLOAT_EQ(table->at(AxisRow::EnableOut, 1), -1.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::ClearOut, 0), -1.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::EnableOut, 2), 9.0f);
    EXPECT_THAT(port.commands(), ::testing::IsEmpty()) << "only 2002 applies the defaults file";
}

} // namespace
} // namespace korvan::axis
