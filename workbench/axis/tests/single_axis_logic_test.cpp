#include "workbench/axis/single_axis_logic.h"
#include "workbench/axis/tests/fake_axis_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>

namespace korvan::axis {
namespace {

using ::testing::ElementsAre;
using testing::FakeAxisPort;
using ::testing::IsEmpty;

class ScriptedMessages final : public PanelMessages
{
public:
    void inform(const std::string& text) final { shown.push_back(text); }
    bool confirmOkCancel(const std::string& text) final
    {
        asked.push_back(text);
        const bool ok = answers.empty() ? false : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return ok;
    }
    std::vector<std::string> shown;
    std::vector<std::string> asked;
    std::deque<bool> answers;
};

class SingleAxis : public ::testing::Test
{
protected:
    SingleAxis()
    {
        for (int axis = 0; axis < 8; ++axis)
            port.answers["?MTYPE(" + std::to_string(axis) + ")"] = {0, "0"};
    }
    void show(int axis, int language = 1)
    {
        logic.activate(&port, 0, axis, language);
        logic.loadFromController();
        port.log.clear();
    }

    FakeAxisPort port;
    std::unique_ptr<AxisTable> table = std::make_unique<AxisTable>();
    std::unique_ptr<AxisPanelMemory> memory = std::make_unique<AxisPanelMemory>();
    ComparatorRegistry comparators;
    ScriptedMessages messages;
    SingleAxisLogic logic{*table, *memory, comparators, messages};
};

TEST_F(SingleAxis, JogPressSendsTheSettersAndVmoveReleaseCancels)
{
    show(1);
    logic.pressDirection(true);
    logic.releaseDirection();
    EXPECT_THAT(port.commands(),
                ElementsAre("SPEED(1)=100.000000", "SRAMP(1)=0.000000", "ACCEL(1)=1000.000000",
                            "DECEL(1)=1000.000000", "VMOVE(1) AXIS(1)", "CANCEL(2) AXIS(1)"));
    port.log.clear();
    logic.pressDirection(false);
    EXPECT_EQ(port.commands().back(), "VMOVE(-1) AXIS(1)");
}

TEST_F(SingleAxis, FailedReleaseCancelIsSentOnceMore)
{
    show(1);
    port.answers["CANCEL(2) AXIS(1)"] = {3400, ""};
    logic.releaseDirection();
    EXPECT_THAT(port.commands(), ElementsAre("CANCEL(2) AXIS(1)", "CANCEL(2) AXIS(1)"));
}

TEST_F(SingleAxis, StepModeMovesOnPressAndReleaseSendsNothing)
{
    show(0);
    logic.setJogMode(false);
    EXPECT_EQ(logic.captions().jog, "定位");
    logic.fields().stepDistance = 2.5f;
    logic.pressDirection(false);
    EXPECT_EQ(port.commands().back(), "MOVE(-2.500000) AXIS(0)");
    logic.fields().absoluteMode = 1;
    logic.pressDirection(false);
    EXPECT_EQ(port.commands().back(), "MOVEABS(2.500000) AXIS(0)");
    port.log.clear();
    logic.releaseDirection();
    EXPECT_THAT(port.commands(), IsEmpty());
}

TEST_F(SingleAxis, JogCaptionFollowsTheModeOfTheAxisShownInItsLanguage)
{
    show(0);
    logic.setJogMode(false);
    show(1, 0);
    EXPECT_EQ(logic.captions().jog, "JOG") << "axis 1 still jogs";
    show(0, 0);
    EXPECT_EQ(logic.captions().jog, "STEP");
    port.answers["?MTYPE(2)"] = {3400, ""}; // the fields stay those of axis 0
    show(2, 1);
    EXPECT_EQ(logic.captions().jog, "定位");
}

TEST_F(SingleAxis, ControllerHomingIndex8SendsTheTwoPassScript)
{
    show(2);
    logic.fields().homingModeIndex = 8;
    logic.fields().originOffset = 3.0f;
    logic.startHoming();
    EXPECT_THAT(port.commands(),
                ElementsAre("SPEED(2)=100.000000", "CREEP(2)=10.000000", "ACCEL(2)=1000.000000",
                            "DECEL(2)=1000.000000", "DATUM_OFFSET(2)=0.000000",
                            "BASE(2)\r\nAxis_stopreason=0\r\nSpeed=100.000000\r\n"
                            "Creep=10.000000\r\n"
                            "datum(11)\r\nMove_Para(Speed,2,10.000000)\r\nMOVE(3.000000)\r\n"
                            "datum(11)"));
}

TEST_F(SingleAxis, HomingListIndexSelectsTheDatumMode)
{
    // Index 2 is the one-pass mode 13; an index outside the list homes with mode 0.
    for (const auto& [index, ending] :
         std::vector<std::pair<int, std::string>>{{2, "\r\ndatum(13)"}, {16, "\r\ndatum(0)"}}) {
        show(0);
        logic.fields().homingModeIndex = index;
        logic.startHoming();
        const std::string script = port.commands().back();
        EXPECT_EQ(script.substr(script.size() - ending.size()), ending) << index;
    }
}

TEST_F(SingleAxis, BusDriveHomingOnAnEcatAxis)
{
    table->set(AxisRow::Atype, 3, 65.0f);
    show(3);
    logic.selectHomingSource(1);
    logic.fields().homingModeIndex = 35;
    logic.fields().originOffset = -1.5f;
    logic.startHoming();
    const auto commands = port.commands();
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[4], "DATUM_OFFSET(3)=-1.500000");
    EXPECT_EQ(commands[5], "AXIS_STOPREASON(3) = 0\r\nDATUM(21,35) AXIS(3)");
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(SingleAxis, BusDriveHomingOnALocalAxisIsUnsupported)
{
    table->set(AxisRow::Atype, 3, 1.0f);
    show(3);
    logic.selectHomingSource(1);
    logic.startHoming();
    EXPECT_THAT(messages.shown, ElementsAre("Unsupported functionality!"));
}

TEST_F(SingleAxis, LinkedAxisRefusesMotion)
{
    port.answers["?MTYPE(0)"] = {0, "21"};
    show(0, 0);
    EXPECT_TRUE(logic.linked());
    EXPECT_EQ(logic.captions().link, "Stop Link");
    EXPECT_FALSE(logic.captions().linkFieldsEnabled);
    logic.pressDirection(true);
    logic.startHoming();
    EXPECT_FALSE(logic.startReciprocation());
    EXPECT_THAT(port.commands(), IsEmpty());
    EXPECT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0], "轴同步运动中，无法操作!");
}

