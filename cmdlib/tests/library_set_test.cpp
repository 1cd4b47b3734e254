// The library wrapper set: every member's exact text and base operation,
// for whichever build this suite links.
#include "cmdlib/block_query.h"
#include "cmdlib/error_codes.h"
#include "cmdlib/lib_axis.h"
#include "cmdlib/lib_lists.h"
#include "cmdlib/lib_modbus.h"
#include "cmdlib/lib_motion.h"
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

using Call = std::function<int(ControllerHandle)>;

// A command with its buffered call and, where it has one, its direct call.
struct MotionRow
{
    std::string label;
    Call buffered;
    Call direct; // empty: no direct form
    std::string text;
};

#define ROW(name, text, ...)                                                                       \
    MotionRow                                                                                      \
    {                                                                                              \
#name, [](ControllerHandle h) { return lib::name(h, __VA_ARGS__); },                      \
            [](ControllerHandle h) { return lib::name##Direct(h, __VA_ARGS__); }, text        \
    }
#define BUFFERED_ROW(name, text, ...)                                                              \
    MotionRow                                                                                      \
    {                                                                                              \
#name, [](ControllerHandle h) { return lib::name(h, __VA_ARGS__); }, Call(), text          \
    }

std::vector<MotionRow> motionRows()
{
    const std::string f4 = "1.000000,2.000000,3.000000,4.000000";
    return {
        ROW(MoveCirc, "MOVECIRC(" + f4 + ",5)", 1, 2, 3, 4, 5),
        ROW(MoveCircSp, "MOVECIRCSP(" + f4 + ",5)", 1, 2, 3, 4, 5),
        ROW(MoveCircAbs, "MOVECIRCABS(" + f4 + ",5)", 1, 2, 3, 4, 5),
        ROW(MoveCircAbsSp, "MOVECIRCABSSP(" + f4 + ",5)", 1, 2, 3, 4, 5),
        ROW(MoveCirc2, "MOVECIRC2(" + f4 + ")", 1, 2, 3, 4),
        ROW(MoveCirc2Abs, "MOVECIRC2ABS(" + f4 + ")", 1, 2, 3, 4),
        ROW(MoveCirc2Sp, "MOVECIRC2SP(" + f4 + ")", 1, 2, 3, 4),
        ROW(MoveCirc2AbsSp, "MOVECIRC2ABSSP(" + f4 + ")", 1, 2, 3, 4),
        ROW(MHelical, "MHELICAL(" + f4 + ",5,6.000000,7)", 1, 2, 3, 4, 5, 6, 7),
        ROW(MHelicalAbs, "MHELICALABS(" + f4 + ",5,6.000000,7)", 1, 2, 3, 4, 5, 6, 7),
        ROW(MHelicalSp, "MHELICALSP(" + f4 + ",5,6.000000,7)", 1, 2, 3, 4, 5, 6, 7),
        ROW(MHelicalAbsSp, "MHELICALABSSP(" + f4 + ",5,6.000000,7)", 1, 2, 3, 4, 5, 6, 7),
        ROW(MHelical2, "MHELICAL2(" + f4 + ",5.000000,6)", 1, 2, 3, 4, 5, 6),
        ROW(MHelical2Abs, "MHELICAL2ABS(" + f4 + ",5.000000,6)", 1, 2, 3, 4, 5, 6),
        ROW(MHelical2Sp, "MHELICAL2SP(" + f4 + ",5.000000,6)", 1, 2, 3, 4, 5, 6),
        ROW(MHelical2AbsSp, "MHELICAL2ABSSP(" + f4 + ",5.000000,6)", 1, 2, 3, 4, 5, 6),
        ROW(MEclipse, "MECLIPSE(" + f4 + ",5,6.000000,7.000000)", 1, 2, 3, 4, 5, 6, 7),
        ROW(MEclipseAbs, "MECLIPSEABS(" + f4 + ",5,6.000000,7.000000)", 1, 2, 3, 4, 5, 6, 7),
        ROW(MEclipseSp, "MECLIPSESP(" + f4 + ",5,6.000000,7.000000)", 1, 2, 3, 4, 5, 6, 7),
        ROW(MEclipseAbsSp, "MECLIPSEABSSP(" + f4 + ",5,6.000000,7.000000)", 1, 2, 3, 4, 5, 6, 7),
        ROW(MEclipse8, "MECLIPSE(" + f4 + ",5,6.000000,7.000000,8.000000)", 1, 2, 3, 4, 5, 6, 7, 8),
        ROW(MEclipse8Abs, "MECLIPSEABS(" + f4 + ",5,6.000000,7.000000,8.000000)", 1, 2, 3, 4, 5, 6,
            7, 8),
        ROW(MEclipse8Sp, "MECLIPSESP(" + f4 + ",5,6.000000,7.000000,8.000000)", 1, 2, 3, 4, 5, 6, 7,
            8),
        ROW(MEclipse8AbsSp, "MECLIPSEABSSP(" + f4 + ",5,6.000000,7.000000,8.000000)", 1, 2, 3, 4, 5,
            6, 7, 8),
        ROW(MSpherical, "MSPHERICAL(" + f4 + ",5.000000,6.000000,7)", 1, 2, 3, 4, 5, 6, 7),
        ROW(MSphericalSp, "MSPHERICALSP(" + f4 + ",5.000000,6.000000,7)", 1, 2, 3, 4, 5, 6, 7),
        ROW(MovePause, "MOVE_PAUSE(1)", 1),
        MotionRow{"MoveResume", lib::MoveResume, lib::MoveResumeDirect, "MOVE_RESUME"},
        ROW(MoveOp, "MOVE_OP(1,2)", 1, 2),
        ROW(MoveOp3, "MOVE_OP(1,2,3)", 1, 2, 3),
        ROW(MoveOp2, "MOVE_OP2(1,2,3)", 1, 2, 3),
        ROW(MoveWa, "MOVE_WA(100)", 100),
        ROW(Cam, "CAM(1,2,3.000000,4.000000)", 1, 2, 3, 4),
        ROW(CamBox, "CAMBOX(1,2,3.000000,4.000000,5,6,7.000000)", 1, 2, 3, 4, 5, 6, 7),
        BUFFERED_ROW(ConnPath, "CONNPATH(1.000000,2)", 1, 2),
        BUFFERED_ROW(Connect, "CONNECT(1.000000,2)", 1, 2),
        ROW(MoveLink, "MOVELINK(" + f4 + ",5,6,7.000000)", 1, 2, 3, 4, 5, 6, 7),
        ROW(Regist, "REGIST(1)", 1),
        ROW(RapidStop, "RAPIDSTOP(2)", 2),
        BUFFERED_ROW(VMove, "VMOVE(-1) AXIS(3)", -1, 3),
        ROW(Move, "MOVE(1.500000) AXIS(3)", 1.5f, 3),
        ROW(MoveAbs, "MOVEABS(-1.500000) AXIS(3)", -1.5f, 3),
        BUFFERED_ROW(MoveModify, "MOVEMODIFY(2.000000) AXIS(3)", 2, 3),
        BUFFERED_ROW(AddAx, "ADDAX(1) AXIS(3)", 1, 3),
        ROW(Cancel, "CANCEL(2) AXIS(3)", 2, 3),
        BUFFERED_ROW(Datum, "DATUM(3) AXIS(3)", 3, 3),
        BUFFERED_ROW(EncoderRatio, "ENCODER_RATIO(1,2) AXIS(3)", 1, 2, 3),
        BUFFERED_ROW(StepRatio, "STEP_RATIO(1,2) AXIS(3)", 1, 2, 3),
        ROW(Op, "OP(4,1)", 4, 1),
    };
}
#undef ROW
#undef BUFFERED_ROW

class LibraryMotionTest : public ::testing::TestWithParam<MotionRow>
{
protected:
    FakeLink link;
};

TEST_P(LibraryMotionTest, BufferedFormWithReplyBufferDirectFormWithout)
{
    const MotionRow& row = GetParam();
    EXPECT_EQ(row.buffered(link.handle()), 0);
    std::vector<SentCommand> expected{Buffered(row.text)};
    if (row.direct) {
        EXPECT_EQ(row.direct(link.handle()), 0);
        expected.push_back(Direct(row.text));
    }
    EXPECT_THAT(link.sent(), ElementsAreArray(expected));
    const auto calls = link.calls();
    EXPECT_EQ(calls[0].capacity, 2048u);
    if (row.direct) {
        EXPECT_FALSE(calls[1].outputGiven);
    }
}

INSTANTIATE_TEST_SUITE_P(All, LibraryMotionTest, ::testing::ValuesIn(motionRows()),
                         [](const auto& info) { return info.param.label; });

class LibrarySetTest : public ::testing::TestWithParam<Case>
{
protected:
    FakeLink link;
};

TEST_P(LibrarySetTest, SendsExactTextThroughItsBaseOperation)
{
    link.defaultReply("1");
    EXPECT_EQ(GetParam().call(link.handle()), 0);
    EXPECT_THAT(link.sent(), ElementsAreArray(GetParam().expected));
}

float f32;
int32_t i32;

std::vector<Case> setterCases()
{
    return {
        {"Atype", [](auto h) { return lib::SetAtype(h, 1, 7); }, {Buffered("ATYPE(1)=7")}},
        {"Merge", [](auto h) { return lib::SetMerge(h, 1, 1); }, {Buffered("MERGE(1)=1")}},
        {"Units", [](auto h) { return lib::SetUnits(h, 1, 2); }, {Buffered("UNITS(1)=2.000000")}},
        {"Speed", [](auto h) { return lib::SetSpeed(h, 1, 2); }, {Buffered("SPEED(1)=2.000000")}},
        {"Accel",
         [](auto h) { return lib::SetAccel(h, 200, 2); },
         {Buffered("ACCEL(200)=2.000000")}},
        {"Decel", [](auto h) { return lib::SetDecel(h, 1, 2); }, {Buffered("DECEL(1)=2.000000")}},
        {"FastDec",
         [](auto h) { return lib::SetFastDec(h, 1, 2); },
         {Buffered("FASTDEC(1)=2.000000")}},
        {"ForceSpeed",
         [](auto h) { return lib::SetForceSpeed(h, 1, 2); },
         {Buffered("FORCE_SPEED(1)=2.000000")}},
        {"StartMoveSpeed",
         [](auto h) { return lib::SetStartMoveSpeed(h, 1, 2); },
         {Buffered("STARTMOVE_SPEED(1)=2.000000")}},
        {"EndMoveSpeed",
         [](auto h) { return lib::SetEndMoveSpeed(h, 1, 2); },
         {Buffered("ENDMOVE_SPEED(1)=2.000000")}},
        {"Lspeed",
         [](auto h) { return lib::SetLspeed(h, 1, 2); },
         {Buffered("LSPEED(1)=2.000000")}},
        {"Creep", [](auto h) { return lib::SetCreep(h, 1, 2); }, {Buffered("CREEP(1)=2.000000")}},
        {"CornerMode",
         [](auto h) { return lib::SetCornerMode(h, 1, 2); },
         {Buffered("CORNER_MODE(1)=2")}},
        {"InvertStep",
         [](auto h) { return lib::SetInvertStep(h, 1, 1); },
         {Buffered("INVERT_STEP(1)=1")}},
        {"DecelAngle",
         [](auto h) { return lib::SetDecelAngle(h, 1, 0.5f); },
         {Buffered("DECEL_ANGLE(1)=0.500")}},
        {"StopAngle",
         [](auto h) { return lib::SetStopAngle(h, 1, 1.25f); },
         {Buffered("STOP_ANGLE(1)=1.250")}},
        {"FullSpRadius",
         [](auto h) { return lib::SetFullSpRadius(h, 1, 3); },
         {Buffered("FULL_SP_RADIUS(1)=3.000")}},
        {"Sramp", [](auto h) { return lib::SetSramp(h, 1, 20); }, {Buffered("SRAMP(1)=20")}},
        {"Dpos", [](auto h) { return lib::SetDpos(h, 1, 2); }, {Buffered("DPOS(1)=2.000000")}},
        {"Mpos", [](auto h) { return lib::SetMpos(h, 1, 2); }, {Buffered("MPOS(1)=2.000000")}},
        {"Offpos",
         [](auto h) { return lib::SetOffpos(h, 1, 2); },
         {Buffered("OFFPOS(1)=2.000000")}},
        {"Aout", [](auto h) { return lib::SetAout(h, 1, 2); }, {Buffered("AOUT(1)=2.000000")}},
        {"InvertIn",
         [](auto h) { return lib::SetInvertIn(h, 5, 1); },
         {Buffered("INVERT_IN(5,1)")}},
        {"AxisParameter",
         [](auto h) { return lib::SetAxisParameter(h, "ATYPE", 1, 7); },
         {Buffered("ATYPE(1)=7.000000")}},
        {"AxisParameterDirect",
         [](auto h) { return lib::SetAxisParameterDirect(h, "SPEED", 1, 7); },
         {Direct("SPEED(1)=7.000000")}},
        {"ForceSpeedDirect",
         [](auto h) { return lib::SetForceSpeedDirect(h, 1, 2); },
         {Direct("FORCE_SPEED(1)=2.000000")}},
        {"SpeedDirect",
         [](auto h) { return lib::SetSpeedDirect(h, 1, 2); },
         {Direct("SPEED(1)=2.000000")}},
        {"Limits",
         [](auto h) { return lib::SetLimits(h, 2, 100, -100); },
         {Buffered("FS_LIMIT(2)=100.000000" + sep() + "RS_LIMIT(2)=-100.000000")}},
        {"HomeInputs",
         [](auto h) { return lib::SetHomeInputs(h, 2, 1, 2, 3); },
         {Buffered("DATUM_IN(2)=1" + sep() + "FWD_IN(2)=2" + sep() + "REV_IN(2)=3")}},
    };
}

std::vector<Case> queryCases()
{
    return {
        {"Dpos", [](auto h) { return lib::QueryDpos(h, 1, &f32); }, {Buffered("?DPOS(1)")}},
        {"Mpos", [](auto h) { return lib::QueryMpos(h, 1, &f32); }, {Buffered("?MPOS(1)")}},
        {"VpSpeed",
         [](auto h) { return lib::QueryVpSpeed(h, 1, &f32); },
         {Buffered("?VP_SPEED(1)")}},
        {"Endmove",
         [](auto h) { return lib::QueryEndmove(h, 1, &f32); },
         {Buffered("?ENDMOVE(1)")}},
        {"EndmoveBuffer",
         [](auto h) { return lib::QueryEndmoveBuffer(h, 1, &f32); },
         {Buffered("?ENDMOVE_BUFFER(1)")}},
        {"RegPos", [](auto h) { return lib::QueryRegPos(h, 1, &f32); }, {Buffered("?REG_POS(1)")}},
        {"Aout", [](auto h) { return lib::QueryAout(h, 1, &f32); }, {Buffered("?AOUT(1)")}},
        {"Ain", [](auto h) { return lib::QueryAin(h, 1, &f32); }, {Buffered("?AIN(1)")}},
        {"Mtype", [](auto h) { return lib::QueryMtype(h, 1, &i32); }, {Buffered("?MTYPE(1)")}},
        {"Idle", [](auto h) { return lib::QueryIdle(h, 1, &i32); }, {Buffered("?IDLE(1)")}},
        {"AxisStatus",
         [](auto h) { return lib::QueryAxisStatus(h, 1, &i32); },
         {Buffered("?AXISSTATUS(1)")}},
        {"Encoder",
         [](auto h) { return lib::QueryEncoder(h, 1, &i32); },
         {Buffered("?ENCODER(1)")}},
        {"RemainBuffer1",
         [](auto h) { return lib::QueryRemainBuffer1(h, 1, &i32); },
         {Buffered("?REMAIN_BUFFER(1) AXIS(1)")}},
        {"RemainBuffer",
         [](auto h) { return lib::QueryRemainBuffer(h, 1, &i32); },
         {Buffered("?REMAIN_BUFFER() AXIS(1)")}},
        {"Mark", [](auto h) { return lib::QueryMark(h, 1, &i32); }, {Buffered("?MARK(1)")}},
        {"MarkB", [](auto h) { return lib::QueryMarkB(h, 1, &i32); }, {Buffered("?MARKB(1)")}},
        {"In", [](auto h) { return lib::QueryIn(h, 1, &i32); }, {Buffered("?IN(1)")}},
        {"Op", [](auto h) { return lib::QueryOp(h, 1, &i32); }, {Buffered("?OP(1)")}},
        {"AxisParameter",
         [](auto h) { return lib::QueryAxisParameter(h, "UNITS", 1, &f32); },
         {Buffered("?UNITS(1)")}},
        {"NamedFloat",
         [](auto h) { return lib::QueryNamedFloat(h, "VR(1)", &f32); },
         {Buffered("?VR(1)")}},
        {"NamedInt",
         [](auto h) { return lib::QueryNamedInt(h, "TSIZE", &i32); },
         {Buffered("?TSIZE")}},
        {"DposDirect",
         [](auto h) { return lib::QueryDposDirect(h, 1, &f32); },
         {Direct("?DPOS(1)")}},
        {"MposDirect",
         [](auto h) { return lib::QueryMposDirect(h, 1, &f32); },
         {Direct("?MPOS(1)")}},
        {"VpSpeedDirect",
         [](auto h) { return lib::QueryVpSpeedDirect(h, 1, &f32); },
         {Direct("?VP_SPEED(1)")}},
        {"EndmoveDirect",
         [](auto h) { return lib::QueryEndmoveDirect(h, 1, &f32); },
         {Direct("?ENDMOVE(1)")}},
        {"EndmoveBufferDirect",
         [](auto h) { return lib::QueryEndmoveBufferDirect(h, 1, &f32); },
         {Direct("?ENDMOVE_BUFFER(1)")}},
        {"VectorBufferedDirect",
         [](auto h) { return lib::QueryVectorBufferedDirect(h, 1, &f32); },
         {Direct("?VECTOR_BUFFERED(1)")}},
        {"RegPosDirect",
         [](auto h) { return lib::QueryRegPosDirect(h, 1, &f32); },
         {Direct("?REG_POS(1)")}},
        {"MtypeDirect",
         [](auto h) { return lib::QueryMtypeDirect(h, 1, &i32); },
         {Direct("?MTYPE(1)")}},
        {"IdleDirect",
         [](auto h) { return lib::QueryIdleDirect(h, 1, &i32); },
         {Direct("?IDLE(1)")}},
        {"LoadedDirect",
         [](auto h) { return lib::QueryLoadedDirect(h, 1, &i32); },
         {Direct("?LOADED(1)")}},
        {"AxisStatusDirect",
         [](auto h) { return lib::QueryAxisStatusDirect(h, 1, &i32); },
         {Direct("?AXISSTATUS(1)")}},
        {"EncoderDirect",
         [](auto h) { return lib::QueryEncoderDirect(h, 1, &i32); },
         {Direct("?ENCODER(1)")}},
        {"RemainBuffer1Direct",
         [](auto h) { return lib::QueryRemainBuffer1Direct(h, 1, &i32); },
         {Direct("?REMAIN_BUFFER(1) AXIS(1)")}},
        {"RemainBufferDirect",
         [](auto h) { return lib::QueryRemainBufferDirect(h, 1, &i32); },
         {Direct("?REMAIN_BUFFER() AXIS(1)")}},
        {"MarkDirect",
         [](auto h) { return lib::QueryMarkDirect(h, 1, &i32); },
         {Direct("?MARK(1)")}},
        {"MarkBDirect",
         [](auto h) { return lib::QueryMarkBDirect(h, 1, &i32); },
         {Direct("?MARKB(1)")}},
        {"InDirect", [](auto h) { return lib::QueryInDirect(h, 1, &i32); }, {Direct("?IN(1)")}},
        {"OpDirect", [](auto h) { return lib::QueryOpDirect(h, 1, &i32); }, {Direct("?OP(1)")}},
        {"AxisParameterDirect",
         [](auto h) { return lib::QueryAxisParameterDirect(h, "UNITS", 1, &f32); },
         {Direct("?UNITS(1)")}},
        {"NamedFloatDirect",
         [](auto h) { return lib::QueryNamedFloatDirect(h, "X", &f32); },
         {Direct("?X")}},
        {"NamedIntDirect",
         [](auto h) { return lib::QueryNamedIntDirect(h, "X", &i32); },
         {Direct("?X")}},
    };
}

std::vector<Case> listCases()
{
    static const int axes[] = {0, 2, 4};
    static const float values[] = {1, -2.5f, 3};
    const std::string three = "1.000000,-2.500000,3.000000)";
    return {
        {"BaseList", [](auto h) { return lib::BaseList(h, axes, 3); }, {Buffered("BASE(0,2,4)")}},
        {"DefPos",
         [](auto h) { return lib::SendFloatList(h, lib::FloatList::DefPos, values, 3); },
         {Buffered("DEFPOS(" + three)}},
        {"Move",
         [](auto h) { return lib::SendFloatList(h, lib::FloatList::Move, values, 3); },
         {Buffered("MOVE(" + three)}},
        {"MoveSp",
         [](auto h) { return lib::SendFloatList(h, lib::FloatList::MoveSp, values, 3); },
         {Buffered("MOVESP(" + three)}},
        {"MoveAbs",
         [](auto h) { return lib::SendFloatList(h, lib::FloatList::MoveAbs, values, 3); },
         {Buffered("MOVEABS(" + three)}},
        {"MoveAbsSp",
         [](auto h) { return lib::SendFloatList(h, lib::FloatList::MoveAbsSp, values, 3); },
         {Buffered("MOVEABSSP(" + three)}},
        {"MoveModify",
         [](auto h) { return lib::SendFloatList(h, lib::FloatList::MoveModify, values, 1); },
         {Buffered("MOVEMODIFY(1.000000)")}},
        {"BaseListDirect",
         [](auto h) { return lib::BaseListDirect(h, axes, 1); },
         {Direct("BASE(0)")}},
        {"MoveDirect",
         [](auto h) { return lib::SendFloatListDirect(h, lib::DirectFloatList::Move, values, 3); },
         {Direct("MOVE(" + three)}},
        {"MoveSpDirect",
         [](auto h) {
             return lib::SendFloatListDirect(h, lib::DirectFloatList::MoveSp, values, 3);
         },
         {Direct("MOVESP(" + three)}},
        {"MoveAbsDirect",
         [](auto h) {
             return lib::SendFloatListDirect(h, lib::DirectFloatList::MoveAbs, values, 3);
         },
         {Direct("MOVEABS(" + three)}},
        {"MoveAbsSpDirect",
         [](auto h) {
             return lib::SendFloatListDirect(h, lib::DirectFloatList::MoveAbsSp, values, 3);
         },
         {Direct("MOVEABSSP(" + three)}},
        {"MoveModifyDirect",
         [](auto h) {
             return lib::SendFloatListDirect(h, lib::DirectFloatList::MoveModify, values, 2);
         },
         {Direct("MOVEMODIFY(1.000000,-2.500000)")}},
        {"BaseMoveAbsDirect",
         [](auto h) { return lib::BaseMoveAbsDirect(h, axes, values, 2); },
         {Direct("BASE(0,2)" + sep() + "MOVEABS(1.000000,-2.500000)")}},
        {"CancelAxesDirect",
         [](auto h) { return lib::CancelAxesDirect(h, 2, axes, 3); },
         {Direct("CANCEL(2) AXIS(0)" + sep() + "CANCEL(2) AXIS(2)" + sep() + "CANCEL(2) AXIS(4)")}},
        {"MoveSpWithProfile",
         [](auto h) { return lib::MoveSpWithProfile(h, 1, 2, 3, values, 2); },
         {Buffered("STARTMOVE_SPEED=1.0000" + sep() + "ENDMOVE_SPEED=2.0000" + sep() +
                   "FORCE_SPEED=3.0000"),
          Buffered("MOVESP(1.000000,-2.500000)")}},
    };
}

INSTANTIATE_TEST_SUITE_P(Setters, LibrarySetTest, ::testing::ValuesIn(setterCases()),
                         [](const auto& info) { return info.param.label; });
INSTANTIATE_TEST_SUITE_P(Queries, LibrarySetTest, ::testing::ValuesIn(queryCases()),
                         [](const auto& info) { return info.param.label; });
INSTANTIATE_TEST_SUITE_P(Lists, LibrarySetTest, ::testing::ValuesIn(listCases()),
                         [](const auto& info) { return info.param.label; });

class LibraryChecks : public ::testing::Test
{
protected:
    FakeLink link;
    ControllerHandle h = link.handle();
};

TEST_F(LibraryChecks, QueriesFollowTheSingleValueRule)
{
    link.reply("?DPOS(1)", "-3.5");
    link.reply("?TSIZE", "");
    float pos = 0;
    int32_t size = 4;
    EXPECT_EQ(lib::QueryDpos(h, 1, &pos), 0);
    EXPECT_EQ(pos, -3.5f);
    EXPECT_EQ(lib::QueryNamedInt(h, "TSIZE", &size), kErrEmptyReply);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(lib::QueryIdle(h, 1, nullptr), kErrInvalidArgument);
}

TEST_F(LibraryChecks, ListsNeedAtLeastOneValue)
{
    const int axes[] = {1};
    const float values[33] = {};
    EXPECT_EQ(lib::BaseList(h, axes, 0), kErrInvalidArgument);
    EXPECT_EQ(lib::SendFloatList(h, lib::FloatList::Move, nullptr, 1), kErrInvalidArgument);
    EXPECT_EQ(lib::CancelAxesDirect(h, 2, axes, 0), kErrInvalidArgument);
    EXPECT_EQ(lib::MoveSpWithProfile(h, 1, 1, 1, values, 0), kErrInvalidArgument);
    EXPECT_EQ(lib::MoveSpWithProfile(h, 1, 1, 1, values, 33), kErrInvalidArgument);
    EXPECT_TRUE(link.sent().empty());
    EXPECT_EQ(lib::MoveSpWithProfile(h, 1, 1, 1, values, 32), 0);
    EXPECT_EQ(link.sent().size(), 2u);
}

TEST_F(LibraryChecks, ProfileFailureSkipsTheMove)
{
    link.failNth("VXC_Execute", 0, 2002);
    const float values[] = {1};
    EXPECT_EQ(lib::MoveSpWithProfile(h, 1, 1, 1, values, 1), 2002);
    EXPECT_EQ(link.sent().size(), 1u);
}

TEST_F(LibraryChecks, LongListIsRefusedNotTruncated)
{
    std::vector<float> values(200, 12345.5f);
    EXPECT_EQ(lib::SendFloatList(h, lib::FloatList::MoveAbs, values.data(), 200),
              kErrInvalidArgument);
    EXPECT_TRUE(link.sent().empty());
}

TEST_F(LibraryChecks, Modbus32BitValuesUseTwoRegistersLowWordFirst)
{
    const int32_t values[] = {0x12345678, -1};
    EXPECT_EQ(lib::ModbusSetInt32(h, 100, 2, values), 0);
    EXPECT_THAT(link.calls("VXC_Modbus_Set4x")[0].args, ElementsAre(100, 4));
    EXPECT_EQ(link.modbusRegister(100), 0x5678);
    EXPECT_EQ(link.modbusRegister(101), 0x1234);
    int32_t back[2] = {};
    EXPECT_EQ(lib::ModbusGetInt32(h, 100, 2, back), 0);
    EXPECT_THAT(back, ElementsAre(0x12345678, -1));

    const float reals[] = {1.5f};
    EXPECT_EQ(lib::ModbusSetFloat(h, 11002, 1, reals), 0);
    float real = 0;
    EXPECT_EQ(lib::ModbusGetRegion(h, lib::ModbusRegion::At11000, 1, 1, &real), 0);
    EXPECT_EQ(real, 1.5f);
    EXPECT_THAT(link.calls("VXC_Modbus_Get4x").back().args, ElementsAre(11002, 2));
    EXPECT_EQ(lib::ModbusGetInt32(h, 65535, 1, back), kErrInvalidArgument);
}

TEST_F(LibraryChecks, ModbusBitRangesAreInclusive)
{
    link.setModbusBit(10005, true);
    link.setModbusBit(10007, true);
    int32_t bits[3] = {};
    EXPECT_EQ(lib::ModbusGetInputs(h, 5, 7, bits), 0);
    EXPECT_THAT(bits, ElementsAre(1, 0, 1));
    EXPECT_THAT(link.calls("VXC_Modbus_Get0x")[0].args, ElementsAre(10005, 3));
    const int32_t on[] = {1, 0, 1};
    EXPECT_EQ(lib::ModbusSetOutputs(h, 2, 4, on), 0);
    EXPECT_TRUE(link.modbusBit(20002));
    EXPECT_FALSE(link.modbusBit(20003));
    EXPECT_TRUE(link.modbusBit(20004));
    EXPECT_EQ(lib::ModbusGetOutputs(h, 2, 4, bits), 0);
    EXPECT_THAT(bits, ElementsAre(1, 0, 1));
    EXPECT_EQ(lib::ModbusGetInputs(h, 7, 6, bits), kErrInvalidArgument);
    EXPECT_EQ(lib::ModbusSetOutputs(h, 7, 6, on), kErrInvalidArgument);
}

} // namespace
