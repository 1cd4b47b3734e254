// Program tasks with the motion engine: WAIT IDLE waits for the move the
// task started, while another task keeps running.
#include "controller/motion_link.h"
#include "link/krx/krx.h"

#include "controller_fixture.h"

namespace korvan::controller::testing {
namespace {

using TaskMotionTest = ControllerTest;

TEST_F(TaskMotionTest, WaitIdleHoldsTheTaskUntilItsMoveEnds)
{
    MotionLink motion(*controller);
    const std::string main = "BASE(1)\r\nMOVE(5)\r\nWAIT IDLE\r\nVR(0) = DPOS\r\n"
                             "MOVE(2) AXIS(2)\r\nWAIT IDLE AXIS(2)\r\nVR(1) = DPOS(2)\r\n"
                             "RUN \"Ticker\", 1\r\nSTOPTASK 0";
    const std::string ticker = "WHILE 1\r\nVR(2) = VR(2) + 1\r\nWEND";
    link::krx::KrxPackage p{
        "Motion",
        {{"Main.bas", {main.begin(), main.end()}}, {"Ticker.bas", {ticker.begin(), ticker.end()}}}};
    std::string messages;
    ASSERT_EQ(controller->downloadPackage(link::krx::writeKrx(p).bytes, false, messages), 0);
    motion.tick();
    EXPECT_EQ(ok("?IDLE(1) VR(0) PROC_STATUS(0)"), "0 0 1\r\n");
    int ticks = 1;
    while (ok("?VR(0)") == "0\r\n" && ticks < 5000) {
        motion.tick();
        ++ticks;
    }
    // At the default SPEED 100 and ACCEL 1000 a move of 5 takes more than 50 ms.
    EXPECT_GT(ticks, 50);
    EXPECT_EQ(ok("?VR(0) IDLE(1) DPOS(2)"), "5 -1 0\r\n");
    for (int i = 0; i < 2000; ++i)
        motion.tick();
    EXPECT_EQ(ok("?VR(1) PROC_STATUS(0) PROC_STATUS(1)"), "2 0 1\r\n");
}

} // namespace
} // namespace korvan::controller::testing
