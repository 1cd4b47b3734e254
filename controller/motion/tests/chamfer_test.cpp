// The ZSMOOTH chamfer: MERGE with CORNER_MODE bit 32 rounds the corner between two lines.
#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using namespace korvan::motion;
using namespace korvan::motion::testing;

namespace {
using Point = std::vector<double>;

constexpr int kAxes[] = {0, 1, 2, 3};

double distanceBetween(const Point& a, const Point& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(sum);
}

double segmentDistance(const Point& p, const Point& a, const Point& b)
{
    double along = 0;
    double length2 = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        along += (p[i] - a[i]) * (b[i] - a[i]);
        length2 += (b[i] - a[i]) * (b[i] - a[i]);
    }
    const double f = length2 > 0 ? std::clamp(along / length2, 0.0, 1.0) : 0;
    Point q(p.size());
    for (std::size_t i = 0; i < p.size(); ++i)
        q[i] = a[i] + f * (b[i] - a[i]);
    return distanceBetween(p, q);
}

// The chamfer distance a corner gets: ZSMOOTH, but no more than half of either line.
double chamferAt(const std::vector<Point>& path, std::size_t k, double zsmooth)
{
    return std::min({zsmooth, distanceBetween(path[k - 1], path[k]) / 2,
                     distanceBetween(path[k], path[k + 1]) / 2});
}

// How close the rounded corner comes to the corner point: the arc of radius
// d / tan(turn / 2) passes sqrt(d² + r²) - r from it.
double closestApproach(const std::vector<Point>& path, std::size_t k, double d)
{
    double dot = 0;
    for (std::size_t i = 0; i < path[k].size(); ++i)
        dot += (path[k][i] - path[k - 1][i]) * (path[k + 1][i] - path[k][i]);
    const double turn = std::acos(dot / distanceBetween(path[k - 1], path[k]) /
                                  distanceBetween(path[k], path[k + 1]));
    const double r = d / std::tan(turn / 2);
    return std::hypot(d, r) - r;
}

MotionEngine chamferEngine(double zsmooth, int merge = 1, int cornerMode = 32)
{
    MotionEngine e(4);
    AxisParameters& p = e.parameters(0);
    p.speed = 100;
    p.accel = 1000;
    p.decel = 1000;
    p.merge = merge;
    p.cornerMode = cornerMode;
    p.zsmooth = zsmooth;
    return e;
}

// Queues the path's lines as absolute moves of its first axes.
void queuePath(MotionEngine& e, const std::vector<Point>& path)
{
    const std::span<const int> base(kAxes, path[0].size());
    for (std::size_t k = 1; k < path.size(); ++k)
        ASSERT_EQ(e.moveAbs(base, path[k]), MotionResult::Ok) << "line " << k;
}

struct CornerCheck
{
    bool onPathOrNearCorners = true;
    std::vector<double> closest; // per inner corner: nearest the path came
};

// Every point must lie on a line of the path or within its chamfer distance of a corner.
CornerCheck checkCorners(const PathTrace& trace, const std::vector<Point>& path, double zsmooth)
{
    CornerCheck c;
    c.closest.assign(path.size(), 1e300);
    for (const Point& p : trace.points) {
        bool ok = false;
        for (std::size_t k = 1; k < path.size(); ++k)
            ok = ok || segmentDistance(p, path[k - 1], path[k]) < 1e-9;
        for (std::size_t k = 1; k + 1 < path.size(); ++k) {
            const double d = distanceBetween(p, path[k]);
            c.closest[k] = std::min(c.closest[k], d);
            ok = ok || d <= chamferAt(path, k, zsmooth) + 1e-9;
        }
        c.onPathOrNearCorners = c.onPathOrNearCorners && ok;
    }
    return c;
}

} // namespace