TEST_F(SingleAxis, LinkToItselfIsRefusedLinkAndUnlinkOtherwise)
{
    show(4);
    logic.fields().masterAxis = 4;
    logic.toggleLink();
    EXPECT_THAT(messages.shown, ElementsAre("主从轴设置异常!"));
    EXPECT_THAT(port.commands(), IsEmpty());
    logic.fields().masterAxis = 0;
    logic.fields().syncRatio = 2.0f;
    logic.toggleLink();
    EXPECT_TRUE(logic.linked());
    EXPECT_EQ(logic.captions().link, "取消同步");
    logic.toggleLink();
    EXPECT_FALSE(logic.linked());
    EXPECT_THAT(port.commands(), ElementsAre("CONNECT(2.000000,0) AXIS(4)", "CANCEL(2) AXIS(4)"));
}

TEST_F(SingleAxis, ReciprocationStartsOnceAndStopClearsTheRunFlags)
{
    show(1);
    logic.fields().reciprocationPosition2 = 50.0f;
    EXPECT_TRUE(logic.startReciprocation());
    EXPECT_EQ(memory->at(0, 1).reciprocationActive, 1);
    EXPECT_FLOAT_EQ(memory->at(0, 1).reciprocationPosition2, 50.0f);
    EXPECT_FALSE(logic.startReciprocation());
    EXPECT_EQ(port.commands().size(), 4u);
    logic.zeroPosition();
    logic.pressDirection(true);
    EXPECT_EQ(port.commands().size(), 4u) << "no zeroing or jogging while reciprocating";
    logic.stopReciprocation();
    EXPECT_EQ(port.commands().back(), "CANCEL(2) AXIS(1)");
    EXPECT_EQ(memory->at(0, 1).reciprocationActive, 0);
    logic.zeroPosition();
    const std::vector<std::string> commands = port.commands();
    EXPECT_THAT(std::vector(commands.end() - 2, commands.end()),
                ElementsAre("MPOS(1)=0.000000", "DPOS(1)=0.000000"));
}

