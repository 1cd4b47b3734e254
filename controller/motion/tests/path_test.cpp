#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvan::motion;
using namespace korvan::motion::testing;

namespace {
constexpr int kXY[] = {0, 1};
constexpr int kXYZU[] = {0, 1, 2, 3};

MotionEngine makeEngine()
{
    MotionEngine e(4);
    e.parameters(0).decel = 1000;
    return e;
}

// Largest distance from the centre minus the radius seen on every tick until idle.
double worstRadiusError(MotionEngine& e, double cx, double cy, double r)
{
    double worst = 0;
    while (true) {
        e.tick();
        const double d = std::hypot(e.status(0).dpos - cx, e.status(1).dpos - cy);
        worst = std::max(worst, std::abs(d - r));
        if (e.status(0).idle == -1)
            return worst;
    }
}
} // namespace

TEST(Path, LineEndsExactlyAtItsTarget)
{
    MotionEngine e = makeEngine();
    const double t[] = {30, -40};
    ASSERT_EQ(e.moveAbs(kXY, t), MotionResult::Ok);
    const int ticks = runUntilIdle(e, {0, 1});
    EXPECT_EQ(e.status(0).dpos, 30);
    EXPECT_EQ(e.status(1).dpos, -40);
    EXPECT_NEAR(ticks, 600, 1); // 50 units at vector speed 100
}

TEST(Path, FullCircleStaysOnTheCircleAndReturns)
{
    struct Case
    {
        const char* name;
        bool spherical;
    };
    for (const Case c : {Case{"MSPHERICAL", true}, Case{"MOVECIRC", false}}) {
        SCOPED_TRACE(c.name);
        MotionEngine e = makeEngine();
        ASSERT_EQ(e.setDpos(0, 3), MotionResult::Ok);
        ASSERT_EQ(e.setDpos(1, 4), MotionResult::Ok);
        if (c.spherical) {
            // Start (3,4), middle point (13,14), end point (23,4): centre (13,4), r 10.
            ASSERT_EQ(e.mspherical(kXY, {20, 0, 0}, {10, 10, 0}, 2, 0, 0, false), MotionResult::Ok);
        } else {
            ASSERT_EQ(e.moveCirc(kXY, 0, 0, 10, 0, 0, false, false), MotionResult::Ok);
        }
        EXPECT_LT(worstRadiusError(e, 13, 4, 10), 1e-6);
        EXPECT_NEAR(e.status(0).dpos, 3, 1e-6);
        EXPECT_NEAR(e.status(1).dpos, 4, 1e-6);
    }
}

TEST(Path, ArcThroughMiddlePointEndsOnItsEnd)
{
    MotionEngine e = makeEngine();
    // Half circle of radius 10 round (10,0), anticlockwise through (10,-10)... passes the
    // middle point given.
    ASSERT_EQ(e.moveCirc2(kXY, 10, 10, 20, 0, false, false), MotionResult::Ok);
    double maxY = -1e9;
    while (true) {
        e.tick();
        maxY = std::max(maxY, e.status(1).dpos);
        EXPECT_NEAR(std::hypot(e.status(0).dpos - 10, e.status(1).dpos), 10, 1e-6);
        if (e.status(0).idle == -1)
            break;
    }
    EXPECT_NEAR(maxY, 10, 1e-3); // went through the middle point side
    EXPECT_EQ(e.status(0).dpos, 20);
    EXPECT_EQ(e.status(1).dpos, 0);
    EXPECT_EQ(e.moveCirc2(kXY, 5, 0, 10, 0, false, false), MotionResult::BadArc);
}

