#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

using namespace korvan::motion;
using namespace korvan::motion::testing;

namespace {
int envInt(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

MotionEngine makeEngine(int axes = 4)
{
    MotionEngine e(axes);
    for (int i = 0; i < axes; ++i)
        e.parameters(i).decel = 1000;
    return e;
}
} // namespace

TEST(SingleAxis, MoveAbsEndsExactlyOnTime)
{
    MotionEngine e = makeEngine();
    const int base[] = {0};
    const double target[] = {100};
    ASSERT_EQ(e.moveAbs(base, target), MotionResult::Ok);
    const int ticks = runUntilIdle(e, {0});
    EXPECT_NEAR(ticks, 1100, 1);
    EXPECT_EQ(e.status(0).dpos, 100.0);
    EXPECT_EQ(e.status(0).mpos, 100.0); // pulse axis: feedback equals demand
}

TEST(SingleAxis, StateWhileMoving)
{
    MotionEngine e = makeEngine();
    const int base[] = {1};
    const double d[] = {-30};
    ASSERT_EQ(e.move(base, d), MotionResult::Ok);
    runTicks(e, 200);
    EXPECT_EQ(e.status(1).idle, 0);
    EXPECT_EQ(e.status(1).mtype, static_cast<int>(MoveType::Move));
    EXPECT_NEAR(e.status(1).vpSpeed, -100, 1e-6);
    EXPECT_EQ(e.status(1).endmove, -30);
    runUntilIdle(e, {1});
    EXPECT_EQ(e.status(1).mtype, 0);
    EXPECT_EQ(e.status(1).dpos, -30);
}

// Randomised sweep: KORVAN_MOTION_SWEEP_COUNT moves from seed KORVAN_MOTION_SWEEP_SEED.
TEST(SingleAxis, RandomMovesRespectSpeedAndAcceleration)
{
    const int count = envInt("KORVAN_MOTION_SWEEP_COUNT", 150);
    const unsigned seed = static_cast<unsigned>(envInt("KORVAN_MOTION_SWEEP_SEED", 20261210));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> speed(1, 500), acc(50, 20000), dist(-300, 300),
        unit(0, 1);
    MotionEngine e(1);
    long long totalTicks = 0;
    for (int n = 0; n < count; ++n) {
        AxisParameters& p = e.parameters(0);
        p.speed = speed(rng);
        p.accel = acc(rng);
        p.decel = unit(rng) < 0.3 ? 0 : acc(rng);
        p.sramp = unit(rng) < 0.5 ? 0 : unit(rng) * 200;
        const double decel = p.decel > 0 ? p.decel : p.accel;
        const bool absolute = unit(rng) < 0.5;
        const double start = e.status(0).dpos;
        const double value = dist(rng);
        const double target = absolute ? value : start + value;
        const int base[] = {0};
        const double arg[] = {value};
        ASSERT_EQ(absolute ? e.moveAbs(base, arg) : e.move(base, arg), MotionResult::Ok);
        double prevPos = start;
        double prevSpeed = 0;
        int ticks = 0;
        while (e.status(0).idle == 0 || ticks == 0) {
            e.tick();
            ++ticks;
            const double pos = e.status(0).dpos;
            ASSERT_TRUE(std::isfinite(pos)) << "seed " << seed << " move " << n;
            const double v = std::abs(pos - prevPos) / e.period();
            ASSERT_LE(v, p.speed * (1 + 1e-9) + 1e-9) << "seed " << seed << " move " << n;
            const double dv = (v - prevSpeed) / e.period();
            ASSERT_LE(dv, p.accel * (1 + 1e-6) + 1e-6) << "seed " << seed << " move " << n;
            ASSERT_GE(dv, -decel * (1 + 1e-6) - 1e-6) << "seed " << seed << " move " << n;
            prevPos = pos;
            prevSpeed = v;
            ASSERT_LT(ticks, 10000000);
        }
        ASSERT_EQ(e.status(0).dpos, target) << "seed " << seed << " move " << n;
        totalTicks += ticks;
    }
    EXPECT_GT(totalTicks, count); // the moves really ran
}

TEST(SingleAxis, CancelDeceleratesAtDecelAndRapidStopAtFastdec)
{
    struct Case
    {
        bool rapid;
        double expectedRate;
    };
    for (const Case c : {Case{false, 400}, Case{true, 4000}}) {
        MotionEngine e(1);
        e.parameters(0).decel = 400;
        e.parameters(0).fastdec = 4000;
        ASSERT_EQ(e.vmove(0, 1), MotionResult::Ok);
        runTicks(e, 500);
        EXPECT_NEAR(e.status(0).vpSpeed, 100, 1e-9);
        ASSERT_EQ(c.rapid ? e.rapidStop(2) : e.cancel(0, 2), MotionResult::Ok);
        double prev = e.status(0).vpSpeed;
        int ticks = 0;
        while (e.status(0).idle == 0) {
            e.tick();
            ++ticks;
            const double v = e.status(0).vpSpeed;
            if (v > 0 && prev > 0 && ticks > 1) {
                EXPECT_NEAR(prev - v, c.expectedRate * e.period(), 1e-6);
            }
            prev = v;
        }
        EXPECT_NEAR(ticks, 100 / c.expectedRate * 1000, 2);
    }
}

TEST(SingleAxis, SpeedChangeAppliesToRunningVmove)
{
    MotionEngine e(1);
    ASSERT_EQ(e.vmove(0, -1), MotionResult::Ok);
    runTicks(e, 300);
    EXPECT_EQ(e.status(0).mtype, static_cast<int>(MoveType::VmoveReverse));
    e.parameters(0).speed = 20;
    runTicks(e, 300);
    EXPECT_NEAR(e.status(0).vpSpeed, -20, 1e-9);
}

TEST(SingleAxis, SoftLimitStopsAtTheLimit)
{
    MotionEngine e(1);
    e.parameters(0).fsLimit = 50;
    e.parameters(0).rsLimit = -5;
    const int base[] = {0};
    const double t[] = {100};
    ASSERT_EQ(e.moveAbs(base, t), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.status(0).dpos, 50);
    EXPECT_TRUE(e.status(0).axisStatus & status_bits::FwdSoftLimit);
    EXPECT_TRUE(e.status(0).stopReason & status_bits::FwdSoftLimit);
    EXPECT_EQ(e.vmove(0, 1), MotionResult::LimitActive);
    // Moving away is allowed and clears the bit.
    const double back[] = {0};
    ASSERT_EQ(e.moveAbs(base, back), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.status(0).dpos, 0);
    EXPECT_FALSE(e.status(0).axisStatus & status_bits::FwdSoftLimit);
    ASSERT_EQ(e.vmove(0, -1), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.status(0).dpos, -5);
    EXPECT_TRUE(e.status(0).axisStatus & status_bits::RevSoftLimit);
}

TEST(SingleAxis, EncoderAxisLagsAndSettles)
{
    MotionEngine e(2);
    e.parameters(0).atype = 4;
    e.parameters(0).units = 1000;
    const int base[] = {0};
    const double t[] = {10};
    ASSERT_EQ(e.moveAbs(base, t), MotionResult::Ok);
    runTicks(e, 100);
    EXPECT_GT(e.status(0).dpos, e.status(0).mpos);
    EXPECT_NEAR(e.status(0).dpos - e.status(0).mpos, 100 * 0.002, 0.05);
    runUntilIdle(e, {0});
    runTicks(e, 100);
    EXPECT_EQ(e.status(0).mpos, 10);
    EXPECT_EQ(e.status(0).encoder, 10000);
    EXPECT_EQ(e.status(0).mspeed, 0);
}

TEST(SingleAxis, DisabledBusAxisRefusesMotion)
{
    MotionEngine e(1);
    e.parameters(0).atype = 65;
    ASSERT_EQ(e.setAxisEnable(0, false), MotionResult::Ok);
    const int base[] = {0};
    const double t[] = {10};
    EXPECT_EQ(e.moveAbs(base, t), MotionResult::AxisDisabled);
    EXPECT_EQ(controllerCode(MotionResult::AxisDisabled), 3004);
    ASSERT_EQ(e.setAxisEnable(0, true), MotionResult::Ok);
    EXPECT_EQ(e.moveAbs(base, t), MotionResult::Ok);
}

TEST(SingleAxis, PositionWritesAndModify)
{
    MotionEngine e(1);
    const int base[] = {0};
    const double t[] = {50};
    ASSERT_EQ(e.moveAbs(base, t), MotionResult::Ok);
    runTicks(e, 100);
    ASSERT_EQ(e.moveModify(0, 80), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.status(0).dpos, 80);
    ASSERT_EQ(e.setDpos(0, 0), MotionResult::Ok);
    EXPECT_EQ(e.status(0).dpos, 0);
    EXPECT_EQ(e.status(0).mpos, 0);
    const double pos[] = {12.5};
    ASSERT_EQ(e.defpos(base, pos), MotionResult::Ok);
    EXPECT_EQ(e.status(0).dpos, 12.5);
    EXPECT_EQ(e.physicalPosition(0), 80);
}

TEST(SingleAxis, CommandsRejectBadArguments)
{
    MotionEngine e(2);
    const int bad[] = {5};
    const int twice[] = {0, 0};
    const double one[] = {1};
    const double two[] = {1, 2};
    EXPECT_EQ(e.move(bad, one), MotionResult::BadAxis);
    EXPECT_EQ(e.move(twice, two), MotionResult::BadArgument);
    const int ok[] = {0};
    EXPECT_EQ(e.move(ok, two), MotionResult::BadArgument);
    EXPECT_EQ(e.cancel(0, 4), MotionResult::BadArgument);
    EXPECT_EQ(e.vmove(0, 0), MotionResult::BadArgument);
    EXPECT_EQ(e.regist(0, 5), MotionResult::BadArgument);
    EXPECT_EQ(e.pswitch(16, 1, 0, 0, 1, 0, 1), MotionResult::BadArgument);
    EXPECT_EQ(e.connect(0, 1, 0), MotionResult::BadArgument);
}

TEST(SingleAxis, StartSpeedIsUsedFromRest)
{
    MotionEngine e(1);
    e.parameters(0).lspeed = 20;
    const int base[] = {0};
    const double t[] = {10};
    ASSERT_EQ(e.move(base, t), MotionResult::Ok);
    e.tick();
    EXPECT_GT(e.status(0).vpSpeed, 20);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.status(0).dpos, 10);
}
