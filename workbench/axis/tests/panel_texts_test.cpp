#include "workbench/axis/panel_texts.h"
#include "workbench/axis/status_list.h"
#include "workbench/axis/tests/fake_axis_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace korvan::axis {
namespace {

using ::testing::ElementsAre;
using testing::FakeAxisPort;
using ::testing::IsEmpty;

TEST(PanelTexts, AxisStatusTakesTheFirstListedBit)
{
    EXPECT_EQ(AxisStatusText(0x10 | 0x20), "正限位报警");
    EXPECT_EQ(AxisStatusText(0x20), "负限位报警");
    EXPECT_EQ(AxisStatusText(0x800000 | 0x400000), "伺服驱动器报警");
    EXPECT_EQ(AxisStatusText(0x1), "正常(1)");
    EXPECT_EQ(AxisStatusText(0), "正常(0)");
}

TEST(PanelTexts, IdleTextsAndUnknownValues)
{
    EXPECT_EQ(IdleText(0, 0), "Moving");
    EXPECT_EQ(IdleText(-1, 1), "停止中");
    EXPECT_EQ(IdleText(5, 0), std::nullopt);
}

TEST(PanelTexts, TrimmedRealsAndRatios)
{
    EXPECT_EQ(TrimmedReal(100.0), "100");
    EXPECT_EQ(TrimmedReal(0.125), "0.125");
    EXPECT_EQ(TrimmedReal(-2.5), "-2.5");
    EXPECT_EQ(TrimmedReal(0.0), "0");
    EXPECT_EQ(RatioText(0, 5), "1/1");
    EXPECT_EQ(RatioText(2, 3), "2/3");
}

TEST(PanelTexts, HomingModesMapToDatumModes)
{
    EXPECT_EQ(DatumModeOfIndex(0), 11);
    EXPECT_EQ(DatumModeOfIndex(7), 19);
    EXPECT_EQ(DatumModeOfIndex(8), 31);
    EXPECT_EQ(DatumModeOfIndex(15), 39);
    EXPECT_EQ(DatumModeOfIndex(16), 0);
    EXPECT_EQ(DatumModeOfIndex(-1), 0);
    EXPECT_STREQ(kLatchModes[5].english, "");
    EXPECT_STREQ(kLatchModes[13].chinese, "R0下降沿+R1下降沿锁存");
}

TEST(PanelTexts, StatusCaptions)
{
    EXPECT_EQ(StatusRowCaption(0, 1), "轴类型");
    EXPECT_EQ(StatusRowCaption(16, 0), "ALM_IN");
    EXPECT_EQ(StatusRowCaption(17, 0), " ");
    EXPECT_EQ(StatusRowCaption(21, 0), "VPSPEED(units/s)");
    EXPECT_EQ(StatusRowCaption(25, 1), "运动类型");
    EXPECT_EQ(StatusValueHeader(3), "axis3");
}

class StatusListRefresh : public ::testing::Test
{
protected:
    void answer(const std::string& command, const std::string& reply)
    {
        port.answers[command] = {0, reply};
    }
    FakeAxisPort port;
    std::unique_ptr<AxisTable> table = std::make_unique<AxisTable>();
    StatusList list;
};

TEST_F(StatusListRefresh, BuildShowsTheTableInTheCurrentLanguage)
{
    table->set(AxisRow::Atype, 2, 8.0f);
    table->set(AxisRow::Speed, 2, 100.0f);
    table->set(AxisRow::Idle, 2, -1.0f);
    list.build(*table, 2, 0);
    EXPECT_EQ(list.row(0).value, "8-Other");
    EXPECT_EQ(list.row(3).value, "100");
    EXPECT_EQ(list.row(10).value, "0.0000");
    EXPECT_EQ(list.row(18).caption, "Axis State");
    EXPECT_EQ(list.row(18).value, "Value");
    EXPECT_EQ(list.row(23).value, "Stop");
    EXPECT_EQ(list.row(24).value, "正常(0)");
    EXPECT_EQ(list.row(17).value, "");
    EXPECT_EQ(list.row(17).itemData, 1);
}

TEST_F(StatusListRefresh, QueriesEveryStatusRowInOrder)
{
    list.build(*table, 1, 1);
    list.refresh(port, *table, 1, 1);
    EXPECT_THAT(port.commands(),
                ElementsAre("?ATYPE(1)", "?UNITS(1)", "?LSPEED(1)", "?SPEED(1)", "?ACCEL(1)",
                            "?DECEL(1)", "?FASTDEC(1)", "?SRAMP(1)", "?FS_LIMIT(1)", "?RS_LIMIT(1)",
                            "?INVERT_STEP(1)", "?DATUM_IN(1)", "?FWD_IN(1)", "?REV_IN(1)",
                            "?ALM_IN(1)", "?DPOS(1)", "?MPOS(1)", "?VP_SPEED(1)", "?MSPEED(1)",
                            "?IDLE(1)", "?AXISSTATUS(1)", "?MTYPE(1)"));
}

TEST_F(StatusListRefresh, RewritesOnlyChangedCells)
{
    list.build(*table, 0, 0);
    answer("?DPOS(0)", "12.5\r\n");
    answer("?AXISSTATUS(0)", "48");
    EXPECT_THAT(list.refresh(port, *table, 0, 0), ElementsAre(19, 24));
    EXPECT_EQ(list.row(19).value, "12.5");
    EXPECT_EQ(list.row(24).value, "正限位报警");
    EXPECT_FLOAT_EQ(table->at(AxisRow::Dpos, 0), 12.5f);
    EXPECT_THAT(list.refresh(port, *table, 0, 0), IsEmpty()) << "same values: nothing rewritten";
    answer("?DPOS(0)", "13");
    EXPECT_THAT(list.refresh(port, *table, 0, 0), ElementsAre(19));
}

TEST_F(StatusListRefresh, FailedOrHostileRepliesLeaveRowAndTable)
{
    list.build(*table, 0, 0);
    table->set(AxisRow::Mpos, 0, 4.0f);
    port.answers["?MPOS(0)"] = {3400, ""};
    answer("?SPEED(0)", "abc");
    answer("?UNITS(0)", "");
    EXPECT_THAT(list.refresh(port, *table, 0, 0), IsEmpty());
    EXPECT_FLOAT_EQ(table->at(AxisRow::Mpos, 0), 4.0f);
}

TEST_F(StatusListRefresh, UnknownIdleValueKeepsTheCellText)
{
    table->set(AxisRow::Idle, 0, -1.0f);
    list.build(*table, 0, 0);
    answer("?IDLE(0)", "3");
    EXPECT_THAT(list.refresh(port, *table, 0, 0), ElementsAre(23));
    EXPECT_EQ(list.row(23).value, "Stop");
    EXPECT_FLOAT_EQ(table->at(AxisRow::Idle, 0), 3.0f);
}

TEST_F(StatusListRefresh, ZeroRatioTermShowsOneToOne)
{
    table->set(AxisRow::StepRatio1, 0, 0.0f);
    table->set(AxisRow::StepRatio2, 0, 5.0f);
    table->set(AxisRow::EncoderRatio1, 0, 4.0f);
    table->set(AxisRow::EncoderRatio2, 0, 3.0f);
    list.showRatios(*table, 0);
    EXPECT_EQ(list.row(10).value, "1/1");
    EXPECT_EQ(list.row(11).value, "4/3");
    EXPECT_FLOAT_EQ(table->at(AxisRow::StepRatio2, 0), 1.0f);
}

TEST(StatusPollPeriod, SerialLinksPollEvery300Ms)
{
    EXPECT_EQ(StatusPollPeriodMs(1), 300);
    EXPECT_EQ(StatusPollPeriodMs(2), 100);
    EXPECT_EQ(StatusPollPeriodMs(4), 100);
}

} // namespace
} // namespace korvan::axis