TEST_F(SingleAxis, StopAllClearsEveryAxisOfTheSlotOnSuccess)
{
    show(0);
    memory->at(0, 100).reciprocationActive = 1;
    memory->at(1, 100).reciprocationActive = 1;
    port.answers["RAPIDSTOP(2)"] = {3400, ""};
    logic.stopAll();
    EXPECT_EQ(memory->at(0, 100).reciprocationActive, 1);
    port.answers.erase("RAPIDSTOP(2)");
    logic.stopAll();
    EXPECT_EQ(memory->at(0, 100).reciprocationActive, 0);
    EXPECT_EQ(memory->at(1, 100).reciprocationActive, 1);
}

TEST_F(SingleAxis, CompareOverwriteOkGivesTheComparatorToTheNewAxis)
{
    show(0);
    logic.fields().comparatorNumber = 3;
    logic.toggleCompare();
    EXPECT_EQ(comparators.owner(3), 0);
    show(1);
    logic.fields().comparatorNumber = 3;
    logic.fields().compareOutputNumber = 5;
    messages.answers = {true};
    logic.toggleCompare();
    EXPECT_THAT(messages.asked, ElementsAre("当前比较器已启动，是否覆盖！"));
    EXPECT_EQ(comparators.owner(3), 1);
    EXPECT_EQ(memory->at(0, 0).compareRunning, 0);
    EXPECT_EQ(memory->at(0, 1).compareRunning, 1);
    EXPECT_EQ(logic.captions().compare, "停止位置比较");
    EXPECT_FALSE(logic.captions().compareFieldsEnabled);
    EXPECT_THAT(port.commands(), ElementsAre("PSWITCH(3,1,1,5,1,0.000000,100.000000)"));
    logic.toggleCompare();
    EXPECT_EQ(comparators.owner(3), -1);
    EXPECT_EQ(port.commands().back(), "PSWITCH(3,0,1,5,1,0.000000,100.000000)");
}

TEST_F(SingleAxis, CompareOverwriteCancelChangesNothing)
{
    show(0);
    logic.fields().comparatorNumber = 3;
    logic.toggleCompare();
    show(1);
    logic.fields().comparatorNumber = 3;
    messages.answers = {false};
    logic.toggleCompare();
    EXPECT_EQ(comparators.owner(3), 0);
    EXPECT_EQ(memory->at(0, 0).compareRunning, 1);
    EXPECT_EQ(memory->at(0, 1).compareRunning, 0);
    EXPECT_THAT(port.commands(), IsEmpty());
}

TEST_F(SingleAxis, ComparatorNumberOutOfRangeIsRefused)
{
    show(0);
    for (int number : {16, -1}) {
        logic.fields().comparatorNumber = number;
        logic.toggleCompare();
    }
    EXPECT_THAT(messages.shown, ElementsAre("比较器编号范围超出!", "比较器编号范围超出!"));
    EXPECT_THAT(port.commands(), IsEmpty());
}

TEST_F(SingleAxis, LatchOnAPulseAxisIsRefused)
{
    table->set(AxisRow::Atype, 0, 1.0f);
    show(0);
    logic.toggleLatch();
    EXPECT_THAT(messages.shown, ElementsAre("当前轴类型不支持锁存!"));
    EXPECT_THAT(port.commands(), IsEmpty());
}

TEST_F(SingleAxis, SingleLatchStopsWhenMarkTriggers)
{
    table->set(AxisRow::Atype, 0, 4.0f);
    show(0, 0);
    logic.toggleLatch();
    EXPECT_THAT(port.commands(), ElementsAre("REGIST(3) AXIS(0)"));
    EXPECT_EQ(logic.captions().latch, "Stop regist");
    port.answers["?MARK(0)"] = {0, "-1"};
    port.answers["?MARKB(0)"] = {0, "0"};
    port.answers["?REG_POS(0)"] = {0, "12.25"};
    logic.pollLatch();
    EXPECT_EQ(logic.captions().latchState, "Mark：Trigger\tMarkB：Not Trigger");
    EXPECT_EQ(logic.captions().latchPositions, "Rrg_pos：12.250\tRrg_posB：0.000");
    EXPECT_EQ(memory->at(0, 0).latchRunning, 0);
    EXPECT_EQ(logic.captions().latch, "Start regist");
}

