// The position loop: SERVO opens and closes it, DAC_OUT is the analogue speed command
// of encoder axes.
#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvan::motion;
using namespace korvan::motion::testing;

namespace {
// A jog at constant speed, long enough for the loop to settle.
void jog(MotionEngine& e, int axis, int direction, double speed)
{
    e.parameters(axis).speed = speed;
    e.parameters(axis).accel = 1e6;
    ASSERT_EQ(e.vmove(axis, direction), MotionResult::Ok);
    runTicks(e, 200);
}
} // namespace

TEST(ServoLoop, AnOpenLoopLeavesTheFeedbackWhereItStandsOnAxesWithAnEncoder)
{
    struct Case
    {
        int atype;
        bool hasLoop;
    };
    const Case cases[] = {{3, true}, {4, true}, {65, true}, {67, true}, {1, false}, {0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "ATYPE " << c.atype);
        MotionEngine e(1);
        e.parameters(0).atype = c.atype;
        e.parameters(0).feLimit = 5;
        jog(e, 0, 1, 100);
        const double mposAtOpen = e.status(0).mpos;
        ASSERT_EQ(e.setServo(0, false), MotionResult::Ok);
        EXPECT_EQ(e.parameters(0).servo, 0);
        runTicks(e, 100); // the demand goes on by 10 units
        if (c.hasLoop) {
            EXPECT_EQ(e.status(0).mpos, mposAtOpen);
            EXPECT_EQ(e.status(0).mspeed, 0);
            EXPECT_GT(e.status(0).dpos - e.status(0).mpos, 10);
            EXPECT_TRUE(e.status(0).axisStatus & status_bits::FollowingError);
        } else {
            EXPECT_EQ(e.status(0).mpos, e.status(0).dpos);
            EXPECT_FALSE(e.status(0).axisStatus & status_bits::FollowingError);
        }
        // Closed again, the feedback catches up with the demand.
        ASSERT_EQ(e.setServo(0, true), MotionResult::Ok);
        ASSERT_EQ(e.cancel(0, 2), MotionResult::Ok);
        runUntilIdle(e, {0});
        runTicks(e, 200);
        EXPECT_EQ(e.status(0).mpos, e.status(0).dpos);
        EXPECT_FALSE(e.status(0).axisStatus & status_bits::FollowingError);
    }
    MotionEngine e(1);
    EXPECT_EQ(e.setServo(1, false), MotionResult::BadAxis);
}

TEST(ServoLoop, DacOutIsTheSpeedCommandOfEncoderAxesInSixteenBits)
{
    struct Case
    {
        int atype;
        double units;
        double speed; // signed: the jog's direction
        int dac;
    };
    // Full scale 100000 counts/s: 100 units/s at 10 counts per unit is 32767 * 0.01.
    const Case cases[] = {
        {3, 10, 100, 328},     {3, 10, -100, -328}, {3, 1, 50, 16},  {3, 10, 20000, 32767},
        {3, 10, -1e4, -32767}, {1, 10, 100, 0},     {4, 10, 100, 0}, {65, 10, 100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "ATYPE " << c.atype << " speed " << c.speed);
        MotionEngine e(1);
        e.parameters(0).atype = c.atype;
        e.parameters(0).units = c.units;
        e.parameters(0).dacFullScaleSpeed = 100000;
        EXPECT_EQ(e.status(0).dacOut, 0);
        jog(e, 0, c.speed < 0 ? -1 : 1, std::abs(c.speed));
        EXPECT_EQ(e.status(0).dacOut, c.dac);
        // Open, the loop commands nothing; stopped and settled, neither.
        e.setServo(0, false);
        e.tick();
        EXPECT_EQ(e.status(0).dacOut, 0);
        e.setServo(0, true);
        e.cancel(0, 2);
        runUntilIdle(e, {0});
        runTicks(e, 200);
        EXPECT_EQ(e.status(0).dacOut, 0);
    }
}

TEST(ServoLoop, DacOutLeadsTheFeedbackWhileItCatchesUp)
{
    MotionEngine e(1);
    e.parameters(0).atype = 3;
    e.parameters(0).dacFullScaleSpeed = 1000;
    e.setServo(0, false);
    const int base[] = {0};
    const double to[] = {2};
    ASSERT_EQ(e.defpos(base, to), MotionResult::Ok); // demand and feedback at 2
    e.parameters(0).feLimit = 100;
    // The demand moves with the loop open; closing it commands the whole following
    // error at once, and the command falls as the feedback catches up.
    e.parameters(0).speed = 1000;
    e.parameters(0).accel = 1e9;
    const double far[] = {3};
    ASSERT_EQ(e.moveAbs(base, far), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.status(0).mpos, 2);
    e.setServo(0, true);
    e.tick();
    const double k = 1 - std::exp(-0.001 / e.parameters(0).servoLagSeconds);
    EXPECT_EQ(e.status(0).dacOut, static_cast<int>(std::lround(1.0 * k / 0.001 / 1000 * 32767)));
    const int first = e.status(0).dacOut;
    e.tick();
    EXPECT_GT(first, e.status(0).dacOut);
    EXPECT_GT(e.status(0).dacOut, 0);
}
