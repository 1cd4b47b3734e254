// The workbench wrapper set: every family's exact text, base operation and
// argument checks, for whichever build this suite links.
#include "cmdlib/axis.h"
#include "cmdlib/bus.h"
#include "cmdlib/controller_data.h"
#include "cmdlib/error_codes.h"
#include "cmdlib/io.h"
#include "cmdlib/motion.h"
#include "cmdlib/tests/wrapper_case.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace korvan::cmd;
using namespace korvan::testing;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using wrapper_case::Case;
using wrapper_case::sep;

namespace {

constexpr bool kScope = KORVAN_CMD_IS_SCOPE;

class WorkbenchSetTest : public ::testing::TestWithParam<Case>
{
protected:
    FakeLink link;
};

TEST_P(WorkbenchSetTest, SendsExactTextThroughItsBaseOperation)
{
    link.defaultReply("1");
    EXPECT_EQ(GetParam().call(link.handle()), 0);
    EXPECT_THAT(link.sent(), ElementsAreArray(GetParam().expected));
}

int32_t i32;
float f32;

std::vector<Case> setterCases()
{
    return {
        {"Accel", [](auto h) { return SetAccel(h, 128, 2.5f); }, {Direct("ACCEL(128)=2.500000")}},
        {"Creep", [](auto h) { return SetCreep(h, 1, 1); }, {Direct("CREEP(1)=1.000000")}},
        {"DatumOffset",
         [](auto h) { return SetDatumOffset(h, 1, -1); },
         {Direct("DATUM_OFFSET(1)=-1.000000")}},
        {"Decel", [](auto h) { return SetDecel(h, 2, 3); }, {Direct("DECEL(2)=3.000000")}},
        {"DecelAngle",
         [](auto h) { return SetDecelAngle(h, 2, 0.12345f); },
         {Direct("DECEL_ANGLE(2)=0.123")}},
        {"Dpos", [](auto h) { return SetDpos(h, 0, 0); }, {Direct("DPOS(0)=0.000000")}},
        {"FastDec", [](auto h) { return SetFastDec(h, 0, 9); }, {Direct("FASTDEC(0)=9.000000")}},
        {"FsLimit", [](auto h) { return SetFsLimit(h, 0, 9); }, {Direct("FS_LIMIT(0)=9.000000")}},
        {"FullSpRadius",
         [](auto h) { return SetFullSpRadius(h, 0, 1); },
         {Direct("FULL_SP_RADIUS(0)=1.000000")}},
        {"Lspeed", [](auto h) { return SetLspeed(h, 0, 1); }, {Direct("LSPEED(0)=1.000000")}},
        {"Mpos", [](auto h) { return SetMpos(h, 0, 1); }, {Direct("MPOS(0)=1.000000")}},
        {"RsLimit", [](auto h) { return SetRsLimit(h, 0, -9); }, {Direct("RS_LIMIT(0)=-9.000000")}},
        {"Speed", [](auto h) { return SetSpeed(h, 3, 100); }, {Direct("SPEED(3)=100.000000")}},
        {"Sramp", [](auto h) { return SetSramp(h, 3, 10); }, {Direct("SRAMP(3)=10.000000")}},
        {"StopAngle",
         [](auto h) { return SetStopAngle(h, 3, 1); },
         {Direct("STOP_ANGLE(3)=1.000000")}},
        {"Units", [](auto h) { return SetUnits(h, 3, 1000); }, {Direct("UNITS(3)=1000.000000")}},
        {"Zsmooth", [](auto h) { return SetZsmooth(h, 3, 1); }, {Direct("ZSMOOTH(3)=1.000000")}},
        {"AlmIn", [](auto h) { return SetAlmIn(h, 1, -1); }, {Direct("ALM_IN(1)=-1")}},
        {"DatumIn", [](auto h) { return SetDatumIn(h, 1, 5); }, {Direct("DATUM_IN(1)=5")}},
        {"FwdIn", [](auto h) { return SetFwdIn(h, 1, 6); }, {Direct("FWD_IN(1)=6")}},
        {"InvertStep", [](auto h) { return SetInvertStep(h, 1, 1); }, {Direct("INVERT_STEP(1)=1")}},
        {"RevIn", [](auto h) { return SetRevIn(h, 1, 7); }, {Direct("Rev_In(1)=7")}},
        {"NamedValue",
         [](auto h) { return SetNamedValue(h, "P_BusCmd", 2); },
         {Direct("P_BusCmd = 2.000000")}},
    };
}

std::vector<Case> queryCases()
{
    return {
        {"AxisParameter",
         [](auto h) { return QueryAxisParameter(h, "UNITS", 128, &f32); },
         {Direct("?UNITS(128)")}},
        {"AxisEnable",
         [](auto h) { return QueryAxisEnable(h, 0, &i32); },
         {Direct("?AXIS_ENABLE(0)")}},
        {"Idle", [](auto h) { return QueryIdle(h, 0, &i32); }, {Direct("?IDLE(0)")}},
        {"Mark", [](auto h) { return QueryMark(h, 0, &i32); }, {Direct("?MARK(0)")}},
        {"MarkB", [](auto h) { return QueryMarkB(h, 0, &i32); }, {Direct("?MARKB(0)")}},
        {"MoveCurmark",
         [](auto h) { return QueryMoveCurmark(h, 0, &i32); },
         {Direct("?MOVE_CURMARK(0)")}},
        {"Mtype", [](auto h) { return QueryMtype(h, 0, &i32); }, {Direct("?MTYPE(0)")}},
        {"RemainBuffer1",
         [](auto h) { return QueryRemainBuffer1(h, 4, &i32); },
         {Direct("?REMAIN_BUFFER(1) AXIS(4)")}},
        {"RemainBuffer",
         [](auto h) { return QueryRemainBuffer(h, 0, 4, &i32); },
         {Direct("?REMAIN_BUFFER(0) AXIS(4)")}},
        {"EndmoveBuffer",
         [](auto h) { return QueryEndmoveBuffer(h, 2, &f32); },
         {Direct("?ENDMOVE_BUFFER(2)")}},
        {"RegPos", [](auto h) { return QueryRegPos(h, 2, &f32); }, {Direct("?REG_POS(2)")}},
        {"RegPosB", [](auto h) { return QueryRegPosB(h, 2, &f32); }, {Direct("?REG_POSB(2)")}},
        {"NamedValue",
         [](auto h) { return QueryNamedValue(h, "P_SetNodeNum", &f32); },
         {Direct("?P_SetNodeNum")}},
        {"In", [](auto h) { return QueryIn(h, 3, &i32); }, {Direct("?IN(3)")}},
        {"Op", [](auto h) { return QueryOp(h, 3, &i32); }, {Direct("?OP(3)")}},
        {"InvertIn", [](auto h) { return QueryInvertIn(h, 3, &i32); }, {Buffered("?INVERT_IN(3)")}},
        {"NodeCount",
         [](auto h) { return QueryNodeCount(h, 0, &i32); },
         {Buffered("?NODE_COUNT(0)")}},
        {"NodeInfo",
         [](auto h) { return QueryNodeInfo(h, 0, 2, 3, &i32); },
         {Buffered("?NODE_INFO(0,2,3)")}},
        {"NodeAxisCount",
         [](auto h) { return QueryNodeAxisCount(h, 0, 2, &i32); },
         {Buffered("?NODE_AXIS_COUNT(0,2)")}},
        {"NodeIo", [](auto h) { return QueryNodeIo(h, 0, 2, &i32); }, {Buffered("?NODE_IO(0,2)")}},
        {"NodeAio",
         [](auto h) { return QueryNodeAio(h, 0, 2, &i32); },
         {Buffered("?NODE_AIO(0,2)")}},
        {"IpAddress", [](auto h) { return QueryIpAddress(h, &i32); }, {Buffered("?IP_ADDRESS")}},
    };
}

std::vector<Case> ioAndMotionCases()
{
    static const int axes[] = {0, 1, 2};
    static const float values[] = {1.5f, -2, 3};
    return {
        {"Aout", [](auto h) { return SetAout(h, 1, 5); }, {Direct("AOUT(1) = 5.000000")}},
        {"PwmFreq",
         [](auto h) { return SetPwmFreq(h, 1, 1000); },
         {Buffered("PWM_FREQ(1) = 1000.000000")}},
        {"PwmDuty",
         [](auto h) { return SetPwmDuty(h, 1, 0.5f); },
         {Buffered("PWM_DUTY(1) = 0.500000")}},
        {"MoveWait",
         [](auto h) { return MoveWait(h, 2, 100); },
         {Direct("BASE(2)" + sep() + "MOVE_WA(100)")}},
        {"VMove", [](auto h) { return VMove(h, 1, 128); }, {Direct("VMOVE(1) AXIS(128)")}},
        {"Cancel", [](auto h) { return CancelAxis(h, 3); }, {Direct("CANCEL(2) AXIS(3)")}},
        {"Regist", [](auto h) { return Regist(h, 1, 3); }, {Direct("REGIST(1) AXIS(3)")}},
        {"Move", [](auto h) { return Move(h, 10, 3); }, {Direct("MOVE(10.000000) AXIS(3)")}},
        {"MoveAbs",
         [](auto h) { return MoveAbs(h, -10, 3); },
         {Direct("MOVEABS(-10.000000) AXIS(3)")}},
        {"PSwitch",
         [](auto h) { return PSwitch(h, 0, 1, 2, 3, 1, 10, 20); },
         {Buffered("PSWITCH(0,1,2,3,1,10.000000,20.000000)")}},
        {"Datum",
         [](auto h) { return DatumWithStopReasonReset(h, 2, 3); },
         {Direct("AXIS_STOPREASON(2) = 0" + sep() + "DATUM(21,3) AXIS(2)")}},
        {"BaseList", [](auto h) { return BaseList(h, axes, 3); }, {Direct("BASE(0,1,2)")}},
        {"BaseListOne", [](auto h) { return BaseList(h, axes + 2, 1); }, {Direct("BASE(2)")}},
        {"MoveSpList",
         [](auto h) { return MoveSpList(h, values, 3); },
         {Direct("MOVESP(1.500000,-2.000000,3.000000)")}},
        {"MoveAbsSpList",
         [](auto h) { return MoveAbsSpList(h, values, 2); },
         {Direct("MOVEABSSP(1.500000,-2.000000)")}},
        {"MoveModify",
         [](auto h) { return MoveModifyList(h, 4); },
         {Direct("MOVEMODIFY(4.000000)")}},
        {"StepRatio",
         [](auto h) { return SetStepRatio(h, 1, 65535, 1); },
         {Buffered("base(1)" + sep() + "STEP_RATIO(65535,1)")}},
        {"EncoderRatio",
         [](auto h) { return SetEncoderRatio(h, 1, 0, -5); },
         {Buffered("base(1)" + sep() + "ENCODER_RATIO(0,-5)")}},
        {"SdoWrite",
         [](auto h) { return SdoWrite(h, 2, 24698, 0, 4, 100); },
         {Buffered("SDO_WRITE(0,2,24698,0,4,100)")}},
        {"WriteValues",
         [](auto h) { return WriteValues(h, "P_NodeMode", 4, values, 2); },
         {Direct("P_NodeMode(4) =  1.500000 "), Direct("P_NodeMode(5) =  -2.000000 ")}},
    };
}

INSTANTIATE_TEST_SUITE_P(Setters, WorkbenchSetTest, ::testing::ValuesIn(setterCases()),
                         [](const auto& info) { return info.param.label; });
INSTANTIATE_TEST_SUITE_P(Queries, WorkbenchSetTest, ::testing::ValuesIn(queryCases()),
                         [](const auto& info) { return info.param.label; });
INSTANTIATE_TEST_SUITE_P(IoAndMotion, WorkbenchSetTest, ::testing::ValuesIn(ioAndMotionCases()),
                         [](const auto& info) { return info.param.label; });

class WorkbenchChecks : public ::testing::Test
{
protected:
    FakeLink link;
    ControllerHandle h = link.handle();
};

TEST_F(WorkbenchChecks, ReplyBuffersAreGivenOrNotAsEachGroupSays)
{
    SetAccel(h, 0, 1);
    Move(h, 1, 0);
    WriteValues(h, "X", 0, &f32, 1);
    const auto calls = link.calls();
    EXPECT_EQ(calls[0].capacity, 2048u);
    EXPECT_FALSE(calls[1].outputGiven);
    EXPECT_FALSE(calls[2].outputGiven);
}

TEST_F(WorkbenchChecks, AxisAbove128AndZeroNamedValueAreRefusedInTheWorkbenchBuild)
{
    const int refused = kScope ? 0 : kErrInvalidArgument;
    EXPECT_EQ(SetAccel(h, 129, 1), refused);
    EXPECT_EQ(SetNamedValue(h, "X", 0), refused);
    EXPECT_EQ(VMove(h, 1, 129), refused);
    EXPECT_EQ(SetStepRatio(h, 1, 0, 1), refused);
    EXPECT_EQ(SetStepRatio(h, 1, 1, 65536), refused);
    EXPECT_EQ(SetEncoderRatio(h, 1, 65536, 1), refused);
    EXPECT_EQ(link.sent().empty(), !kScope);
}

TEST_F(WorkbenchChecks, NullOutputsAndEmptyListsAreRefusedInEveryBuild)
{
    EXPECT_EQ(QueryIdle(h, 0, nullptr), kErrInvalidArgument);
    EXPECT_EQ(QueryNamedValue(h, "X", nullptr), kErrInvalidArgument);
    EXPECT_EQ(QueryIn(h, 0, nullptr), kErrInvalidArgument);
    EXPECT_EQ(BaseList(h, nullptr, 1), kErrInvalidArgument);
    const int axes[] = {0};
    EXPECT_EQ(BaseList(h, axes, 0), kErrInvalidArgument);
    EXPECT_EQ(SdoRead(h, 1, 1, 0, 4, nullptr), kErrInvalidArgument);
    EXPECT_TRUE(link.sent().empty());
}

TEST_F(WorkbenchChecks, QueriesReadTheirReplies)
{
    link.reply("?IDLE(1)", "-1\r\n");
    link.reply("?REG_POS(1)", "12.25");
    link.reply("?IP_ADDRESS", "3355443327"); // 127.0.0.200 printed unsigned
    int32_t idle = 0;
    float pos = 0;
    int32_t ip = 0;
    EXPECT_EQ(QueryIdle(h, 1, &idle), 0);
    EXPECT_EQ(QueryRegPos(h, 1, &pos), 0);
    EXPECT_EQ(QueryIpAddress(h, &ip), 0);
    EXPECT_EQ(idle, -1);
    EXPECT_EQ(pos, 12.25f);
    EXPECT_EQ(static_cast<uint32_t>(ip), 0xC800007Fu);
}

struct HomingCase
{
    int mode;
    std::string modePart;
};

class HomingTest : public ::testing::TestWithParam<HomingCase>
{
protected:
    FakeLink link;
};

TEST_P(HomingTest, ScriptHasTheModesTemplate)
{
    const std::string prefix = "BASE(2)" + sep() + "Axis_stopreason=0" + sep() + "Speed=50.000000" +
                               sep() + "Creep=5.000000" + sep();
    // The text alone reaches no link; sending it gives the same text.
    EXPECT_EQ(HomingScriptText(2, GetParam().mode, 50, 5, 10).str(), prefix + GetParam().modePart);
    EXPECT_TRUE(link.sent().empty());
    EXPECT_FALSE(RunHomingScript(link.handle(), 2, GetParam().mode, 50, 5, 10));
    EXPECT_THAT(link.sent(), ElementsAre(Direct(prefix + GetParam().modePart)));
}

std::vector<HomingCase> homingCases()
{
    std::vector<HomingCase> cases;
    for (int mode : {31, 32, 33, 34, 35, 36, 38, 39}) {
        const std::string datum = "datum(" + std::to_string(mode - 20) + ")";
        cases.push_back({mode, datum + sep() + "Move_Para(Speed,2,5.000000)" + sep() +
                                   "MOVE(10.000000)" + sep() + datum});
    }
    for (int mode : {3, 4, 30, 37, 40})
        cases.push_back({mode, "datum(" + std::to_string(mode) + ")"});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Modes, HomingTest, ::testing::ValuesIn(homingCases()),
                         [](const auto& info) { return "Mode" + std::to_string(info.param.mode); });

TEST_F(WorkbenchChecks, HomingScriptReportsFailureAsTrue)
{
    link.fail("VXC_DirectCommand", 2002);
    EXPECT_TRUE(RunHomingScript(h, 2, 3, 1, 1, 1));
    if (!kScope) {
        link.clearCalls();
        EXPECT_TRUE(RunHomingScript(h, 129, 3, 1, 1, 1));
        EXPECT_TRUE(link.sent().empty());
    }
}

class RatioReaderTest : public WorkbenchChecks
{
};

TEST_F(RatioReaderTest, ReadsBothSectionsFromA20480ByteReply)
{
    link.reply("?*SET", "STEP_RATIO: 1~2 3~4\r\nENCODER_RATIO: 5~6 7~8 9~10\r\n");
    RatioPairs step;
    RatioPairs encoder;
    EXPECT_EQ(QueryStepRatios(h, step), 0);
    EXPECT_EQ(QueryEncoderRatios(h, encoder), 0);
    EXPECT_EQ(step.count, 2);
    EXPECT_THAT(std::vector<float>(step.first.begin(), step.first.begin() + 2), ElementsAre(1, 3));
    EXPECT_THAT(std::vector<float>(step.second.begin(), step.second.begin() + 2),
                ElementsAre(2, 4));
    EXPECT_EQ(encoder.count, 3);
    EXPECT_EQ(encoder.first[2], 9);
    EXPECT_EQ(encoder.second[2], 10);
    EXPECT_THAT(link.sent(), ElementsAre(Buffered("?*SET"), Buffered("?*SET")));
    EXPECT_EQ(link.calls()[0].capacity, kScope ? 2048u : 20480u);
}

TEST_F(RatioReaderTest, SectionsOutOfOrderFailOnlyTheStepReader)
{
    link.reply("?*SET", "ENCODER_RATIO: 5~6\r\nSTEP_RATIO: 1~2\r\n");
    RatioPairs step;
    RatioPairs encoder;
    EXPECT_EQ(QueryStepRatios(h, step), kErrNotNumeric);
    EXPECT_EQ(QueryEncoderRatios(h, encoder), 0);
    EXPECT_EQ(encoder.first[0], 5);
}

TEST_F(RatioReaderTest, MissingSectionsAndEmptyReply)
{
    RatioPairs pairs;
    link.reply("?*SET", "STEP_RATIO: 1~2");
    EXPECT_EQ(QueryStepRatios(h, pairs), kErrNotNumeric);
    EXPECT_EQ(QueryEncoderRatios(h, pairs), kErrNotNumeric);
    link.reply("?*SET", "");
    EXPECT_EQ(QueryStepRatios(h, pairs), kErrEmptyReply);
    // The section name right before the next one: nothing to parse, no overrun.
    link.reply("?*SET", "STEP_RATIO:ENCODER_RATIO:");
    EXPECT_EQ(QueryStepRatios(h, pairs), 0);
    EXPECT_EQ(pairs.count, 0);
}

TEST_F(RatioReaderTest, AtMost128PairsAreRead)
{
    std::string reply = "STEP_RATIO: ";
    for (int i = 0; i < 130; ++i)
        reply += std::to_string(i) + "~1 ";
    link.reply("?*SET", reply + "ENCODER_RATIO: ");
    RatioPairs pairs;
    EXPECT_EQ(QueryStepRatios(h, pairs), 0);
    EXPECT_EQ(pairs.count, 128);
    EXPECT_EQ(pairs.first[127], 127);
}

TEST_F(WorkbenchChecks, PwmCountReader)
{
    int32_t count = 9;
    link.reply("?*MAX", "max_axis:8 max_pwm:0 max_in:24");
    EXPECT_EQ(QueryPwmCount(h, &count), 0);
    EXPECT_EQ(count, 0);
    link.reply("?*MAX", "max_axis:8 max_pwm: 4");
    EXPECT_EQ(QueryPwmCount(h, &count), 0);
    EXPECT_EQ(count, 4);
    count = 9;
    link.reply("?*MAX", "max_axis:8");
    EXPECT_EQ(QueryPwmCount(h, &count), 0);
    EXPECT_EQ(count, 0);
    count = 9;
    link.reply("?*MAX", "");
    EXPECT_EQ(QueryPwmCount(h, &count), kErrEmptyReply);
    EXPECT_EQ(count, 0);
    link.reply("?*MAX", "", 2002);
    EXPECT_EQ(QueryPwmCount(h, &count), 2002);
    EXPECT_THAT(link.sent().front(), Buffered("?*MAX"));
}

TEST_F(WorkbenchChecks, SysVersionProbe)
{
    link.reply("?Sys_version", "1.0.3");
    EXPECT_TRUE(ProbeSysVersion(h));
    link.reply("?Sys_version", std::string(19, '9'));
    EXPECT_TRUE(ProbeSysVersion(h));
    link.reply("?Sys_version", std::string(20, '9'));
    EXPECT_FALSE(ProbeSysVersion(h));
    link.reply("?Sys_version", "1", 2002);
    EXPECT_FALSE(ProbeSysVersion(h));
    EXPECT_EQ(link.sent().front(), Buffered("?Sys_version"));
}

TEST_F(WorkbenchChecks, FortyFiveInputsFromSixteenInOneCall)
{
    for (int bit : {10016, 10017, 10060})
        link.setModbusBit(static_cast<uint16_t>(bit), true);
    link.setModbusBit(10061, true); // beyond the range: must not appear
    std::vector<int32_t> out(46, 7);
    EXPECT_EQ(QueryInputBits(h, 16, 45, out.data()), 0);
    const auto calls = link.calls("VXC_Modbus_Get0x");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_THAT(calls[0].args, ElementsAre(10016, 45));
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[44], 1);
    EXPECT_EQ(out[45], 7);
    for (int i = 0; i < 45; ++i)
        EXPECT_TRUE(out[i] == 0 || out[i] == 1);
}