TEST(Path, SpatialArcWithHelicalFourthAxis)
{
    MotionEngine e = makeEngine();
    // Quarter circle in the plane x = z tilted 45 degrees, U moves 8 alongside.
    const double r = 10;
    const double s = r / std::sqrt(2.0);
    ASSERT_EQ(e.mspherical(kXYZU, {s, r, s},
                           {s * (1 - std::cos(M_PI / 4)), r * std::sin(M_PI / 4),
                            s * (1 - std::cos(M_PI / 4))},
                           0, 8, 0, false),
              MotionResult::Ok);
    ASSERT_EQ(e.status(0).idle, 0); // busy as soon as it is queued
    while (true) {
        e.tick();
        if (e.status(0).idle == -1)
            break;
    }
    EXPECT_NEAR(e.status(0).dpos, s, 1e-9);
    EXPECT_NEAR(e.status(1).dpos, r, 1e-9);
    EXPECT_NEAR(e.status(2).dpos, s, 1e-9);
    EXPECT_EQ(e.status(3).dpos, 8);
}

TEST(Path, MergeBlendsCollinearLinesWithoutStopping)
{
    for (const int merge : {0, 1}) {
        MotionEngine e = makeEngine();
        e.parameters(0).merge = merge;
        const double a[] = {50, 0};
        const double b[] = {50, 0};
        ASSERT_EQ(e.move(kXY, a), MotionResult::Ok);
        ASSERT_EQ(e.move(kXY, b), MotionResult::Ok);
        double minSpeed = 1e9;
        int ticks = 0;
        while (true) {
            e.tick();
            ++ticks;
            if (e.status(0).idle == -1)
                break;
            if (ticks > 150 && ticks < 950)
                minSpeed = std::min(minSpeed, e.status(0).vpSpeed);
        }
        EXPECT_EQ(e.status(0).dpos, 100);
        if (merge) {
            EXPECT_NEAR(minSpeed, 100, 1e-6);
            EXPECT_NEAR(ticks, 1100, 2);
        } else {
            EXPECT_LT(minSpeed, 1);
            EXPECT_NEAR(ticks, 1200, 2);
        }
    }
}

TEST(Path, MergeRunsOnIntoAMoveQueuedWhileTheFirstRuns)
{
    // The teach runner queues one segment per 100 ms: the running move must re-plan its
    // end when the next arrives instead of stopping as planned when it ran alone.
    MotionEngine e = makeEngine();
    e.parameters(0).merge = 1;
    const int base[] = {0};
    const double d[] = {50};
    ASSERT_EQ(e.move(base, d), MotionResult::Ok);
    runTicks(e, 100);
    ASSERT_EQ(e.move(base, d), MotionResult::Ok);
    const PathTrace trace = tracePath(e, base);
    double slowest = 1e9;
    for (std::size_t i = 60; i + 100 < trace.points.size(); ++i)
        slowest = std::min(slowest, trace.speed(i));
    EXPECT_NEAR(slowest, 100, 1e-6);
    EXPECT_LE(trace.maxPathAcceleration(), 1000 * (1 + 1e-6));
    EXPECT_EQ(e.status(0).dpos, 100);
}

TEST(Path, MergeStopsWhereTheNextMoveTurnsStraightBack)
{
    MotionEngine e = makeEngine();
    e.parameters(0).merge = 1;
    const int base[] = {0};
    const double there[] = {50};
    const double back[] = {-50};
    ASSERT_EQ(e.move(base, there), MotionResult::Ok);
    ASSERT_EQ(e.move(base, back), MotionResult::Ok);
    const PathTrace trace = tracePath(e, base);
    EXPECT_LE(trace.maxPathAcceleration(), 1000 * (1 + 1e-6));
    double furthest = 0;
    for (const auto& p : trace.points)
        furthest = std::max(furthest, p[0]);
    EXPECT_EQ(furthest, 50);
    EXPECT_EQ(e.status(0).dpos, 0);
}

