#include "controller/motion/profile.h"

#include <gtest/gtest.h>

#include <cmath>

using korvan::motion::ProfileLimits;
using korvan::motion::SpeedProfile;

TEST(SpeedProfile, TrapezoidHasTextbookTimes)
{
    const auto p = SpeedProfile::plan(100, 0, 0, {100, 1000, 1000, 0});
    EXPECT_NEAR(p.duration(), 1.1, 1e-12);
    EXPECT_DOUBLE_EQ(p.peakSpeed(), 100);
    EXPECT_EQ(p.positionAt(2.0), 100);
    EXPECT_NEAR(p.positionAt(0.1), 5, 1e-12);
}

TEST(SpeedProfile, ShortMoveIsTriangular)
{
    const auto p = SpeedProfile::plan(1, 0, 0, {100, 1000, 1000, 0});
    EXPECT_NEAR(p.peakSpeed(), std::sqrt(1000.0), 1e-6);
    EXPECT_NEAR(p.duration(), 2 * std::sqrt(1000.0) / 1000, 1e-6);
}

TEST(SpeedProfile, SCurveStartsAndEndsWithoutAccelerationStep)
{
    const auto p = SpeedProfile::plan(100, 0, 0, {100, 1000, 1000, 0.05});
    const double dt = 1e-5;
    EXPECT_LT(p.speedAt(dt) / dt, 10.0); // near zero acceleration at the start
    double maxAcc = 0;
    for (double t = 0; t < p.duration(); t += dt)
        maxAcc = std::max(maxAcc, std::abs(p.speedAt(t + dt) - p.speedAt(t)) / dt);
    EXPECT_LE(maxAcc, 1000 * (1 + 1e-6));
    EXPECT_GT(p.duration(), 1.1);
    EXPECT_EQ(p.positionAt(p.duration()), 100);
}

TEST(SpeedProfile, EndSpeedThatCannotBeReachedIsLowered)
{
    const auto p = SpeedProfile::plan(0.5, 0, 100, {100, 1000, 1000, 0});
    EXPECT_NEAR(p.endSpeed(), std::sqrt(2 * 1000 * 0.5), 1e-6);
    EXPECT_NEAR(p.positionAt(p.duration()), 0.5, 1e-12);
}

TEST(SpeedProfile, ReachableSpeedRampsDownWithinTheLength)
{
    EXPECT_NEAR(SpeedProfile::reachableSpeed(0, 5, 1000, 0), 100, 1e-9);
    EXPECT_NEAR(SpeedProfile::reachableSpeed(60, 3.2, 1000, 0), 100, 1e-9);
    EXPECT_EQ(SpeedProfile::reachableSpeed(0, 0, 1000, 0), 0);
    EXPECT_EQ(SpeedProfile::reachableSpeed(40, 0, 1000, 0.05), 40);
    // The speed found ramps down to the end speed in exactly the length, with and
    // without an S-curve, where a ramp is needed at all.
    for (const double sramp : {0.0, 0.01, 0.2}) {
        for (const double end : {0.0, 25.0}) {
            for (const double length : {0.5, 4.0, 60.0}) {
                SCOPED_TRACE(::testing::Message() << sramp << " " << end << " " << length);
                const double v = SpeedProfile::reachableSpeed(end, length, 800, sramp);
                if (v > end)
                    EXPECT_NEAR(SpeedProfile::rampDistance(v, end, 800, sramp), length, 1e-9);
                else
                    EXPECT_GE(SpeedProfile::rampDistance(end + 1e-6, end, 800, sramp), length);
            }
        }
    }
}
