// The axis operations through the command library against the recording fake link.
#include "workbench/axis/axis_table_ops.h"
#include "workbench/axis/link_axis_port.h"
#include "workbench/axis/reciprocation_pump.h"
#include "workbench/axis/single_axis_logic.h"
#include "workbench/axis/slot_link_ports.h"

#include "workbench/axis/tests/recorded_messages.h"

#include "testing/fakelink/fake_link.h"

#include <filesystem>
#include <fstream>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace korvan::axis {
namespace {

using testing::RecordedMessages;

using korvan::testing::Buffered;
using korvan::testing::Direct;
using korvan::testing::FakeLink;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::array<uint8_t, VXC_SPEC_RECORD_SIZE> SpecRecord(int virtualAxes, int realAxes, int inputs)
{
    std::array<uint8_t, VXC_SPEC_RECORD_SIZE> record{};
    record[4] = static_cast<uint8_t>(virtualAxes & 0xFF);
    record[5] = static_cast<uint8_t>(virtualAxes >> 8);
    record[6] = static_cast<uint8_t>(realAxes);
    record[8] = static_cast<uint8_t>(inputs);
    return record;
}

HardwareDefaultsFile NoDefaultsFile()
{
    return {"/nonexistent/AxisInit.xml", [](const std::string&, const std::string&) {}};
}

class LinkPort : public ::testing::Test
{
protected:
    FakeLink link;
    LinkAxisPort port{link.handle()};
    std::unique_ptr<AxisTable> table = std::make_unique<AxisTable>();
};

TEST_F(LinkPort, SpecificationReadsTheLittleEndianCounts)
{
    link.setSpecRecord(SpecRecord(300, 6, 24));
    const auto counts = port.specification();
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->virtualAxes, 300);
    EXPECT_EQ(counts->realAxes, 6);
    EXPECT_EQ(counts->localInputs, 24);
}

TEST_F(LinkPort, LoadSendsTheBlockQueriesAndRatioReaders)
{
    link.setSpecRecord(SpecRecord(2, 2, 0));
    link.reply("?*ATYPE", "1 65\r\n");
    link.reply("?*SET", "STEP_RATIO: 1~2 3~4 ENCODER_RATIO: 5~6 0~7");
    link.reply("?*ENABLE_OUT(0,2)", "8 9");
    link.reply("?*CLEAR_OUT(0,2)", "10 11");
    link.defaultReply("0");
    LoadAxisTable(port, *table, NoDefaultsFile());
    EXPECT_THAT(link.commands(),
                ElementsAre("?*ATYPE", "?*UNITS", "?*LSPEED", "?*SPEED", "?*ACCEL", "?*DECEL",
                            "?*FASTDEC", "?*SRAMP", "?*FS_LIMIT", "?*RS_LIMIT", "?*SET",
                            "?*INVERT_STEP", "?*DATUM_IN", "?*FWD_IN", "?*REV_IN", "?*ALM_IN",
                            "?*SET", "?*ENABLE_OUT(0,2)", "?*CLEAR_OUT(0,2)"));
    EXPECT_FLOAT_EQ(table->at(AxisRow::Atype, 1), 65.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::StepRatio1, 1), 3.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::StepRatio2, 1), 4.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::EncoderRatio1, 0), 5.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::EncoderRatio2, 1), 7.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::ClearOut, 1), 11.0f);
}

TEST_F(LinkPort, RatioReadsKeepTheAxesTheReplyDoesNotHold)
{
    std::array<float, 4> first{9, 9, 9, 9}, second{9, 9, 9, 9};
    link.reply("?*SET", "ENCODER_RATIO: 1~2 STEP_RATIO: 3~4");
    EXPECT_EQ(port.readStepRatios(first, second), 30001);
    EXPECT_THAT(first, ElementsAre(9, 9, 9, 9));
    EXPECT_EQ(port.readEncoderRatios(first, second), 0);
    EXPECT_THAT(first, ElementsAre(1, 9, 9, 9));
    EXPECT_THAT(second, ElementsAre(2, 9, 9, 9));
    EXPECT_THAT(link.sent(), ElementsAre(Buffered("?*SET"), Buffered("?*SET")));
}

TEST_F(LinkPort, SendUsesDirectSettersBufferedRatiosAndThePerValueWriter)
{
    link.setSpecRecord(SpecRecord(8, 1, 0));
    table->set(AxisRow::StepRatio1, 0, 2.0f);
    table->set(AxisRow::StepRatio2, 0, 3.0f);
    table->set(AxisRow::ClearOut, 0, 5.0f);
    SendAxisTable(port, *table);
    const auto sent = link.sent();
    EXPECT_THAT(sent, Contains(Direct("ATYPE(0)=0")));
    EXPECT_THAT(sent, Contains(Buffered("base(0)\r\nSTEP_RATIO(2,3)")));
    EXPECT_THAT(sent, Contains(Buffered("base(0)\r\nENCODER_RATIO(0,0)")));
    EXPECT_THAT(sent, Contains(Direct("Rev_In(0)=0")));
    EXPECT_THAT(sent, Contains(Direct("CLEAR_OUT(0) =  5.000000 ")));
}