TEST(Path, CornerModeStopsAtSharpCorners)
{
    MotionEngine e = makeEngine();
    e.parameters(0).merge = 1;
    e.parameters(0).cornerMode = 2;
    e.parameters(0).decelAngle = 0.5;
    e.parameters(0).stopAngle = 1.2;
    const double a[] = {50, 0};
    const double b[] = {0, 50};
    ASSERT_EQ(e.move(kXY, a), MotionResult::Ok);
    ASSERT_EQ(e.move(kXY, b), MotionResult::Ok);
    double minSpeed = 1e9;
    for (int t = 0; t < 1200; ++t) {
        e.tick();
        if (t > 100 && t < 1000)
            minSpeed = std::min(minSpeed, std::hypot(e.status(0).vpSpeed, e.status(1).vpSpeed));
    }
    EXPECT_LT(minSpeed, 1);
    EXPECT_EQ(e.status(1).dpos, 50);
}

TEST(Path, RemainBufferAndMarksFollowTheQueue)
{
    MotionEngine e = makeEngine();
    const int room = e.remainBuffer(0, 1);
    for (int i = 1; i <= 5; ++i) {
        e.parameters(0).moveMark = i;
        const double d[] = {10, 10};
        ASSERT_EQ(e.move(kXY, d), MotionResult::Ok);
        EXPECT_EQ(e.remainBuffer(0, 7), room - i);
    }
    EXPECT_EQ(e.remainBuffer(1, 7), e.remainBuffer(0, 7));
    EXPECT_EQ(e.remainBuffer(0, 31), e.remainBuffer(0, 7) / 2);
    EXPECT_EQ(e.remainBuffer(0, 3), -1);
    int lastMark = 0;
    int lastRoom = e.remainBuffer(0, 1);
    while (e.status(0).idle == 0 || lastMark == 0) {
        e.tick();
        const int mark = e.status(0).moveCurmark;
        EXPECT_GE(mark, lastMark);
        EXPECT_GE(e.remainBuffer(0, 1), lastRoom);
        lastMark = mark;
        lastRoom = e.remainBuffer(0, 1);
    }
    EXPECT_EQ(lastMark, 5);
    EXPECT_EQ(e.remainBuffer(0, 1), room);
}

TEST(Path, FullBufferRefusesFurtherMoves)
{
    MotionEngine e = makeEngine();
    const int base[] = {0};
    const double d[] = {1};
    int accepted = 0;
    while (e.move(base, d) == MotionResult::Ok)
        ++accepted;
    EXPECT_EQ(accepted, kBufferDepth);
    EXPECT_EQ(e.move(base, d), MotionResult::BufferFull);
}

TEST(Path, BufferedOutputsAndWaitsRunInOrder)
{
    RecordingHost host;
    MotionEngine e(2, 0.001, &host);
    const int base[] = {0};
    const double d[] = {10};
    ASSERT_EQ(e.move(base, d), MotionResult::Ok);
    ASSERT_EQ(e.moveOp(0, 7, 1), MotionResult::Ok);
    ASSERT_EQ(e.moveWait(0, 50), MotionResult::Ok);
    ASSERT_EQ(e.moveAout(0, 2, 3.5), MotionResult::Ok);
    int ticks = 0;
    while (!host.outputs.count(7)) {
        e.tick();
        ++ticks;
        ASSERT_LT(ticks, 5000);
    }
    EXPECT_EQ(e.status(0).dpos, 10);
    EXPECT_FALSE(host.analog.count(2));
    const int opTick = ticks;
    while (!host.analog.count(2)) {
        e.tick();
        ++ticks;
    }
    EXPECT_NEAR(ticks - opTick, 50, 1);
    EXPECT_EQ(host.analog[2], 3.5);
    runTicks(e, 2);
    EXPECT_EQ(e.status(0).idle, -1);
}

TEST(Path, CancelDropsBufferedMovesAndPauseHolds)
{
    MotionEngine e = makeEngine();
    const double d[] = {100, 0};
    ASSERT_EQ(e.move(kXY, d), MotionResult::Ok);
    ASSERT_EQ(e.move(kXY, d), MotionResult::Ok);
    runTicks(e, 300);
    ASSERT_EQ(e.movePause(kXY), MotionResult::Ok);
    runTicks(e, 200);
    EXPECT_TRUE(e.status(0).axisStatus & status_bits::Paused);
    const double held = e.status(0).dpos;
    runTicks(e, 100);
    EXPECT_EQ(e.status(0).dpos, held);
    ASSERT_EQ(e.moveResume(kXY), MotionResult::Ok);
    runTicks(e, 100);
    EXPECT_GT(e.status(0).dpos, held);
    ASSERT_EQ(e.cancel(1, 2), MotionResult::Ok);
    runUntilIdle(e, {0, 1});
    EXPECT_LT(e.status(0).dpos, 100);
    EXPECT_EQ(e.status(0).idle, -1);
    EXPECT_EQ(e.remainBuffer(0, 1), kBufferDepth);
}

