// CAM, CAMBOX, MOVELINK, CONNPATH and the cancel of linked moves.
#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace korvan::motion;
using namespace korvan::motion::testing;

namespace {
// TABLE(0..10): a smooth rise from 0 to 10, TABLE(20..30): out to 4 and back to 0.
void fillTable(RecordingHost& host)
{
    for (int i = 0; i <= 10; ++i) {
        host.table[static_cast<std::size_t>(i)] = 5 * (1 - std::cos(std::numbers::pi * i / 10));
        host.table[static_cast<std::size_t>(20 + i)] = 4 * std::sin(std::numbers::pi * i / 10);
    }
}

// The rise at a fraction of the table, as the engine interpolates it.
double rise(const RecordingHost& host, double fraction)
{
    const double x = fraction * 10;
    const int i = std::min(9, static_cast<int>(std::floor(x)));
    const double a = host.table[static_cast<std::size_t>(i)];
    return a + (x - i) * (host.table[static_cast<std::size_t>(i + 1)] - a);
}

struct LinkedEngine
{
    RecordingHost host;
    MotionEngine engine{4, 0.001, &host};
    LinkedEngine()
    {
        fillTable(host);
        for (int a = 0; a < 4; ++a)
            engine.parameters(a).decel = 1000;
    }
};

void moveAxisTo(MotionEngine& e, int axis, double target)
{
    const int base[] = {axis};
    const double t[] = {target};
    ASSERT_EQ(e.moveAbs(base, t), MotionResult::Ok);
}
} // namespace

TEST(Cam, RunsTheTableOverItsDistanceAndEndsExactly)
{
    LinkedEngine f;
    MotionEngine& e = f.engine;
    ASSERT_EQ(e.setDpos(0, 3), MotionResult::Ok);
    // Distance 50 at SPEED 100, ACCEL and DECEL 1000: 0.6 s, the middle at 0.3 s.
    ASSERT_EQ(e.cam(0, 0, 10, 2, 50), MotionResult::Ok);
    EXPECT_EQ(e.status(0).endmoveBuffer, 23);
    const int base[] = {0};
    PathTrace trace;
    trace.points.push_back({e.status(0).dpos});
    for (int t = 1; t <= 300; ++t) {
        e.tick();
        trace.points.push_back({e.status(0).dpos});
    }
    EXPECT_EQ(e.status(0).mtype, static_cast<int>(MoveType::Cam));
    EXPECT_EQ(e.status(0).mtype, 22);
    EXPECT_NEAR(e.status(0).dpos, 3 + 2 * 5, 1e-9); // half the notional distance
    const PathTrace rest = tracePath(e, base);
    trace.points.insert(trace.points.end(), rest.points.begin() + 1, rest.points.end());
    EXPECT_NEAR(static_cast<double>(trace.points.size() - 1), 600, 2);
    ASSERT_TRUE(trace.allFinite());
    for (std::size_t i = 1; i < trace.points.size(); ++i)
        EXPECT_GE(trace.points[i][0], trace.points[i - 1][0]); // the table only rises
    EXPECT_EQ(e.status(0).dpos, 3 + 2 * (f.host.table[10] - f.host.table[0]));
    EXPECT_EQ(e.status(0).idle, -1);
}

TEST(Cam, ATableRunBackwardsAndOutAndBackReturnsToItsStart)
{
    LinkedEngine f;
    MotionEngine& e = f.engine;
    ASSERT_EQ(e.cam(1, 30, 20, 1.5, 20), MotionResult::Ok);
    double furthest = 0;
    const int base[] = {1};
    for (const auto& p : tracePath(e, base).points)
        furthest = std::max(furthest, p[0]);
    EXPECT_NEAR(furthest, 1.5 * 4, 1e-9);
    EXPECT_EQ(e.status(1).dpos, 1.5 * (f.host.table[20] - f.host.table[30]));
}

TEST(Cam, CancelRampsTheNotionalDistanceDown)
{
    LinkedEngine f;
    MotionEngine& e = f.engine;
    ASSERT_EQ(e.cam(0, 0, 10, 2, 50), MotionResult::Ok);
    runTicks(e, 300);
    ASSERT_EQ(e.cancel(0, 2), MotionResult::Ok);
    const int base[] = {0};
    const PathTrace trace = tracePath(e, base);
    // 100 units/s of notional distance stop within 0.1 s and 5 units of it.
    EXPECT_LE(trace.points.size(), 102u);
    EXPECT_GT(e.status(0).dpos, 10);
    EXPECT_LT(e.status(0).dpos, 2 * rise(f.host, 0.6) + 1e-9);
    EXPECT_EQ(e.status(0).idle, -1);
}

