// Every command text the tools send that is not motion, as the tools format
// it: none may be refused as unknown, and each query's reply must read back
// with the tools' "%d" / "%f" scan.
#include "controller_fixture.h"

#include <cstdio>

namespace korvan::controller::testing {
namespace {

struct CallerCase
{
    const char* text;
    enum
    {
        Setter,
        IntQuery,
        FloatQuery
    } kind;
};

const CallerCase callerCases[] = {
    {"ACCEL(1)=1000.000000", CallerCase::Setter},
    {"CREEP(1)=10.000000", CallerCase::Setter},
    {"DATUM_OFFSET(1)=0.000000", CallerCase::Setter},
    {"DECEL(1)=1000.000000", CallerCase::Setter},
    {"DECEL_ANGLE(1)=15.000", CallerCase::Setter},
    {"DPOS(1)=0.000000", CallerCase::Setter},
    {"FASTDEC(1)=0.000000", CallerCase::Setter},
    {"FS_LIMIT(1)=200000000.000000", CallerCase::Setter},
    {"FULL_SP_RADIUS(1)=0.000000", CallerCase::Setter},
    {"LSPEED(1)=0.000000", CallerCase::Setter},
    {"MPOS(1)=0.000000", CallerCase::Setter},
    {"RS_LIMIT(1)=-200000000.000000", CallerCase::Setter},
    {"SPEED(1)=100.000000", CallerCase::Setter},
    {"SRAMP(1)=0.000000", CallerCase::Setter},
    {"STOP_ANGLE(1)=45.000000", CallerCase::Setter},
    {"UNITS(1)=1.000000", CallerCase::Setter},
    {"ZSMOOTH(1)=0.000000", CallerCase::Setter},
    {"ALM_IN(1)=-1", CallerCase::Setter},
    {"DATUM_IN(1)=-1", CallerCase::Setter},
    {"FWD_IN(1)=-1", CallerCase::Setter},
    {"INVERT_STEP(1)=0", CallerCase::Setter},
    {"Rev_In(1)=-1", CallerCase::Setter},
    {"ATYPE(1)=1", CallerCase::Setter},
    {"MERGE(1)=1", CallerCase::Setter},
    {"CORNER_MODE(1)=2", CallerCase::Setter},
    {"AXIS_ADDRESS(1)=3", CallerCase::Setter},
    {"AXIS_ENABLE(1)=1", CallerCase::Setter},
    {"MOVE_MARK(1)=5", CallerCase::Setter},
    {"FORCE_SPEED(1)=100.000000", CallerCase::Setter},
    {"STARTMOVE_SPEED=0.0000\nENDMOVE_SPEED=0.0000\nFORCE_SPEED=100.0000", CallerCase::Setter},
    {"OFFPOS(1)=0.000000", CallerCase::Setter},
    {"base(1)\r\nSTEP_RATIO(1,1)", CallerCase::Setter},
    {"base(1)\r\nENCODER_RATIO(1,1)", CallerCase::Setter},
    {"FS_LIMIT(1)=100.000000\nRS_LIMIT(1)=-100.000000", CallerCase::Setter},
    {"DATUM_IN(1)=2\nFWD_IN(1)=3\nREV_IN(1)=4", CallerCase::Setter},
    {"ENABLE_OUT(1) =  2.000000 ", CallerCase::Setter},
    {"CLEAR_OUT(1) =  3.000000 ", CallerCase::Setter},
    {"AXIS_STOPREASON(1) = 0", CallerCase::Setter},
    {"INVERT_IN(3,0)", CallerCase::Setter},
    {"OP(3,1)", CallerCase::Setter},
    {"op(3,0)", CallerCase::Setter},
    {"AOUT(1) = 100.000000", CallerCase::Setter},
    {"AOUT(1)=100.000000", CallerCase::Setter},
    {"PWM_FREQ(1) = 1000.000000", CallerCase::Setter},
    {"PWM_DUTY(1) = 0.500000", CallerCase::Setter},
    {"myvar = 1.000000", CallerCase::Setter},
    {"VR(1) =  2.000000 ", CallerCase::Setter},
    {"GLOBAL ENABLE_OUT(8)\r\nGLOBAL CLEAR_OUT(8)\r\n", CallerCase::Setter},
    {"BASE(1)'\r\nATYPE=1\r\nUNITS=1.000\r\nFASTDEC = 0.000\r\nSTEP_RATIO(1,1)\r\n"
     "'STEP_RATIO1=1\r\nENABLE_OUT(1)=-1\r\nCLEAR_OUT(1)=-1\r\n\r\nINVERT_IN(2,1)\r\n",
     CallerCase::Setter},
    {"?SPEED(1)", CallerCase::FloatQuery},
    {"?DPOS(1)", CallerCase::FloatQuery},
    {"?MPOS(1)", CallerCase::FloatQuery},
    {"?VP_SPEED(1)", CallerCase::FloatQuery},
    {"?MSPEED(1)", CallerCase::FloatQuery},
    {"?ENDMOVE(1)", CallerCase::FloatQuery},
    {"?ENDMOVE_BUFFER(1)", CallerCase::FloatQuery},
    {"?VECTOR_BUFFERED(1)", CallerCase::FloatQuery},
    {"?REG_POS(1)", CallerCase::FloatQuery},
    {"?REG_POSB(1)", CallerCase::FloatQuery},
    {"?FE(1)", CallerCase::FloatQuery},
    {"?AOUT(1)", CallerCase::FloatQuery},
    {"?AIN(1)", CallerCase::FloatQuery},
    {"?myvar", CallerCase::FloatQuery},
    {"?AXIS_ENABLE(1)", CallerCase::IntQuery},
    {"?IDLE(1)", CallerCase::IntQuery},
    {"?MARK(1)", CallerCase::IntQuery},
    {"?MARKB(1)", CallerCase::IntQuery},
    {"?MOVE_CURMARK(1)", CallerCase::IntQuery},
    {"?MTYPE(1)", CallerCase::IntQuery},
    {"?LOADED(1)", CallerCase::IntQuery},
    {"?AXISSTATUS(1)", CallerCase::IntQuery},
    {"?ENCODER(1)", CallerCase::IntQuery},
    {"?AXIS_STOPREASON(1)", CallerCase::IntQuery},
    {"?REMAIN_BUFFER(1) AXIS(1)", CallerCase::IntQuery},
    {"?REMAIN_BUFFER() AXIS(1)", CallerCase::IntQuery},
    {"?IN(1)", CallerCase::IntQuery},
    {"?OP(1)", CallerCase::IntQuery},
    {"?INVERT_IN(1)", CallerCase::IntQuery},
    {"?IP_ADDRESS", CallerCase::IntQuery},
    {"?TSIZE", CallerCase::IntQuery},
};

using CallerCommandsTest = ControllerTest;

TEST_F(CallerCommandsTest, EveryCallerTextIsUnderstood)
{
    for (const CallerCase& c : callerCases) {
        const Outcome o = controller->execute(task, c.text);
        ASSERT_EQ(o.code, 0) << c.text << "\n" << o.messages;
        if (c.kind == CallerCase::Setter)
            continue;
        ASSERT_FALSE(o.output.empty()) << c.text;
        if (c.kind == CallerCase::IntQuery) {
            int v;
            EXPECT_EQ(std::sscanf(o.output.c_str(), "%d", &v), 1) << c.text;
            // An integer query must not see decimals it would stop at.
            EXPECT_EQ(o.output.find('.'), std::string::npos) << c.text << ": " << o.output;
        } else {
            float v;
            EXPECT_EQ(std::sscanf(o.output.c_str(), "%f", &v), 1) << c.text;
        }
    }
}

TEST_F(CallerCommandsTest, BlockReadersOfEveryShape)
{
    for (const char* text : {"?*ATYPE",
                             "?*UNITS",
                             "?*LSPEED",
                             "?*SPEED",
                             "?*ACCEL",
                             "?*DECEL",
                             "?*FASTDEC",
                             "?*SRAMP",
                             "?*FS_LIMIT",
                             "?*RS_LIMIT",
                             "?*INVERT_STEP",
                             "?*DATUM_IN",
                             "?*FWD_IN",
                             "?*REV_IN",
                             "?*ALM_IN",
                             "?*ENABLE_OUT(0,8)",
                             "?*CLEAR_OUT(0,8)",
                             "?*TABLE(0,30)",
                             "?vr(0) vr(1) vr(2) ",
                             "?vr_int(0) vr_int(1) ",
                             "?TABLE(0) TABLE(1) ",
                             "?INVERT_IN(0),INVERT_IN(1),INVERT_IN(2)",
                             "?PWM_DUTY(0),PWM_DUTY(1),",
                             "?PWM_FREQ(0),PWM_FREQ(1),PWM_FREQ(2),PWM_FREQ(3),"}) {
        const Outcome o = controller->execute(task, text);
        ASSERT_EQ(o.code, 0) << text << "\n" << o.messages;
        // The value-list parser needs a number first and no leading tab.
        ASSERT_FALSE(o.output.empty()) << text;
        const char first = o.output[0];
        EXPECT_TRUE((first >= '0' && first <= '9') || first == '-') << text << ": " << o.output;
        EXPECT_EQ(o.output.substr(o.output.size() - 2), "\r\n");
    }
}

TEST_F(CallerCommandsTest, InjectedFaultsAnswerWithTheirCodes)
{
    ManualClock c;
    Controller faulty(parseProfile(R"({"errors": {"unsupported": ["clear_out"],
        "failingCommands": [{"name": "OP", "code": 2033}]}})"),
                      {"", &c});
    TaskContext t;
    EXPECT_EQ(faulty.execute(t, "?*CLEAR_OUT(0,8)").code, 2002);
    EXPECT_EQ(faulty.execute(t, "OP(1,1)").code, 2033);
    EXPECT_EQ(faulty.execute(t, "?*ENABLE_OUT(0,8)").code, 0);
    EXPECT_EQ(faulty.lastError(), 2033);
}

} // namespace
} // namespace korvan::controller::testing
