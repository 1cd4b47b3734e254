#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

using namespace korvan::motion;
using namespace korvan::motion::testing;

namespace {
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

// Randomised sweep over random moves; size and seed from sweepCount() / sweepSeed().
TEST(SingleAxis, RandomMovesRespectSpeedAndAcceleration)
{
    const int count = sweepCount(150);
    const unsigned seed = sweepSeed(20261210);
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

TEST(SingleAxis, NonFiniteArgumentsAreRefusedAndLeaveTheAxisAlone)
{
    RecordingHost host;
    MotionEngine e(3, 0.001, &host);
    const double nan = std::nan("");
    const double inf = HUGE_VAL;
    const int one[] = {0};
    const int xy[] = {0, 1};
    const double bad[] = {nan};
    const double badXy[] = {1, inf};
    EXPECT_EQ(e.move(one, bad), MotionResult::BadArgument);
    EXPECT_EQ(e.moveAbs(xy, badXy), MotionResult::BadArgument);
    EXPECT_EQ(e.moveModify(0, nan), MotionResult::BadArgument);
    EXPECT_EQ(e.moveCirc(xy, 1, 1, nan, 0, 0, false, false), MotionResult::BadArgument);
    EXPECT_EQ(e.moveCirc2(xy, inf, 1, 2, 0, false, false), MotionResult::BadArgument);
    EXPECT_EQ(e.mspherical(xy, {1, 1, 0}, {nan, 0, 0}, 0, 0, 0, false), MotionResult::BadArgument);
    EXPECT_EQ(e.moveWait(0, nan), MotionResult::BadArgument);
    EXPECT_EQ(e.moveAout(0, 1, inf), MotionResult::BadArgument);
    EXPECT_EQ(e.defpos(one, bad), MotionResult::BadArgument);
    EXPECT_EQ(e.pswitch(0, 1, 0, 1, 1, nan, 1), MotionResult::BadArgument);
    EXPECT_EQ(e.connect(1, inf, 0), MotionResult::BadArgument);
    EXPECT_EQ(e.moveParameter(0, "SPEED", 0, nan), MotionResult::BadArgument);
    EXPECT_EQ(e.moveOpPulse(0, 1, 1, inf), MotionResult::BadArgument);
    const int xyz[] = {0, 1, 2};
    EXPECT_EQ(e.mhelical(xyz, 1, 1, nan, 0, 0, 1, 0, false, false), MotionResult::BadArgument);
    EXPECT_EQ(e.mhelical2(xyz, 1, inf, 2, 0, 1, 0, false, false), MotionResult::BadArgument);
    runTicks(e, 10);
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(e.status(a).dpos, 0);
        EXPECT_EQ(e.status(a).idle, -1);
    }
    EXPECT_EQ(e.remainBuffer(0, 1), kBufferDepth);
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

TEST(SingleAxis, PulseRateAboveTheMaximumSetsItsBit)
{
    MotionEngine e(1);
    e.parameters(0).units = 100000;
    e.parameters(0).speed = 200; // 20 MHz of pulses
    ASSERT_EQ(e.vmove(0, 1), MotionResult::Ok);
    runTicks(e, 300);
    EXPECT_TRUE(e.status(0).axisStatus & status_bits::MaxPulseFreq);
    e.parameters(0).speed = 50;
    runTicks(e, 300);
    EXPECT_FALSE(e.status(0).axisStatus & status_bits::MaxPulseFreq);
}

TEST(SingleAxis, SpeedWrittenDuringAMoveRampsToTheNewSpeed)
{
    MotionEngine e = makeEngine();
    const int base[] = {0};
    const double t[] = {100};
    ASSERT_EQ(e.moveAbs(base, t), MotionResult::Ok);
    runTicks(e, 300);
    e.parameters(0).speed = 20;
    double prev = e.status(0).vpSpeed;
    while (e.status(0).idle == 0) {
        e.tick();
        const double v = e.status(0).vpSpeed;
        EXPECT_LE(prev - v, 1000 * e.period() + 1e-6);
        EXPECT_LE(v - prev, 1000 * e.period() + 1e-6);
        prev = v;
    }
    EXPECT_EQ(e.status(0).dpos, 100);
    // Raising it again speeds the next move up.
    e.parameters(0).speed = 100;
    const double back[] = {0};
    ASSERT_EQ(e.moveAbs(base, back), MotionResult::Ok);
    runTicks(e, 500);
    EXPECT_NEAR(e.status(0).vpSpeed, -100, 1e-9);
}

// Randomised sweep over blended paths of lines and arcs on two axes.
TEST(PathSweep, BlendedPathsRespectVectorSpeedAndEndExactly)
{
    const int count = sweepCount(150);
    const unsigned seed = sweepSeed(20261210);
    std::mt19937 rng(seed + 1);
    std::uniform_real_distribution<double> coord(-100, 100), unit(0, 1);
    MotionEngine e(2);
    const int base[] = {0, 1};
    for (int n = 0; n < count / 10 + 1; ++n) {
        AxisParameters& p = e.parameters(0);
        p.speed = 20 + unit(rng) * 300;
        p.accel = 500 + unit(rng) * 5000;
        p.decel = p.accel;
        p.sramp = unit(rng) < 0.5 ? 0 : unit(rng) * 100;
        p.merge = unit(rng) < 0.7;
        double endX = e.status(0).dpos;
        double endY = e.status(1).dpos;
        for (int k = 0; k < 8; ++k) {
            if (unit(rng) < 0.6) {
                endX = coord(rng);
                endY = coord(rng);
                const double t[] = {endX, endY};
                ASSERT_EQ(e.moveAbs(base, t), MotionResult::Ok);
            } else {
                const double mx = coord(rng) / 4;
                const double my = coord(rng) / 4;
                if (e.moveCirc2(base, mx, my, 2 * mx + my, 2 * my - mx, false, false) ==
                    MotionResult::Ok) {
                    endX += 2 * mx + my;
                    endY += 2 * my - mx;
                }
            }
        }
        double px = e.status(0).dpos;
        double py = e.status(1).dpos;
        int ticks = 0;
        while (e.status(0).idle == 0 || ticks == 0) {
            e.tick();
            ++ticks;
            const double x = e.status(0).dpos;
            const double y = e.status(1).dpos;
            ASSERT_TRUE(std::isfinite(x) && std::isfinite(y)) << "seed " << seed;
            const double v = std::hypot(x - px, y - py) / e.period();
            ASSERT_LE(v, p.speed * (1 + 1e-9) + 1e-9) << "seed " << seed << " batch " << n;
            px = x;
            py = y;
            ASSERT_LT(ticks, 10000000);
        }
        ASSERT_NEAR(e.status(0).dpos, endX, 1e-9) << "seed " << seed << " batch " << n;
        ASSERT_NEAR(e.status(1).dpos, endY, 1e-9) << "seed " << seed << " batch " << n;
    }
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--sweep-count=", 0) == 0)
            g_sweepCount = std::atoi(a.c_str() + 14);
        else if (a.rfind("--sweep-seed=", 0) == 0)
            g_sweepSeed = std::atoll(a.c_str() + 13);
    }
    return RUN_ALL_TESTS();
}
