#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

using namespace korvan::motion;
using namespace korvan::motion::testing;

namespace {
constexpr int kOriginInput = 3;
constexpr int kFwdInput = 4;
constexpr int kRevInput = 5;

// An axis with the origin at -0.5..0.5, limits beyond ±100 and a Z pulse every 4 units.
void wireAxis(MotionEngine& e, int axis)
{
    AxisParameters& p = e.parameters(axis);
    p.datumIn = kOriginInput;
    p.fwdIn = kFwdInput;
    p.revIn = kRevInput;
    p.decel = 1000;
    p.datumOffset = 7.5;
    AxisSwitches& s = e.switches(axis);
    s.origin = {true, -0.5, 0.5, 0};
    s.fwdLimit = {true, 100, 1e9, 0};
    s.revLimit = {true, -1e9, -100, 0};
    s.zPulse = {true, 0, 0.01, 4};
}

double homeFrom(MotionEngine& e, double start, int mode, bool* sawHomingBit)
{
    e.defpos(std::array{0}, std::array{start});
    e.switches(0).origin = {true, -0.5, 0.5, 0};
    // Put the axis physically at the start: the switches are in machine positions.
    const double shift = start - e.physicalPosition(0);
    const int base[] = {0};
    const double d[] = {shift};
    EXPECT_EQ(e.move(base, d), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_NEAR(e.physicalPosition(0), start, 1e-9);
    EXPECT_EQ(e.datum(0, mode), MotionResult::Ok);
    *sawHomingBit = false;
    for (int t = 0; t < 200000 && (t == 0 || e.status(0).idle == 0); ++t) {
        e.tick();
        *sawHomingBit = *sawHomingBit || (e.status(0).axisStatus & status_bits::Homing);
    }
    EXPECT_EQ(e.status(0).idle, -1);
    return e.physicalPosition(0);
}
} // namespace

TEST(Homing, EveryModeFindsItsSwitchFromEitherSide)
{
    struct Case
    {
        int mode;
        double start;
        double home; // physical position of the home point
    };
    const Case cases[] = {
        {11, -43, -40}, {11, 43, 44},   {12, -43, -43.99}, {12, 43, 40.01},  {13, -40, -0.5},
        {13, 40, -0.5}, {14, -40, 0.5}, {14, 40, 0.5},     {15, -40, -3.99}, {15, 40, -3.99},
        {16, -40, 4},   {16, 40, 4},    {18, -40, -0.5},   {18, 40, -0.5},   {19, -40, 0.5},
        {19, 40, 0.5},  {13, 0, -0.5},  {19, 0.2, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " from " << c.start);
        MotionEngine e(1);
        wireAxis(e, 0);
        bool homingBit = false;
        EXPECT_NEAR(homeFrom(e, c.start, c.mode, &homingBit), c.home, 1e-9);
        EXPECT_TRUE(homingBit);
        EXPECT_EQ(e.status(0).dpos, 7.5);
        EXPECT_EQ(e.status(0).mpos, 7.5);
        EXPECT_FALSE(e.status(0).axisStatus & status_bits::Homing);
        EXPECT_EQ(e.status(0).stopReason, 0u);
    }
}

TEST(Homing, InvertedOriginInputIsHonoured)
{
    RecordingHost host;
    host.inverted[kOriginInput] = true;
    MotionEngine e(1, 0.001, &host);
    wireAxis(e, 0);
    // The sensor is normally closed: the origin reads on outside the window.
    e.switches(0).origin = {true, -1e9, -1e9, 0};
    e.tick();
    EXPECT_TRUE(e.inputState(kOriginInput));
    host.inverted[kOriginInput] = false;
    e.tick();
    EXPECT_FALSE(e.inputState(kOriginInput));
}

TEST(Homing, TwoPassScriptRunsInOrder)
{
    // datum(11), MOVE(distance) at creep, datum(11), queued at once as a script does.
    MotionEngine e(1);
    wireAxis(e, 0);
    e.parameters(0).datumOffset = 0;
    const int base[] = {0};
    const double d[] = {-6};
    ASSERT_EQ(e.datum(0, 11), MotionResult::Ok);
    ASSERT_EQ(e.setNextMoveSpeed(0, 10), MotionResult::Ok);
    ASSERT_EQ(e.move(base, d), MotionResult::Ok);
    ASSERT_EQ(e.datum(0, 11), MotionResult::Ok);
    EXPECT_EQ(e.remainBuffer(0, 1), kBufferDepth - 3);
    runUntilIdle(e, {0});
    EXPECT_NEAR(e.physicalPosition(0), 0, 1e-9); // Z at 4 first, then Z at 0 after the move
    EXPECT_EQ(e.status(0).dpos, 0);
}

TEST(Homing, MissingOriginFailsWithLimitReason)
{
    MotionEngine e(1);
    wireAxis(e, 0);
    e.switches(0).origin.present = false;
    ASSERT_EQ(e.datum(0, 13), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_TRUE(e.status(0).stopReason & (status_bits::FwdHardLimit | status_bits::RevHardLimit));
    ASSERT_EQ(e.datum(0, 0), MotionResult::Ok);
    EXPECT_EQ(e.status(0).stopReason, 0u);
}

TEST(Homing, CancelEndsHoming)
{
    MotionEngine e(1);
    wireAxis(e, 0);
    ASSERT_EQ(e.datum(0, 13), MotionResult::Ok);
    runTicks(e, 200);
    ASSERT_EQ(e.cancel(0, 2), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_FALSE(e.status(0).axisStatus & status_bits::Homing);
    EXPECT_EQ(e.status(0).idle, -1);
}

TEST(Homing, BusDriveMethods)
{
    MotionEngine e(1);
    wireAxis(e, 0);
    EXPECT_EQ(e.datumDrive(0, 35), MotionResult::BadArgument); // not a bus axis
    e.parameters(0).atype = 65;
    e.defpos(std::array{0}, std::array{3.0});
    ASSERT_EQ(e.datumDrive(0, 35), MotionResult::Ok);
    EXPECT_EQ(e.status(0).dpos, 7.5);
    ASSERT_EQ(e.datumDrive(0, 34), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.status(0).dpos, 7.5);
    EXPECT_EQ(e.datumDrive(0, 99), MotionResult::BadArgument);
    EXPECT_EQ(e.datum(0, 17), MotionResult::BadArgument);
}
