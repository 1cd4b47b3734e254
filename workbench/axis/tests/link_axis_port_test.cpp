// The axis operations through the command library against the recording fake link.
#include "workbench/axis/axis_table_ops.h"
#include "workbench/axis/link_axis_port.h"
#include "workbench/axis/reciprocation_pump.h"
#include "workbench/axis/single_axis_logic.h"

#include "testing/fakelink/fake_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace korvan::axis {
namespace {

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

class Messages final : public PanelMessages
{
public:
    void inform(const std::string& text) final { shown.push_back(text); }
    bool confirmOkCancel(const std::string&) final { return true; }
    std::vector<std::string> shown;
};

TEST_F(LinkPort, JogAndReciprocationTextsReachTheLinkDirect)
{
    auto memory = std::make_unique<AxisPanelMemory>();
    ComparatorRegistry comparators;
    Messages messages;
    SingleAxisLogic logic(*table, *memory, comparators, messages);
    link.reply("?MTYPE(0)", "0");
    logic.activate(&port, 0, 0, 1);
    logic.loadFromController();
    link.clearCalls();
    logic.pressDirection(true);
    logic.releaseDirection();
    EXPECT_THAT(link.sent(),
                ElementsAre(Direct("SPEED(0)=100.000000"), Direct("SRAMP(0)=0.000000"),
                            Direct("ACCEL(0)=1000.000000"), Direct("DECEL(0)=1000.000000"),
                            Direct("VMOVE(1) AXIS(0)"), Direct("CANCEL(2) AXIS(0)")));
    link.reply("?REMAIN_BUFFER(1) AXIS(0)", "64");
    logic.fields().absoluteMode = 1;
    ASSERT_TRUE(logic.startReciprocation());
    link.clearCalls();
    SlotPorts ports{};
    ports[0] = &port;
    ReciprocationPump::tick(ports, *memory);
    EXPECT_THAT(link.sent(), ElementsAre(Direct("?REMAIN_BUFFER(1) AXIS(0)"),
                                         Direct("MOVEABS(0.000000) AXIS(0)"),
                                         Direct("MOVEABS(100.000000) AXIS(0)")));
    const auto moves = link.calls("VXC_DirectCommand");
    EXPECT_FALSE(moves[1].outputGiven) << "moves are queued without a reply buffer";
}

} // namespace
} // namespace korvan::axis
