// MECLIPSE: elliptic arcs of the first two BASE axes, with ABS, SP and helical forms.
#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

using namespace korvan::motion;
using namespace korvan::motion::testing;

namespace {
constexpr int kXY[] = {0, 1};
constexpr int kXYZ[] = {0, 1, 2};
constexpr double kPi = std::numbers::pi;

MotionEngine makeEngine()
{
    MotionEngine e(3);
    e.parameters(0).decel = 1000;
    return e;
}

// Largest distance from the ellipse (cx, cy, a, b), as |normalised radius - 1|.
double worstOffEllipse(const PathTrace& trace, double cx, double cy, double a, double b)
{
    double worst = 0;
    for (const auto& p : trace.points)
        worst = std::max(worst, std::abs(std::hypot((p[0] - cx) / a, (p[1] - cy) / b) - 1));
    return worst;
}
// Length along the ellipse with semi-axes a and b between parameter angles t0 and t1.
double lengthAlong(double a, double b, double t0, double t1)
{
    constexpr int kSteps = 64; // Simpson's rule
    const double h = (t1 - t0) / kSteps;
    auto f = [&](double t) { return std::hypot(a * std::sin(t), b * std::cos(t)); };
    double sum = f(t0) + f(t1);
    for (int i = 1; i < kSteps; ++i)
        sum += f(t0 + i * h) * (i % 2 ? 4 : 2);
    return std::abs(sum * h / 3);
}

// Speed along the ellipse in each tick (the chord between samples would read low where
// the ellipse bends sharply), and the length covered up to each sample.
struct CurveMotion
{
    std::vector<double> speed;
    std::vector<double> covered;
    double maxSpeed() const { return *std::max_element(speed.begin(), speed.end()); }
    double maxAcceleration(double period) const
    {
        double worst = 0;
        for (std::size_t i = 1; i < speed.size(); ++i)
            worst = std::max(worst, std::abs(speed[i] - speed[i - 1]) / period);
        return worst;
    }
};

CurveMotion alongEllipse(const PathTrace& trace, double cx, double cy, double a, double b)
{
    CurveMotion m;
    m.covered.push_back(0);
    auto angle = [&](const std::vector<double>& p) {
        return std::atan2((p[1] - cy) / b, (p[0] - cx) / a);
    };
    for (std::size_t i = 1; i < trace.points.size(); ++i) {
        const double t0 = angle(trace.points[i - 1]);
        double step = angle(trace.points[i]) - t0;
        step -= 2 * kPi * std::round(step / (2 * kPi));
        const double length = lengthAlong(a, b, t0, t0 + step);
        m.speed.push_back(length / trace.period);
        m.covered.push_back(m.covered.back() + length);
    }
    return m;
}
} // namespace

TEST(Ellipse, QuarterArcStaysOnTheEllipseAtPathSpeedAndEndsExactly)
{
    // From (0,0) round the centre (0,10) with semi-axes 20 and 10 to (20,10).
    MotionEngine e = makeEngine();
    ASSERT_EQ(e.meclipse(kXY, 20, 10, 0, 10, 0, 20, 10, false, 0, false, false), MotionResult::Ok);
    EXPECT_EQ(e.status(0).endmoveBuffer, 20);
    e.tick();
    EXPECT_EQ(e.status(0).mtype, static_cast<int>(MoveType::Ellipse));
    EXPECT_EQ(e.status(0).mtype, 33);
    const PathTrace trace = tracePath(e, kXY);
    ASSERT_TRUE(trace.allFinite());
    EXPECT_LT(worstOffEllipse(trace, 0, 10, 20, 10), 1e-9);
    EXPECT_EQ(trace.points.back(), (std::vector<double>{20, 10}));
    const CurveMotion curve = alongEllipse(trace, 0, 10, 20, 10);
    EXPECT_LE(curve.maxSpeed(), 100 * (1 + 1e-7));
    EXPECT_LE(curve.maxAcceleration(trace.period), 1000 * (1 + 1e-6));
    // Between the ramps the speed along the curve holds SPEED: the arc length is right.
    for (std::size_t i = 120; i + 120 < curve.speed.size(); ++i)
        ASSERT_NEAR(curve.speed[i], 100, 1e-6) << i;
    // Quarter of the perimeter (24.22) at 100 units/s plus 0.1 s of ramps.
    EXPECT_NEAR(static_cast<double>(trace.points.size() - 1), 342, 3);
}

