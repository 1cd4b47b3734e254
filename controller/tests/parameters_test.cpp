#include "controller_fixture.h"

namespace korvan::controller::testing {
namespace {

using ParametersTest = ControllerTest;

TEST_F(ParametersTest, FactoryValues)
{
    EXPECT_EQ(ok("?SPEED(0) ACCEL(0) UNITS(0) FS_LIMIT(0) RS_LIMIT(0)"),
              "100 1000 1 200000000 -200000000\r\n");
    EXPECT_EQ(ok("?DATUM_IN(0) FWD_IN(1) REV_IN(2) ALM_IN(3) ENABLE_OUT(4) CLEAR_OUT(5)"),
              "-1 -1 -1 -1 -1 -1\r\n");
    EXPECT_EQ(ok("?*ATYPE"), "1 1 65 65 0 0 0 0\r\n");
    // Corner angles in radians, as the teach panel writes them; SP speeds unused.
    EXPECT_EQ(ok("?DECEL_ANGLE(0) STOP_ANGLE(0) STARTMOVE_SPEED(0) ENDMOVE_SPEED(0)"),
              "0.2618 0.7854 -1 -1\r\n");
}

TEST_F(ParametersTest, IndexBaseAndAxisModifierSelectTheAxis)
{
    ok("SPEED(3)=250.5");
    EXPECT_EQ(ok("?SPEED(3)"), "250.5\r\n");
    ok("BASE(2)\r\nSPEED=77\r\nACCEL = 5000");
    EXPECT_EQ(ok("?SPEED(2) ACCEL(2) SPEED"), "77 5000 77\r\n");
    // BASE stays for the task's next command line.
    ok("DECEL=12");
    EXPECT_EQ(ok("?DECEL(2)"), "12\r\n");
    EXPECT_EQ(ok("?SPEED AXIS(3)"), "250.5\r\n");
    ok("ATYPE(3)=65");
    EXPECT_EQ(ok("?ATYPE(3)"), "65\r\n");
}

TEST_F(ParametersTest, CaseInsensitiveNamesAndIntegerTruncation)
{
    ok("Rev_In(1)=7.9");
    EXPECT_EQ(ok("?rev_in(1) REV_IN(1)"), "7 7\r\n");
    ok("speed(0)=1.25");
    EXPECT_EQ(ok("?SpEeD(0)"), "1.25\r\n");
}

TEST_F(ParametersTest, RangeBlocksAndOutputTables)
{
    ok("ENABLE_OUT(0)=3\nENABLE_OUT(1)=4");
    EXPECT_EQ(ok("?*ENABLE_OUT(0,8)"), "3 4 -1 -1 -1 -1 -1 -1\r\n");
    EXPECT_EQ(ok("?*CLEAR_OUT(6,30)"), "-1 -1\r\n"); // stops at the last axis
    // A start-up file declares the tables first; the values stay.
    ok("GLOBAL ENABLE_OUT(8)\r\nGLOBAL CLEAR_OUT(8)\r\nCLEAR_OUT(0)=9");
    EXPECT_EQ(ok("?*ENABLE_OUT(0,2) CLEAR_OUT(0)"), "3 4 9\r\n");
}

TEST_F(ParametersTest, RatiosGoToTheBaseOrModifierAxis)
{
    ok("base(1)\r\nSTEP_RATIO(3,7)");
    ok("ENCODER_RATIO(-2,5) AXIS(2)");
    const std::string set = ok("?*SET");
    EXPECT_NE(set.find("STEP_RATIO: 1~1 3~7 1~1"), std::string::npos) << set;
    EXPECT_NE(set.find("ENCODER_RATIO: 1~1 1~1 -2~5"), std::string::npos) << set;
}

struct ErrorCase
{
    const char* text;
    int32_t code;
};

TEST_F(ParametersTest, ErrorsGiveDocumentedCodes)
{
    const ErrorCase cases[] = {
        {"?NO_SUCH_PARAM", 2002},
        {"NO_SUCH_CMD(1)", 2002},
        {"?SPEED(8)", 2003},
        {"SPEED(-1)=3", 2003},
        {"?SPEED(1,2)", 2004},
        {"STEP_RATIO(0,1)", 2004},
        {"STEP_RATIO(1,70000)", 2004},
        {"ENCODER_RATIO(0,5)", 2004},
        {"IDLE(0)=1", 2005},
        {"?1/0", 2008},
        {"?SPEED(0", 2001},
        {"BASE(9)", 2003},
        {"GLOBAL SPEED(4)", 2010},
        {"GLOBAL ENABLE_OUT(99)", 2010},
        {"?REBOOT", 2011},
        {"SPEED", 2004},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(code(c.text), c.code) << c.text;
    EXPECT_EQ(controller->lastError(), 2004);
}

TEST_F(ParametersTest, AStatementAfterAnErrorDoesNotRun)
{
    EXPECT_EQ(code("SPEED(0)=5\r\nSPEED(99)=1\r\nSPEED(1)=5"), 2003);
    EXPECT_EQ(ok("?SPEED(0) SPEED(1)"), "5 100\r\n");
    // A syntax error anywhere runs nothing.
    EXPECT_EQ(code("SPEED(0)=6\r\nSPEED(1)=="), 2001);
    EXPECT_EQ(ok("?SPEED(0)"), "5\r\n");
}

TEST_F(ParametersTest, BoundEntriesGoThroughTheirFunctions)
{
    double stored = 0;
    controller->withState([&](ControllerState& s) {
        s.parameters.bind(AxisParam::DPOS, {[&](int axis) { return stored + axis; },
                                            [&](int, double v) {
                                                stored = v;
                                                return basic::ErrorCode::None;
                                            }});
        s.parameters.bind(AxisParam::VP_SPEED, {[](int) { return 12.5; }, nullptr});
    });
    ok("DPOS(0)=40");
    EXPECT_EQ(ok("?DPOS(0) DPOS(2) VP_SPEED(1)"), "40 42 12.5\r\n");
    EXPECT_EQ(code("VP_SPEED(1)=3"), 2005);
}

TEST_F(ParametersTest, VariablesAndExpressions)
{
    ok("a=3:b=a*2+1");
    EXPECT_EQ(ok("?b, a^2, 7 MOD 3, -a, (1<2) AND (2<3), NOT 1, 1 <> 1 OR 2 >= 2"),
              "7 9 1 -3 -1 0 -1\r\n");
    EXPECT_EQ(ok("?ABS(-2.5) INT(2.7) SQR(16) \"text\""), "2.5 2 4 text\r\n");
    ok("GLOBAL arr(5)\narr(4)=2");
    EXPECT_EQ(ok("?*arr ARR(4)"), "0 0 0 0 2 2\r\n");
    EXPECT_EQ(code("?arr(5)"), 2003);
    EXPECT_EQ(code("?undefined_thing"), 2002);
    EXPECT_EQ(ok("?1;"), "1");
}

TEST_F(ParametersTest, GlobalsAreSharedLocalsAreNot)
{
    TaskContext other;
    ok("GLOBAL shared\nshared=5\nmine=1");
    const Outcome o = controller->execute(other, "?shared");
    EXPECT_EQ(o.output, "5\r\n");
    EXPECT_EQ(controller->execute(other, "?mine").code, 2002);
}

} // namespace
} // namespace korvan::controller::testing
