#include "controller_fixture.h"

namespace korvan::controller::testing {
namespace {

using IoMemoryTest = ControllerTest;

TEST_F(IoMemoryTest, OutputsInBothFormsAndBlocks)
{
    ok("OP(3,1)");
    ok("op(5,1)");
    ok("OP(6)=1");
    EXPECT_EQ(ok("?OP(3) OP(5) OP(6) OP(4)"), "1 1 1 0\r\n");
    EXPECT_EQ(ok("?*OP(2,6)"), "0 1 0 1 1 0\r\n");
    ok("OP(3,0)");
    EXPECT_EQ(ok("?OP(3)"), "0\r\n");
}

TEST_F(IoMemoryTest, InputInversionFlipsWhatTheProgramSees)
{
    controller->setInputLevel(2, true);
    EXPECT_EQ(ok("?IN(2) IN(3)"), "1 0\r\n");
    ok("INVERT_IN(2,1)\r\nINVERT_IN(3,1)");
    EXPECT_EQ(ok("?IN(2) IN(3)"), "0 1\r\n");
    EXPECT_EQ(ok("?INVERT_IN(2),INVERT_IN(3),INVERT_IN(4)"), "1 1 0\r\n");
    EXPECT_EQ(code("INVERT_IN(2,2)"), 2004);
    EXPECT_EQ(code("IN(2)=1"), 2005);
}

TEST_F(IoMemoryTest, ExpansionModuleNumbersFollowTheLocalBlocks)
{
    // The module with CAN id 1 is card 1: I/O from 32, clear of the 24 local inputs.
    EXPECT_EQ(ok("?IN(23) IN(32) IN(47)"), "0 0 0\r\n");
    EXPECT_EQ(code("?IN(24)"), 2003);
    EXPECT_EQ(code("?IN(48)"), 2003);
    ok("OP(40,1)");
    EXPECT_EQ(ok("?OP(40)"), "1\r\n");
    EXPECT_EQ(code("?OP(16)"), 2003);
}

TEST_F(IoMemoryTest, AnalogueInputFollowsItsSignalOverTime)
{
    EXPECT_EQ(ok("?AIN(0) AIN(1)"), "2048 100\r\n");
    clock.advance(1.0); // a quarter of the 4 s sine
    EXPECT_EQ(ok("?AIN(0)"), "3048\r\n");
    clock.advance(2.0);
    EXPECT_EQ(ok("?AIN(0)"), "1048\r\n");
}

TEST_F(IoMemoryTest, AnalogueOutputsAndPwm)
{
    ok("AOUT(1) = 2000.000000");
    EXPECT_EQ(ok("?AOUT(1)"), "2000\r\n");
    ok("PWM_DUTY(2) = 0.250000\r\nPWM_FREQ(2) = 5000.000000");
    EXPECT_EQ(ok("?PWM_DUTY(0),PWM_DUTY(1),PWM_DUTY(2),PWM_DUTY(3),"), "0 0 0.25 0\r\n");
    EXPECT_EQ(ok("?PWM_FREQ(2),"), "5000\r\n");
    EXPECT_EQ(code("PWM_DUTY(2) = 1.5"), 2004);
    EXPECT_EQ(code("PWM_DUTY(4) = 0.5"), 2003);
}

TEST_F(IoMemoryTest, VrTableAndWriteRuns)
{
    ok("VR(0)=1.5\nVR(1)=-2\nVR_INT(2)=7.9");
    EXPECT_EQ(ok("?vr(0) vr(1) vr(2) "), "1.5 -2 7\r\n");
    EXPECT_EQ(ok("?vr_int(0) vr_int(1) "), "1 -2\r\n");
    ok("TABLE(10, 1, 2.5, 3)");
    EXPECT_EQ(ok("?TABLE(10) TABLE(11) TABLE(12) TABLE(13) "), "1 2.5 3 0\r\n");
    EXPECT_EQ(ok("?*TABLE(10,3)"), "1 2.5 3\r\n");
    // "?*TABLE(i,30)" near the end prints what exists.
    EXPECT_EQ(ok("?*TABLE(4998,30)"), "0 0\r\n");
    EXPECT_EQ(code("?*TABLE(5000,30)"), 2003);
    EXPECT_EQ(code("TABLE(4999, 1, 2)"), 2003);
    EXPECT_EQ(ok("?TSIZE"), "5000\r\n");
    EXPECT_EQ(code("?*TABLE"), 2004); // too large to print whole
}

} // namespace
} // namespace korvan::controller::testing