TEST_F(WorkbenchChecks, OutputBitsAndRegisterBanks)
{
    link.setModbusBit(20003, true);
    link.setModbusRegister(13002, 4095);
    int32_t bits[4] = {};
    uint16_t registers[3] = {};
    EXPECT_EQ(QueryOutputBits(h, 0, 4, bits), 0);
    EXPECT_THAT(bits, ElementsAre(0, 0, 0, 1));
    EXPECT_EQ(QueryAnalogueOutputRegisters(h, 0, 3, registers), 0);
    EXPECT_EQ(registers[2], 4095);
    EXPECT_THAT(link.calls("VXC_Modbus_Get4x")[0].args, ElementsAre(13000, 3));
    link.fail("VXC_Modbus_Get0x", 3400);
    EXPECT_EQ(QueryOutputBits(h, 0, 4, bits), 3400);
}

TEST_F(WorkbenchChecks, BankLimits)
{
    std::vector<int32_t> out(900);
    const int refused = kScope ? 0 : kErrInvalidArgument;
    EXPECT_EQ(QueryInputBits(h, 0, 801, out.data()), refused);
    EXPECT_EQ(QueryInputBits(h, 0, 800, out.data()), 0);
    // Addresses beyond the Modbus space are refused in every build.
    EXPECT_EQ(QueryOutputBits(h, 45530, 10, out.data()), kErrInvalidArgument);
    EXPECT_EQ(QueryInputBits(h, -1, 10, out.data()), kErrInvalidArgument);
    EXPECT_EQ(QueryInputBits(h, 0, 10, nullptr), kErrInvalidArgument);
}