TEST(Cam, RefusesRangesOutsideTheTableAndBadValues)
{
    LinkedEngine f;
    MotionEngine& e = f.engine;
    const int size = static_cast<int>(f.host.table.size());
    EXPECT_EQ(e.cam(0, 0, size, 1, 10), MotionResult::BadArgument);
    EXPECT_EQ(e.cam(0, -1, 5, 1, 10), MotionResult::BadArgument);
    EXPECT_EQ(e.cam(0, 4, 4, 1, 10), MotionResult::BadArgument);
    EXPECT_EQ(e.cam(0, 0, 10, 1, 0), MotionResult::BadArgument);
    EXPECT_EQ(e.cam(0, 0, 10, NAN, 10), MotionResult::BadArgument);
    EXPECT_EQ(e.cam(9, 0, 10, 1, 10), MotionResult::BadAxis);
    MotionEngine bare(2); // no TABLE at all
    EXPECT_EQ(bare.cam(0, 0, 1, 1, 10), MotionResult::BadArgument);
    EXPECT_EQ(e.status(0).idle, -1);
}

TEST(CamBox, FollowsTheTableOverTheMastersMovement)
{
    LinkedEngine f;
    MotionEngine& e = f.engine;
    // Slave 2 on master 1 (a lower number: seen in the same tick).
    ASSERT_EQ(e.camBox(2, 0, 10, 2, 100, 1, 0, 0), MotionResult::Ok);
    e.tick();
    EXPECT_EQ(e.status(2).mtype, 23);
    EXPECT_EQ(e.status(2).dpos, 0); // waits for the master
    moveAxisTo(e, 1, 60);
    while (e.status(1).idle == 0) {
        e.tick();
        ASSERT_NEAR(e.status(2).dpos, 2 * rise(f.host, e.status(1).dpos / 100), 1e-9);
    }
    moveAxisTo(e, 1, 20); // back: the profile runs backwards with it
    runUntilIdle(e, {1});
    EXPECT_NEAR(e.status(2).dpos, 2 * rise(f.host, 0.2), 1e-9);
    moveAxisTo(e, 1, 150);
    runUntilIdle(e, {1});
    EXPECT_EQ(e.status(2).dpos, 2 * (f.host.table[10] - f.host.table[0]));
    EXPECT_EQ(e.status(2).idle, -1); // one run, then the link ends
}

TEST(CamBox, OptionsStartAtALinkPositionAndRepeat)
{
    LinkedEngine f;
    MotionEngine& e = f.engine;
    ASSERT_EQ(e.camBox(2, 0, 10, 1, 40, 1, link_options::StartAtPosition, 30), MotionResult::Ok);
    ASSERT_EQ(e.camBox(3, 0, 10, 1, 40, 1, link_options::Repeat, 0), MotionResult::Ok);
    moveAxisTo(e, 1, 25);
    runUntilIdle(e, {1});
    EXPECT_EQ(e.status(2).dpos, 0);
    moveAxisTo(e, 1, 50);
    runUntilIdle(e, {1});
    EXPECT_NEAR(e.status(2).dpos, rise(f.host, 20.0 / 40), 1e-9);
    // Axis 3 started at 0: one run of 40 done (rise 10) and a quarter into the next.
    EXPECT_NEAR(e.status(3).dpos, 10 + rise(f.host, 10.0 / 40), 1e-9);
    EXPECT_EQ(e.status(3).idle, 0); // repeats until cancelled
    ASSERT_EQ(e.cancel(3, 2), MotionResult::Ok);
    runTicks(e, 2);
    EXPECT_EQ(e.status(3).idle, -1);
}

TEST(CamBox, RefusesUnknownOptionsAndItsOwnAxisAsMaster)
{
    LinkedEngine f;
    MotionEngine& e = f.engine;
    EXPECT_EQ(e.camBox(2, 0, 10, 1, 40, 1, 4, 0), MotionResult::BadArgument);
    EXPECT_EQ(e.camBox(2, 0, 10, 1, 40, 2, 0, 0), MotionResult::BadArgument);
    EXPECT_EQ(e.camBox(2, 0, 10, 1, 0, 1, 0, 0), MotionResult::BadArgument);
    EXPECT_EQ(e.camBox(2, 0, 10, 1, 40, 7, 0, 0), MotionResult::BadAxis);
    EXPECT_EQ(e.moveLink(2, 10, 40, 30, 20, 1, 0, 0), MotionResult::BadArgument);
    EXPECT_EQ(e.moveLink(2, 10, 40, -1, 0, 1, 0, 0), MotionResult::BadArgument);
    EXPECT_EQ(e.connPath(2, 1, 2), MotionResult::BadArgument);
    EXPECT_EQ(e.connPath(2, INFINITY, 1), MotionResult::BadArgument);
}