TEST(Path, SpMoveUsesForceSpeed)
{
    MotionEngine e = makeEngine();
    e.parameters(0).forceSpeed = 50;
    const double d[] = {100, 0};
    ASSERT_EQ(e.moveSp(kXY, d), MotionResult::Ok);
    runTicks(e, 500);
    EXPECT_NEAR(e.status(0).vpSpeed, 50, 1e-9);
    EXPECT_EQ(e.status(0).mtype, static_cast<int>(MoveType::MoveSp));
}

TEST(Path, ResumeDuringThePauseRampContinuesSmoothly)
{
    MotionEngine e = makeEngine();
    const int base[] = {0};
    const double d[] = {100};
    ASSERT_EQ(e.move(base, d), MotionResult::Ok);
    runTicks(e, 300);
    ASSERT_EQ(e.movePause(base), MotionResult::Ok);
    runTicks(e, 30);
    ASSERT_EQ(e.moveResume(base), MotionResult::Ok);
    double prev = e.status(0).dpos;
    while (e.status(0).idle == 0) {
        e.tick();
        EXPECT_GE(e.status(0).dpos, prev); // never runs backwards
        EXPECT_LE(e.status(0).vpSpeed, 100 + 1e-9);
        prev = e.status(0).dpos;
    }
    EXPECT_EQ(e.status(0).dpos, 100);
}

TEST(Path, CancelModesChooseWhatStops)
{
    struct Case
    {
        int mode;
        double expectedEnd; // three queued moves of 10: where the axis ends up
        bool exact;
    };
    // Mode 0 stops the current move early, the other two run: below 30.
    // Mode 1 keeps the current move and drops the rest: exactly 10.
    // Modes 2 and 3 stop everything during the first move: below 10.
    for (const Case c :
         {Case{0, 30, false}, Case{1, 10, true}, Case{2, 10, false}, Case{3, 10, false}}) {
        SCOPED_TRACE(c.mode);
        MotionEngine e = makeEngine();
        const int base[] = {0};
        const double d[] = {10};
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(e.move(base, d), MotionResult::Ok);
        runTicks(e, 60);
        ASSERT_EQ(e.cancel(0, c.mode), MotionResult::Ok);
        runUntilIdle(e, {0});
        if (c.exact) {
            EXPECT_EQ(e.status(0).dpos, c.expectedEnd);
        } else {
            EXPECT_LT(e.status(0).dpos, c.expectedEnd);
            EXPECT_GT(e.status(0).dpos, c.expectedEnd - 10);
        }
    }
}

TEST(Path, MoveModifyReversesThroughAStop)
{
    MotionEngine e = makeEngine();
    const int base[] = {0};
    const double t[] = {100};
    ASSERT_EQ(e.moveAbs(base, t), MotionResult::Ok);
    runTicks(e, 300);
    const double here = e.status(0).dpos;
    ASSERT_EQ(e.moveModify(0, here - 20), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.status(0).dpos, here - 20);
}

TEST(Path, MoveModifyOnAnIdleAxisMovesInsteadOfJumping)
{
    MotionEngine e = makeEngine();
    ASSERT_EQ(e.moveModify(0, 5), MotionResult::Ok);
    e.tick();
    EXPECT_LT(e.status(0).dpos, 1);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.status(0).dpos, 5);
}

