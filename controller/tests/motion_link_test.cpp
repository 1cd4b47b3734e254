#include "controller/motion_link.h"

#include "controller_fixture.h"

namespace korvan::controller::testing {
namespace {

using MotionLinkTest = ControllerTest;

TEST_F(MotionLinkTest, MotionParametersLiveInTheEngine)
{
    ok("SPEED(1)=250\nDATUM_IN(1)=3");
    MotionLink link(*controller);
    // The engine took over the values the controller had.
    EXPECT_EQ(ok("?SPEED(1) DATUM_IN(1) ACCEL(0)"), "250 3 1000\r\n");
    ok("SPEED(2)=42.5");
    EXPECT_EQ(ok("?SPEED(2) IDLE(2)"), "42.5 -1\r\n");
    EXPECT_EQ(code("IDLE(2)=0"), 2005);
    EXPECT_EQ(code("SPEED(2)=1e400"), 2004);
    link.tick();
    EXPECT_EQ(ok("?DPOS(0) VP_SPEED(0)"), "0 0\r\n");
}

TEST_F(MotionLinkTest, ValuesAreStoredAgainAfterTheLinkEnds)
{
    {
        MotionLink link(*controller);
        link.startServo();
        ok("SPEED(0)=7");
        link.stopServo();
    }
    EXPECT_EQ(ok("?SPEED(0)"), "100\r\n");
    ok("SPEED(0)=8");
    EXPECT_EQ(ok("?SPEED(0)"), "8\r\n");
}

TEST_F(MotionLinkTest, MotionStatementsDriveTheEngine)
{
    MotionLink link(*controller);
    ok("BASE(0,1)\nMOVEABS(10,20)\nMOVE(5) AXIS(2)");
    EXPECT_EQ(ok("?IDLE(0) IDLE(2)"), "0 0\r\n");
    for (int i = 0; i < 2000; ++i)
        link.tick();
    EXPECT_EQ(ok("?DPOS(0) DPOS(1) DPOS(2) IDLE(0)"), "10 20 5 -1\r\n");
    EXPECT_NE(code("VMOVE(0) AXIS(1)"), 0);
}

} // namespace
} // namespace korvan::controller::testing