TEST(MoveLink, RampsUpHoldsTheRatioAndRampsDownOverTheMastersDistance)
{
    struct Case
    {
        const char* name;
        double linkDistance; // the master moves this far (backwards when negative)
    };
    for (const Case c : {Case{"forward", 100}, Case{"master backwards", -100}}) {
        SCOPED_TRACE(c.name);
        LinkedEngine f;
        MotionEngine& e = f.engine;
        // The slave moves 30 while the master moves 100: ramps of 20 at each end, so the
        // ratio holds at 30 / (100 - 20) = 0.375 in between.
        ASSERT_EQ(e.moveLink(2, 30, c.linkDistance, 20, 20, 1, 0, 0), MotionResult::Ok);
        EXPECT_EQ(e.status(2).endmoveBuffer, 30);
        moveAxisTo(e, 1, c.linkDistance);
        const double ratio = 0.375;
        double prevSlave = 0;
        double prevMaster = 0;
        while (e.status(1).idle == 0) {
            e.tick();
            const double m = std::abs(e.status(1).dpos);
            const double slave = e.status(2).dpos;
            ASSERT_TRUE(std::isfinite(slave));
            if (m <= 20) {
                ASSERT_NEAR(slave, ratio * m * m / 40, 1e-9);
            } else if (m <= 80) {
                ASSERT_NEAR(slave, ratio * (m - 10), 1e-9);
            }
            // Never faster than the ratio times the master.
            ASSERT_LE(slave - prevSlave, ratio * (m - prevMaster) + 1e-12);
            prevSlave = slave;
            prevMaster = m;
        }
        EXPECT_EQ(e.status(2).dpos, 30);
        EXPECT_EQ(e.status(2).idle, -1);
    }
}

TEST(ConnPath, FollowsThePathLengthOfTheMastersMoves)
{
    LinkedEngine f;
    MotionEngine& e = f.engine;
    ASSERT_EQ(e.connPath(3, 0.5, 0), MotionResult::Ok);
    const int xy[] = {0, 1};
    const double line[] = {30, 40}; // 50 long
    ASSERT_EQ(e.move(xy, line), MotionResult::Ok);
    // A half circle of radius 10 back towards the start: pi * 10 long.
    ASSERT_EQ(e.moveCirc2(xy, -10, 10, -20, 0, false, false), MotionResult::Ok);
    int ticks = 0;
    while (e.status(0).idle == 0) {
        e.tick();
        ASSERT_LE(std::abs(e.status(3).vpSpeed), 0.5 * 100 * (1 + 1e-9));
        ++ticks;
    }
    EXPECT_NEAR(e.status(3).dpos, 0.5 * (50 + std::numbers::pi * 10), 1e-9);
    EXPECT_EQ(e.status(3).mtype, 25);
    EXPECT_EQ(e.status(3).idle, 0); // linked until cancelled
}

TEST(LinkedMotion, CancelLeavesTheMasterAndRampsDownAtDecel)
{
    struct Case
    {
        const char* name;
        int kind; // 0 CONNECT, 1 CONNPATH, 2 MOVELINK
    };
    for (const Case c : {Case{"CONNECT", 0}, Case{"CONNPATH", 1}, Case{"MOVELINK", 2}}) {
        SCOPED_TRACE(c.name);
        LinkedEngine f;
        MotionEngine& e = f.engine;
        e.parameters(2).decel = 500;
        if (c.kind == 0)
            ASSERT_EQ(e.connect(2, 2, 1), MotionResult::Ok);
        else if (c.kind == 1)
            ASSERT_EQ(e.connPath(2, 2, 1), MotionResult::Ok);
        else
            ASSERT_EQ(e.moveLink(2, 2000, 1000, 0, 0, 1, 0, 0), MotionResult::Ok);
        ASSERT_EQ(e.vmove(1, 1), MotionResult::Ok);
        runTicks(e, 300); // master at 100 units/s, slave at 200
        EXPECT_NEAR(e.status(2).vpSpeed, 200, 1e-6);
        ASSERT_EQ(e.cancel(2, 2), MotionResult::Ok);
        const int base[] = {2};
        const PathTrace trace = tracePath(e, base);
        EXPECT_LE(trace.maxPathAcceleration(), 500 * (1 + 1e-6));
        EXPECT_NEAR(static_cast<double>(trace.points.size()), 400, 3); // 200 / 500 s
        EXPECT_EQ(e.status(1).idle, 0);                                // the master runs on
    }
}