TEST(Ellipse, DirectionAbsoluteAndWholeTurnForms)
{
    struct Case
    {
        const char* name;
        double end0, end1, centre0, centre1;
        int direction;
        bool absolute;
        double minX; // how far left the path reaches
        std::vector<double> end;
    };
    const Case cases[] = {
        {"anticlockwise quarter", 20, 10, 0, 10, 0, false, 0, {20, 10}},
        {"clockwise three quarters", 20, 10, 0, 10, 1, false, -20, {20, 10}},
        {"absolute from (5,5)", 25, 15, 5, 15, 0, true, 5, {25, 15}},
        {"whole turn", 0, 0, 0, 10, 0, false, -20, {5, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MotionEngine e = makeEngine();
        if (c.absolute || c.end0 == 0) {
            ASSERT_EQ(e.setDpos(0, 5), MotionResult::Ok);
            ASSERT_EQ(e.setDpos(1, 5), MotionResult::Ok);
        }
        ASSERT_EQ(e.meclipse(kXY, c.end0, c.end1, c.centre0, c.centre1, c.direction, 20, 10, false,
                             0, c.absolute, false),
                  MotionResult::Ok);
        const double cx = c.absolute ? c.centre0 : e.status(0).dpos + c.centre0;
        const double cy = c.absolute ? c.centre1 : e.status(1).dpos + c.centre1;
        const PathTrace trace = tracePath(e, kXY);
        EXPECT_LT(worstOffEllipse(trace, cx, cy, 20, 10), 1e-9);
        double minX = 1e9;
        for (const auto& p : trace.points)
            minX = std::min(minX, p[0]);
        EXPECT_NEAR(minX, c.minX + (c.end0 == 0 ? 5 : 0), 1e-3);
        EXPECT_EQ(trace.points.back(), c.end);
        EXPECT_LE(alongEllipse(trace, cx, cy, 20, 10).maxSpeed(), 100 * (1 + 1e-7));
    }
}

TEST(Ellipse, EightValuesMoveTheThirdAxisAlongAndSpUsesForceSpeed)
{
    MotionEngine e = makeEngine();
    e.parameters(0).forceSpeed = 40;
    ASSERT_EQ(e.meclipse(kXYZ, 20, 10, 0, 10, 0, 20, 10, true, 6, false, true), MotionResult::Ok);
    const PathTrace trace = tracePath(e, kXYZ);
    EXPECT_EQ(trace.points.back(), (std::vector<double>{20, 10, 6}));
    // The third axis moves in step with the length along the ellipse, and the speed
    // over all three axes keeps FORCE_SPEED.
    const CurveMotion curve = alongEllipse(trace, 0, 10, 20, 10);
    const double whole = curve.covered.back();
    for (std::size_t i = 0; i < trace.points.size(); ++i)
        ASSERT_NEAR(trace.points[i][2], 6 * curve.covered[i] / whole, 1e-9) << i;
    for (std::size_t i = 0; i < curve.speed.size(); ++i)
        ASSERT_LE(std::hypot(curve.speed[i], 6 / whole * curve.speed[i]), 40 * (1 + 1e-7)) << i;
    const double middle = curve.speed[curve.speed.size() / 2];
    EXPECT_NEAR(std::hypot(middle, 6 / whole * middle), 40, 1e-6);
}

TEST(Ellipse, RefusesPointsOffTheEllipseAndBadValues)
{
    MotionEngine e = makeEngine();
    // End (10,10) lies inside the ellipse round (0,10) with semi-axes 20 and 10.
    EXPECT_EQ(e.meclipse(kXY, 10, 10, 0, 10, 0, 20, 10, false, 0, false, false),
              MotionResult::OffEllipse);
    EXPECT_EQ(controllerCode(MotionResult::OffEllipse), 2307);
    EXPECT_EQ(e.meclipse(kXY, 20, 10, 0, 10, 0, 0, 10, false, 0, false, false),
              MotionResult::BadArgument);
    EXPECT_EQ(e.meclipse(kXY, 20, NAN, 0, 10, 0, 20, 10, false, 0, false, false),
              MotionResult::BadArgument);
    EXPECT_EQ(e.meclipse(kXY, 20, 10, 0, 10, 0, 20, 10, true, 5, false, false),
              MotionResult::BadArgument); // the eighth value needs a third axis
    const int one[] = {0};
    EXPECT_EQ(e.meclipse(one, 20, 10, 0, 10, 0, 20, 10, false, 0, false, false),
              MotionResult::BadArgument);
    // Six decimals of rounding in the texts are accepted and the end is met exactly.
    ASSERT_EQ(e.meclipse(kXY, 20.000001, 10, 0, 10, 0, 20, 10, false, 0, false, false),
              MotionResult::Ok);
    runUntilIdle(e, {0, 1});
    EXPECT_EQ(e.status(0).dpos, 20.000001);
    EXPECT_EQ(e.status(1).dpos, 10);
}

// Randomised sweep over elliptic arcs of every shape and direction.
TEST(Ellipse, RandomArcsStayOnTheirEllipseWithinLimitsAndEndExactly)
{
    const int count = sweepCount(150);
    const unsigned seed = sweepSeed(20261210);
    std::mt19937 rng(seed + 11);
    std::uniform_real_distribution<double> axis(0.5, 80), angle(-kPi, kPi), unit(0, 1);
    for (int n = 0; n < count / 3 + 1; ++n) {
        MotionEngine e = makeEngine();
        AxisParameters& p = e.parameters(0);
        p.speed = 10 + unit(rng) * 400;
        p.accel = 100 + unit(rng) * 8000;
        p.decel = p.accel;
        p.sramp = unit(rng) < 0.5 ? 0 : unit(rng) * 60;
        const double a = axis(rng);
        const double b = axis(rng);
        const double t0 = angle(rng);
        const double t1 = angle(rng);
        const double cx = -a * std::cos(t0);
        const double cy = -b * std::sin(t0);
        const bool whole = unit(rng) < 0.2;
        const double ex = whole ? 0 : cx + a * std::cos(t1);
        const double ey = whole ? 0 : cy + b * std::sin(t1);
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " arc " << n);
        ASSERT_EQ(
            e.meclipse(kXY, ex, ey, cx, cy, unit(rng) < 0.5 ? 1 : 0, a, b, false, 0, false, false),
            MotionResult::Ok);
        const PathTrace trace = tracePath(e, kXY);
        ASSERT_TRUE(trace.allFinite());
        ASSERT_EQ(trace.points.back(), (std::vector<double>{ex, ey}));
        ASSERT_LT(worstOffEllipse(trace, cx, cy, a, b), 1e-6);
        const CurveMotion curve = alongEllipse(trace, cx, cy, a, b);
        ASSERT_LE(curve.maxSpeed(), p.speed * (1 + 1e-6));
        // The measurement itself, from positions a tick apart, is good to about 1e-5.
        ASSERT_LE(curve.maxAcceleration(trace.period), p.accel * (1 + 1e-4));
    }
}