TEST_F(SingleAxis, ContinuousTwoSignalLatchRearmsOnlyWhenBothTrigger)
{
    table->set(AxisRow::Atype, 0, 65.0f);
    show(0);
    logic.setSingleLatch(false);
    EXPECT_EQ(logic.captions().singleLatch, "连续锁存");
    logic.fields().latchModeIndex = 10;
    logic.saveFields();
    logic.toggleLatch();
    port.answers["?MARK(0)"] = {0, "-1"};
    port.log.clear();
    logic.pollLatch();
    EXPECT_THAT(port.commands(), ElementsAre("?MARK(0)", "?MARKB(0)", "?REG_POS(0)"));
    port.answers["?MARKB(0)"] = {0, "-1"};
    port.log.clear();
    logic.pollLatch();
    EXPECT_EQ(port.commands().back(), "REGIST(10) AXIS(0)");
    EXPECT_EQ(memory->at(0, 0).latchRunning, 1);
}

TEST_F(SingleAxis, EnableUsesTheOutputOnLocalAxesAndAxisEnableOnBusAxes)
{
    table->set(AxisRow::EnableOut, 0, 6.0f);
    table->set(AxisRow::Atype, 0, 1.0f);
    show(0);
    logic.toggleEnable();
    logic.toggleEnable();
    EXPECT_THAT(port.commands(), ElementsAre("op(6,1)", "op(6,0)"));
    port.log.clear();
    table->set(AxisRow::Atype, 1, 65.0f);
    table->set(AxisRow::EnableOut, 1, 6.0f);
    show(1);
    logic.toggleEnable();
    EXPECT_THAT(port.commands(), ElementsAre("AXIS_ENABLE(1)=1"));
}

TEST_F(SingleAxis, OneShotRefreshTakesTheOutputNumbersItReads)
{
    // The table still holds 0 from the start when the panel opens first.
    show(2);
    port.blocks["ENABLE_OUT"] = {6};
    port.rangeCodes["CLEAR_OUT"] = 3001;
    logic.refreshOutputNumbers();
    EXPECT_THAT(port.log, ElementsAre("read ?*ENABLE_OUT(2,1)", "read ?*CLEAR_OUT(2,1)"));
    EXPECT_EQ(logic.enableOutput(), 6);
    EXPECT_EQ(logic.clearOutput(), -1);
    EXPECT_FLOAT_EQ(table->at(AxisRow::ClearOut, 2), -1.0f);
    port.log.clear();
    logic.toggleClear(); // no clear output: the drive is asked instead
    logic.toggleEnable();
    EXPECT_THAT(port.commands(), ElementsAre("BASE(2)\r\nDATUM(0)\r\nDRIVE_CLEAR(0)", "op(6,1)"));
}

TEST_F(SingleAxis, ClearOnABusAxisAsksTheDrive)
{
    table->set(AxisRow::Atype, 0, 65.0f);
    show(0);
    logic.toggleClear();
    EXPECT_THAT(port.commands(), ElementsAre("BASE(0)\r\nDATUM(0)\r\nDRIVE_CLEAR(0)"));
}

TEST_F(SingleAxis, LampsFollowTheStatusBitsAndInputs)
{
    table->set(AxisRow::AxisStatus, 0, static_cast<float>(0x10 | 0x20 | 0x8));
    table->set(AxisRow::DatumIn, 0, 4.0f);
    table->set(AxisRow::EnableOut, 0, 2.0f);
    table->set(AxisRow::Atype, 0, 1.0f);
    show(0);
    port.answers["?IN(4)"] = {0, "0"};
    port.answers["?OP(2)"] = {0, "1"};
    LampStates lamps = logic.pollLamps(0);
    EXPECT_TRUE(lamps.negativeLimit);
    EXPECT_TRUE(lamps.positiveLimit);
    EXPECT_TRUE(lamps.servoAlarm);
    EXPECT_EQ(lamps.origin, true);
    EXPECT_TRUE(lamps.enable);
    EXPECT_FALSE(lamps.compareOutput);
    EXPECT_EQ(logic.pollLamps(1).origin, false) << "ECI controllers read the origin high";
    table->set(AxisRow::DatumIn, 0, -1.0f);
    EXPECT_EQ(logic.pollLamps(0).origin, std::nullopt);
}

TEST_F(SingleAxis, SaveKeepsTheRunFlags)
{
    show(0);
    memory->at(0, 0).reciprocationActive = 1;
    logic.fields().moveSpeed = 33.0f;
    logic.fields().reciprocationActive = 0;
    logic.saveFields();
    EXPECT_FLOAT_EQ(memory->at(0, 0).moveSpeed, 33.0f);
    EXPECT_EQ(memory->at(0, 0).reciprocationActive, 1);
}

} // namespace
} // namespace korvan::axis