TEST_F(WorkbenchChecks, PerValueWriterStopsAtTheFirstFailure)
{
    const float values[] = {1, 2, 3};
    link.failNth("VXC_DirectCommand", 1, 2002);
    EXPECT_EQ(WriteValues(h, "X", 0, values, 3), 2002);
    EXPECT_EQ(link.sent().size(), 2u);
    EXPECT_EQ(WriteValues(h, "X", 0, values, -1), kErrInvalidArgument);
    EXPECT_EQ(WriteValues(h, "X", 0, nullptr, 1), kErrInvalidArgument);
    EXPECT_EQ(WriteValues(h, "X", 0, nullptr, 0), 0);
}

TEST_F(WorkbenchChecks, SdoReadSendsThenReadsTableZero)
{
    link.reply("?*TABLE(0,30)", "-17.5 0 0");
    float value = 0;
    EXPECT_EQ(SdoRead(h, 2, 24698, 0, 4, &value), 0);
    EXPECT_EQ(value, -17.5f);
    EXPECT_THAT(link.sent(),
                ElementsAre(Buffered("SDO_READ(0,2,24698,0,4,0)"), Direct("?*TABLE(0,30)")));
    link.clearCalls();
    link.fail("VXC_Execute", 2002);
    EXPECT_EQ(SdoRead(h, 2, 24698, 0, 4, &value), 2002);
    EXPECT_EQ(link.sent().size(), 1u);
    EXPECT_EQ(SdoRead(h, 129, 1, 0, 4, &value), kScope ? 2002 : kErrInvalidArgument);
}