TEST(Chamfer, RoundsTheCornerWithinItsDistanceAtLimitedSpeedAndAcceleration)
{
    const double s30 = 50 * std::cos(std::numbers::pi / 6);
    struct Case
    {
        const char* name;
        std::vector<Point> path;
        double zsmooth;
    };
    const Case cases[] = {
        {"right angle", {{0, 0}, {50, 0}, {50, 50}}, 5},
        {"shallow turn", {{0, 0}, {50, 0}, {50 + s30, 25}}, 5},
        {"sharp turn", {{0, 0}, {50, 0}, {50 - s30, 25}}, 5},
        {"second line shorter than twice the chamfer", {{0, 0}, {50, 0}, {50, 6}}, 5},
        {"three axes", {{0, 0, 0}, {40, 0, 0}, {40, 30, 40}}, 4},
        {"square", {{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 0}}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MotionEngine e = chamferEngine(c.zsmooth);
        queuePath(e, c.path);
        const std::span<const int> axes(kAxes, c.path[0].size());
        const PathTrace trace = tracePath(e, axes);
        ASSERT_TRUE(trace.allFinite());
        EXPECT_EQ(trace.points.back(), c.path.back());
        EXPECT_LE(trace.maxSpeed(), 100 * (1 + 1e-9));
        EXPECT_LE(trace.maxPathAcceleration(), 1000 * (1 + 1e-6));
        // Round the arcs too: the chamfer speed keeps their acceleration within ACCEL.
        EXPECT_LE(trace.maxVectorAcceleration(), 1000 * (1 + 1e-6));
        const CornerCheck corners = checkCorners(trace, c.path, c.zsmooth);
        EXPECT_TRUE(corners.onPathOrNearCorners);
        for (std::size_t k = 1; k + 1 < c.path.size(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_NEAR(corners.closest[k],
                        closestApproach(c.path, k, chamferAt(c.path, k, c.zsmooth)), 1e-3);
        }
    }
}

TEST(Chamfer, KeepsSpeedRoundTheCornerInsteadOfStopping)
{
    const std::vector<Point> path = {{0, 0}, {50, 0}, {50, 50}};
    MotionEngine e = chamferEngine(5);
    queuePath(e, path);
    const PathTrace trace = tracePath(e, std::span<const int>(kAxes, 2));
    double slowest = 1e9;
    for (std::size_t i = 1; i < trace.points.size(); ++i)
        if (distanceBetween(trace.points[i], path[1]) < 4)
            slowest = std::min(slowest, trace.speed(i));
    // A 90 degree chamfer of 5 is an arc of radius 5: sqrt(ACCEL * r) keeps v²/r at ACCEL.
    EXPECT_NEAR(slowest, std::sqrt(1000 * 5.0), 0.5);
}

TEST(Chamfer, OnlyWithMergeCornerBitAndADistance)
{
    struct Case
    {
        const char* name;
        int merge;
        int cornerMode;
        double zsmooth;
    };
    for (const Case c : {Case{"no MERGE", 0, 32, 5}, Case{"no bit 32", 1, 2 | 8, 5},
                         Case{"ZSMOOTH 0", 1, 32, 0}}) {
        SCOPED_TRACE(c.name);
        const std::vector<Point> path = {{0, 0}, {50, 0}, {50, 50}};
        MotionEngine e = chamferEngine(c.zsmooth, c.merge, c.cornerMode);
        queuePath(e, path);
        const PathTrace trace = tracePath(e, std::span<const int>(kAxes, 2));
        EXPECT_LT(checkCorners(trace, path, 0).closest[1], 1e-9); // through the corner
        EXPECT_EQ(trace.points.back(), path.back());
    }
}

TEST(Chamfer, ALineQueuedWhileTheOneBeforeRunsStillGetsItsChamfer)
{
    // As the teach runner feeds: one segment per 100 ms, with the previous one running.
    const std::vector<Point> path = {{0, 0}, {100, 0}, {100, 100}};
    MotionEngine e = chamferEngine(5);
    const int base[] = {0, 1};
    ASSERT_EQ(e.moveAbs(base, path[1]), MotionResult::Ok);
    PathTrace trace;
    trace.points.push_back({0, 0});
    for (int t = 0; t < 100; ++t) {
        e.tick();
        trace.points.push_back({e.status(0).dpos, e.status(1).dpos});
    }
    ASSERT_EQ(e.moveAbs(base, path[2]), MotionResult::Ok);
    EXPECT_NEAR(e.status(0).endmove, 95, 1e-9); // the running line now ends at the chamfer
    const PathTrace rest = tracePath(e, base);
    trace.points.insert(trace.points.end(), rest.points.begin() + 1, rest.points.end());
    EXPECT_EQ(trace.points.back(), path.back());
    EXPECT_LE(trace.maxSpeed(), 100 * (1 + 1e-9));
    EXPECT_LE(trace.maxPathAcceleration(), 1000 * (1 + 1e-6));
    const CornerCheck corners = checkCorners(trace, path, 5);
    EXPECT_TRUE(corners.onPathOrNearCorners);
    EXPECT_NEAR(corners.closest[1], closestApproach(path, 1, 5), 1e-3);
}

TEST(Chamfer, ARunningLineKeepsRoomToBrakeBeforeItsChamfer)
{
    // 80 ms into a line of 20 at ACCEL 1000: at 80 units/s, 3.2 units done, 3.2 needed to
    // brake, so only 3.6 of the 5 asked for can be cut off its end.
    const std::vector<Point> path = {{0, 0}, {10, 0}, {10, 10}};
    MotionEngine e = chamferEngine(5);
    const int base[] = {0, 1};
    ASSERT_EQ(e.moveAbs(base, path[1]), MotionResult::Ok);
    runTicks(e, 80);
    const double room = (10 - e.status(0).dpos) - 80.0 * 80.0 / 2000;
    ASSERT_NEAR(room, 3.6, 1e-9);
    ASSERT_EQ(e.moveAbs(base, path[2]), MotionResult::Ok);
    const PathTrace trace = tracePath(e, base);
    const CornerCheck corners = checkCorners(trace, path, room);
    EXPECT_TRUE(corners.onPathOrNearCorners);
    EXPECT_NEAR(corners.closest[1], closestApproach(path, 1, room), 1e-3);
    EXPECT_LE(trace.maxVectorAcceleration(), 1000 * (1 + 1e-6));
    EXPECT_EQ(trace.points.back(), path.back());
}

TEST(Chamfer, TheMarkOfTheChamferIsTheMarkOfTheLineAfterIt)
{
    MotionEngine e = chamferEngine(5);
    const int base[] = {0, 1};
    const double a[] = {50, 0};
    const double b[] = {50, 50};
    e.parameters(0).moveMark = 1;
    ASSERT_EQ(e.moveAbs(base, a), MotionResult::Ok);
    e.parameters(0).moveMark = 2;
    ASSERT_EQ(e.moveAbs(base, b), MotionResult::Ok);
    // Into the chamfer: x beyond 45, y not yet 5.
    while (e.status(0).dpos <= 45.5)
        e.tick();
    EXPECT_LT(e.status(1).dpos, 5);
    EXPECT_GT(e.status(1).dpos, 0);
    EXPECT_EQ(e.status(0).moveCurmark, 2);
    EXPECT_EQ(e.status(0).mtype, static_cast<int>(MoveType::MoveAbs));
}

// Randomised sweep over chamfered polylines of two to four axes.
TEST(Chamfer, RandomPathsStayNearTheirCornersWithinLimitsAndEndExactly)
{
    const int count = sweepCount(150);
    const unsigned seed = sweepSeed(20261210);
    std::mt19937 rng(seed + 7);
    std::uniform_real_distribution<double> coord(-60, 60), unit(0, 1);
    for (int n = 0; n < count / 5 + 1; ++n) {
        const int axes = 2 + static_cast<int>(unit(rng) * 3);
        const double zsmooth = 0.2 + unit(rng) * 10;
        MotionEngine e = chamferEngine(zsmooth);
        AxisParameters& p = e.parameters(0);
        p.speed = 20 + unit(rng) * 300;
        p.accel = 200 + unit(rng) * 5000;
        p.decel = p.accel;
        p.sramp = unit(rng) < 0.5 ? 0 : unit(rng) * 50;
        p.cornerMode = 32 | (unit(rng) < 0.5 ? 2 : 0);
        std::vector<Point> path(1, Point(static_cast<std::size_t>(axes), 0.0));
        for (int k = 0; k < 6; ++k) {
            Point q(static_cast<std::size_t>(axes));
            for (double& v : q)
                v = coord(rng);
            path.push_back(q);
        }
        queuePath(e, path);
        const PathTrace trace = tracePath(e, std::span<const int>(kAxes, path[0].size()));
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " path " << n);
        ASSERT_TRUE(trace.allFinite());
        ASSERT_EQ(trace.points.back(), path.back());
        ASSERT_LE(trace.maxSpeed(), p.speed * (1 + 1e-9));
        ASSERT_LE(trace.maxPathAcceleration(), p.accel * (1 + 1e-6));
        ASSERT_LE(trace.maxVectorAcceleration(), p.accel * (1 + 1e-6));
        ASSERT_TRUE(checkCorners(trace, path, zsmooth).onPathOrNearCorners);
    }
}