TEST(Path, SpMovesStartAndEndAtTheirOwnSpeeds)
{
    MotionEngine e = makeEngine();
    AxisParameters& p = e.parameters(0);
    p.merge = 1;
    p.forceSpeed = 80;
    p.startMoveSpeed = 30;
    p.endMoveSpeed = 20;
    const int base[] = {0};
    const double d[] = {50};
    ASSERT_EQ(e.moveSp(base, d), MotionResult::Ok);
    p.startMoveSpeed = -1;
    p.endMoveSpeed = -1;
    ASSERT_EQ(e.moveSp(base, d), MotionResult::Ok);
    const PathTrace trace = tracePath(e, base);
    // The first tick starts from STARTMOVE_SPEED, ramping at ACCEL.
    EXPECT_NEAR(trace.speed(1), 30 + 1000 * 0.001 / 2, 1e-6);
    EXPECT_LE(trace.maxSpeed(), 80 * (1 + 1e-9));
    // Round the junction at 50 the speed dips to ENDMOVE_SPEED, not to a stop.
    double slowest = 1e9;
    for (std::size_t i = 1; i < trace.points.size(); ++i)
        if (std::abs(trace.points[i][0] - 50) < 1)
            slowest = std::min(slowest, trace.speed(i));
    EXPECT_NEAR(slowest, 20, 1);
    EXPECT_EQ(e.status(0).dpos, 100);
}

TEST(Path, SmallCirclesSlowDownWithCornerModeEight)
{
    for (const int mode : {0, 8}) {
        SCOPED_TRACE(mode);
        MotionEngine e = makeEngine();
        e.parameters(0).cornerMode = mode;
        e.parameters(0).fullSpRadius = 5;
        // A whole circle of radius 2: 40 % of FULL_SP_RADIUS, so 40 % of SPEED.
        ASSERT_EQ(e.moveCirc(kXY, 0, 0, 2, 0, 0, false, false), MotionResult::Ok);
        runTicks(e, 115); // cruising in both cases (the circle is 12.6 long)
        EXPECT_NEAR(std::hypot(e.status(0).vpSpeed, e.status(1).vpSpeed), mode ? 40 : 100, 0.05);
    }
}

TEST(Path, BufferedLengthLoadedAndEndOfBufferFollowTheQueue)
{
    MotionEngine e = makeEngine();
    const double a[] = {30, 0};
    const double b[] = {0, 40};
    ASSERT_EQ(e.move(kXY, a), MotionResult::Ok);
    ASSERT_EQ(e.move(kXY, b), MotionResult::Ok);
    EXPECT_EQ(e.status(1).endmoveBuffer, 40);
    e.tick();
    EXPECT_EQ(e.status(0).loaded, 0); // the second waits behind the first
    EXPECT_NEAR(e.status(0).vectorBuffered, 70 - e.status(0).dpos, 1e-9);
    EXPECT_EQ(e.status(0).endmove, 30);
    while (e.status(1).dpos == 0)
        e.tick();
    EXPECT_EQ(e.status(0).loaded, -1);
    EXPECT_NEAR(e.status(0).vectorBuffered, 40 - e.status(1).dpos, 1e-9);
    runUntilIdle(e, {0, 1});
    EXPECT_EQ(e.status(0).vectorBuffered, 0);
}

TEST(Path, FollowingErrorBeyondItsLimitSetsItsBit)
{
    MotionEngine e = makeEngine();
    e.parameters(0).atype = 3; // encoder feedback lags the demand
    e.parameters(0).feLimit = 0.1;
    const int base[] = {0};
    const double d[] = {100};
    ASSERT_EQ(e.move(base, d), MotionResult::Ok);
    runTicks(e, 200); // at 100 units/s the lag is about 0.2
    EXPECT_GT(e.status(0).dpos - e.status(0).mpos, 0.1);
    EXPECT_TRUE(e.status(0).axisStatus & status_bits::FollowingError);
    runUntilIdle(e, {0});
    runTicks(e, 100);
    EXPECT_FALSE(e.status(0).axisStatus & status_bits::FollowingError);
}