TEST_F(WorkbenchChecks, BusNodeRecordReadsAndWritesAllFourteenVariables)
{
    link.respond([](std::string_view command) -> std::optional<Reply> {
        if (command == "?*P_NodeVender(3,1)")
            return Reply{"1234"};
        return Reply{"1"};
    });
    BusNodeFields fields{};
    EXPECT_FALSE(ReadBusNodeFields(h, 3, fields));
    std::vector<SentCommand> expected;
    for (int i = 0; i < kBusNodeFieldCount; ++i)
        expected.push_back(
            Direct(std::string("?*") + BusNodeVariable(static_cast<BusNodeField>(i)) + "(3,1)"));
    EXPECT_THAT(link.sent(), ElementsAreArray(expected));
    EXPECT_EQ(fields[static_cast<int>(BusNodeField::Vender)], 1234);
    EXPECT_STREQ(BusNodeVariable(BusNodeField::Mode), "P_NodeMode");
    EXPECT_STREQ(BusNodeVariable(BusNodeField::AoutNum), "P_NodeAoutNum");

    link.clearCalls();
    link.failNth("VXC_DirectCommand", 0, 2002);
    fields[13] = 2;
    EXPECT_TRUE(WriteBusNodeFields(h, 3, fields));
    EXPECT_EQ(link.sent().size(), 14u);
    EXPECT_EQ(link.sent().back(), Direct("P_NodeAoutNum(3) =  2.000000 "));

    link.clearCalls();
    link.failNth("VXC_DirectCommand", 5, 2002);
    EXPECT_TRUE(ReadBusNodeFields(h, 3, fields));
    EXPECT_EQ(link.sent().size(), 14u);
}

} // namespace