TEST_F(LinkPort, ResetClearsInputInversionOfModules)
{
    link.setSpecRecord(SpecRecord(4, 4, 1));
    std::array<uint8_t, VXC_CHILD_CARD_SIZE> card{};
    card[4] = 1;
    card[6] = 2;
    link.addChildCard(card);
    ResetAxisTable(port, *table, NoDefaultsFile());
    EXPECT_THAT(link.sent(), ElementsAre(Buffered("INVERT_IN(0,0)"), Buffered("INVERT_IN(32,0)"),
                                         Buffered("INVERT_IN(33,0)")));
}

TEST_F(LinkPort, FileAndRomCallsReachTheLinkWithTheirTexts)
{
    link.reply("?INVERT_IN(3)", "1\r\n");
    link.reply("?INVERT_IN(4)", "", 3400);
    link.reply("?NODE_COUNT(0)", "4\r\n");
    EXPECT_EQ(port.invertIn(3), 1);
    EXPECT_EQ(port.invertIn(4), std::nullopt);
    EXPECT_EQ(port.nodeCount(0), 4);
    EXPECT_THAT(link.sent(), ElementsAre(Buffered("?INVERT_IN(3)"), Buffered("?INVERT_IN(4)"),
                                         Buffered("?NODE_COUNT(0)")));

    const std::filesystem::path bas = ::testing::TempDir() + "link_port_rom.Bas";
    std::ofstream(bas) << "SPEED=1\r\n";
    link.setKpjTexts("/p/first.kpj", "/p");
    RomProject project;
    ASSERT_EQ(port.makeProject(bas.string(), project), 0);
    EXPECT_EQ(project.first, "/p/first.kpj");
    EXPECT_EQ(project.second, "/p");
    EXPECT_EQ(port.setTimeout(20000), 0);
    EXPECT_EQ(port.downloadToRom(project), 0);
    EXPECT_EQ(port.resume(), 0);
    const auto downloads = link.calls("VXC_MakeKrxAndDown2");
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_EQ(downloads[0].text, "/p/first.kpj");
    EXPECT_THAT(downloads[0].args, ElementsAre(0, 0));
    EXPECT_EQ(link.calls("VXC_SetTimeOut").at(0).timeoutMs, 20000u);
    EXPECT_EQ(link.calls("VXC_Resume").size(), 1u);
    std::filesystem::remove(bas);
}

// The panel's actions as they reach the link: text, base operation, and
// whether a reply buffer went with them.
class PanelOnLink : public LinkPort
{
protected:
    PanelOnLink() { link.replyPrefix("?MTYPE(", "0"); }

    void show(int axis)
    {
        logic.activate(&port, 0, axis, 1);
        logic.loadFromController();
        link.clearCalls();
    }
    /// The texts the link got without a reply buffer.
    std::vector<std::string> sentWithoutReply() const
    {
        std::vector<std::string> texts;
        for (const auto& call : link.calls())
            if ((call.function == "VXC_DirectCommand" || call.function == "VXC_Execute") &&
                !call.outputGiven)
                texts.push_back(call.text);
        return texts;
    }

    std::unique_ptr<AxisPanelMemory> memory = std::make_unique<AxisPanelMemory>();
    ComparatorRegistry comparators;
    RecordedMessages messages;
    SingleAxisLogic logic{*table, *memory, comparators, messages};
};

struct ActionCase
{
    const char* name;
    int atype;
    std::function<void(SingleAxisLogic&)> action;
    std::vector<korvan::testing::SentCommand> sent;
    std::vector<std::string> withoutReply;
    std::vector<std::string> messages;
};

const std::vector<korvan::testing::SentCommand> kMoveSettings{
    Direct("SPEED(2)=100.000000"), Direct("SRAMP(2)=0.000000"), Direct("ACCEL(2)=1000.000000"),
    Direct("DECEL(2)=1000.000000")};

std::vector<korvan::testing::SentCommand> Then(std::vector<korvan::testing::SentCommand> first,
                                               std::vector<korvan::testing::SentCommand> more)
{
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

std::vector<ActionCase> ActionCases()
{
    const std::string homingPrefix =
        "BASE(2)\r\nAxis_stopreason=0\r\nSpeed=100.000000\r\nCreep=10.000000\r\n";
    return {
        {"JogPressAndRelease",
         1,
         [](SingleAxisLogic& l) {
             l.pressDirection(true);
             l.releaseDirection();
         },
         Then(kMoveSettings, {Direct("VMOVE(1) AXIS(2)"), Direct("CANCEL(2) AXIS(2)")}),
         {},
         {}},
        {"StepReleaseSendsNothing",
         1,
         [](SingleAxisLogic& l) {
             l.setJogMode(false);
             l.fields().stepDistance = 4;
             l.pressDirection(false);
             l.releaseDirection();
         },
         Then(kMoveSettings, {Direct("MOVE(-4.000000) AXIS(2)")}),
         {"MOVE(-4.000000) AXIS(2)"},
         {}},
        {"ControllerHomingIndex8",
         1,
         [](SingleAxisLogic& l) {
             l.fields().homingModeIndex = 8;
             l.fields().originOffset = 3;
             l.startHoming();
         },
         {Direct("SPEED(2)=100.000000"), Direct("CREEP(2)=10.000000"),
          Direct("ACCEL(2)=1000.000000"), Direct("DECEL(2)=1000.000000"),
          Direct("DATUM_OFFSET(2)=0.000000"),
          Direct(homingPrefix + "datum(11)\r\nMove_Para(Speed,2,10.000000)\r\nMOVE(3.000000)"
                                "\r\ndatum(11)")},
         {},
         {}},
        {"BusDriveHomingOnAtype65",
         65,
         [](SingleAxisLogic& l) {
             l.selectHomingSource(1);
             l.fields().homingModeIndex = 35;
             l.fields().originOffset = 2;
             l.startHoming();
         },
         {Direct("SPEED(2)=100.000000"), Direct("CREEP(2)=10.000000"),
          Direct("ACCEL(2)=1000.000000"), Direct("DECEL(2)=1000.000000"),
          Direct("DATUM_OFFSET(2)=2.000000"),
          Direct("AXIS_STOPREASON(2) = 0\r\nDATUM(21,35) AXIS(2)")},
         {},
         {}},
        {"BusDriveHomingOnALocalAxis",
         1,
         [](SingleAxisLogic& l) {
             l.selectHomingSource(1);
             l.startHoming();
         },
         {Direct("SPEED(2)=100.000000"), Direct("CREEP(2)=10.000000"),
          Direct("ACCEL(2)=1000.000000"), Direct("DECEL(2)=1000.000000"),
          Direct("DATUM_OFFSET(2)=0.000000")},
         {},
         {"Unsupported functionality!"}},
        {"LatchOnAtype1IsRefused",
         1,
         [](SingleAxisLogic& l) { l.toggleLatch(); },
         {},
         {},
         {"当前轴类型不支持锁存!"}},
        {"LatchOnAtype4",
         4,
         [](SingleAxisLogic& l) { l.toggleLatch(); },
         {Direct("REGIST(3) AXIS(2)")},
         {"REGIST(3) AXIS(2)"},
         {}},
        {"LinkToItselfIsRefused",
         1,
         [](SingleAxisLogic& l) {
             l.fields().masterAxis = 2;
             l.toggleLink();
         },
         {},
         {},
         {"主从轴设置异常!"}},
        {"LinkToAnotherAxis",
         1,
         [](SingleAxisLogic& l) {
             l.fields().masterAxis = 0;
             l.fields().syncRatio = 0.5f;
             l.toggleLink();
         },
         {Direct("CONNECT(0.500000,0) AXIS(2)")},
         {"CONNECT(0.500000,0) AXIS(2)"},
         {}},
        {"ClearOnABusAxisAsksTheDrive",
         65,
         [](SingleAxisLogic& l) { l.toggleClear(); },
         {Buffered("BASE(2)\r\nDATUM(0)\r\nDRIVE_CLEAR(0)")},
         {},
         {}},
        {"CompareStartsThroughTheBuffer",
         1,
         [](SingleAxisLogic& l) {
             l.fields().comparatorNumber = 3;
             l.fields().compareOutputNumber = 7;
             l.toggleCompare();
         },
         {Buffered("PSWITCH(3,1,2,7,1,0.000000,100.000000)")},
         {},
         {}},
        {"StopAllWithoutReply",
         1,
         [](SingleAxisLogic& l) { l.stopAll(); },
         {Direct("RAPIDSTOP(2)")},
         {"RAPIDSTOP(2)"},
         {}},
        {"ChangeTargetInAbsoluteMode",
         1,
         [](SingleAxisLogic& l) {
             l.fields().absoluteMode = 1;
             l.fields().stepDistance = 12.5f;
             l.changeTarget();
         },
         {Direct("BASE(2)"), Direct("MOVEMODIFY(12.500000)")},
         {"BASE(2)", "MOVEMODIFY(12.500000)"},
         {}},
        {"TriggerThroughTheBuffer",
         1,
         [](SingleAxisLogic& l) { l.trigger(); },
         {Buffered("TRIGGER")},
         {},
         {}},
    };
}

class PanelActionOnLink : public PanelOnLink, public ::testing::WithParamInterface<ActionCase>
{
};

TEST_P(PanelActionOnLink, SendsTheExactTexts)
{
    const ActionCase& c = GetParam();
    table->set(AxisRow::Atype, 2, static_cast<float>(c.atype));
    show(2);
    c.action(logic);
    EXPECT_THAT(link.sent(), ::testing::ElementsAreArray(c.sent));
    EXPECT_THAT(sentWithoutReply(), ::testing::ElementsAreArray(c.withoutReply));
    EXPECT_THAT(messages.shown, ::testing::ElementsAreArray(c.messages));
}

INSTANTIATE_TEST_SUITE_P(Actions, PanelActionOnLink, ::testing::ValuesIn(ActionCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PanelOnLink, ReciprocationQueuesTwoCyclesInOrderThenStops)
{
    show(0);
    link.reply("?REMAIN_BUFFER(1) AXIS(0)", "64");
    logic.fields().absoluteMode = 1;
    logic.fields().cycleCount = 2;
    logic.fields().inPositionDelay = 50;
    ASSERT_TRUE(logic.startReciprocation());
    link.clearCalls();
    SlotPorts ports{};
    ports[0] = &port;
    const std::vector<korvan::testing::SentCommand> cycle{
        Direct("?REMAIN_BUFFER(1) AXIS(0)"), Direct("MOVEABS(0.000000) AXIS(0)"),
        Direct("BASE(0)\r\nMOVE_WA(50)"), Direct("MOVEABS(100.000000) AXIS(0)"),
        Direct("BASE(0)\r\nMOVE_WA(50)")};
    for (int tick = 0; tick < 3; ++tick)
        ReciprocationPump::tick(ports, *memory);
    EXPECT_THAT(link.sent(), ::testing::ElementsAreArray(Then(cycle, cycle)));
    EXPECT_THAT(sentWithoutReply(), Contains("MOVEABS(100.000000) AXIS(0)"));
    EXPECT_EQ(memory->at(0, 0).reciprocationActive, 0);
}

TEST_F(PanelOnLink, CompareOverwriteOkAndCancel)
{
    for (const bool ok : {false, true}) {
        comparators = ComparatorRegistry();
        *memory = AxisPanelMemory();
        show(0);
        logic.fields().comparatorNumber = 3;
        logic.toggleCompare();
        show(1);
        logic.fields().comparatorNumber = 3;
        messages.shown.clear();
        messages.answerOk = ok;
        logic.toggleCompare();
        EXPECT_THAT(messages.shown, ElementsAre("当前比较器已启动，是否覆盖！"));
        EXPECT_EQ(memory->at(0, 0).compareRunning, ok ? 0 : 1) << ok;
        EXPECT_EQ(memory->at(0, 1).compareRunning, ok ? 1 : 0) << ok;
        EXPECT_EQ(comparators.owner(3), ok ? 1 : 0) << ok;
        if (ok)
            EXPECT_THAT(link.sent(),
                        ElementsAre(Buffered("PSWITCH(3,1,1,0,1,0.000000,100.000000)")));
        else
            EXPECT_THAT(link.sent(), IsEmpty());
    }
}

TEST_F(PanelOnLink, ASlotWhoseLinkChangesStopsFeedingItsReciprocation)
{
    SlotLinkPorts slots(*memory);
    ASSERT_EQ(slots.port(0, link.handle()), slots.port(0, link.handle()));
    EXPECT_EQ(slots.port(30, link.handle()), nullptr);
    for (const bool closed : {true, false}) {
        memory->at(0, 4).reciprocationActive = 1;
        memory->at(0, 4).cyclesDone = 3;
        memory->at(1, 4).reciprocationActive = 1;
        ASSERT_NE(slots.port(0, link.handle()), nullptr);
        ASSERT_NE(slots.port(1, link.handle()), nullptr);
        // The link of slot 0 goes away, or another controller takes the slot.
        const ControllerHandle next = closed ? nullptr : link.createHandle();
        AxisPort* port = slots.port(0, next);
        EXPECT_EQ(port == nullptr, closed);
        EXPECT_EQ(memory->at(0, 4).reciprocationActive, 0);
        EXPECT_EQ(memory->at(0, 4).cyclesDone, 0.0f);
        EXPECT_EQ(memory->at(1, 4).reciprocationActive, 1) << "other slots run on";
        if (port) {
            link.clearCalls();
            port->set("SPEED(0)=1");
            EXPECT_EQ(link.calls("VXC_DirectCommand").at(0).handle, next);
            slots.port(0, link.handle());
        }
    }
}

} // namespace
} // namespace korvan::axis
