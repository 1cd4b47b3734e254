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
    s.originInput = kOriginInput;
    s.fwdInput = kFwdInput;
    s.revInput = kRevInput;
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

// The physical position that DPOS = DATUM_OFFSET stands for: the home point.
double homePoint(const MotionEngine& e, int axis)
{
    return e.physicalPosition(axis) - (e.status(axis).dpos - e.parameters(axis).datumOffset);
}

// How far a run that ends where the switch turned off may stand past the edge.
double creepStep(const MotionEngine& e, int axis)
{
    return e.parameters(axis).creep * e.period() + 1e-12;
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
    // Modes 1-9 do not turn round at a limit, so they start where the search meets the
    // switch; the origin itself may still lie on either side.
    const Case cases[] = {
        {11, -43, -40},   {11, 43, 44},    {12, -43, -43.99}, {12, 43, 40.01},  {13, -40, -0.5},
        {13, 40, -0.5},   {14, -40, 0.5},  {14, 40, 0.5},     {15, -40, -3.99}, {15, 40, -3.99},
        {16, -40, 4},     {16, 40, 4},     {18, -40, -0.5},   {18, 40, -0.5},   {19, -40, 0.5},
        {19, 40, 0.5},    {13, 0, -0.5},   {19, 0.2, 0.5},    {1, -43, -40},    {1, 43, 44},
        {2, -43, -43.99}, {2, 43, 40.01},  {3, -40, -0.5},    {3, 0, -0.5},     {4, 40, 0.5},
        {4, 0.2, 0.5},    {5, -40, -3.99}, {6, 40, 4},        {8, -40, -0.5},   {9, 40, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " from " << c.start);
        MotionEngine e(1);
        wireAxis(e, 0);
        bool homingBit = false;
        homeFrom(e, c.start, c.mode, &homingBit);
        EXPECT_NEAR(homePoint(e, 0), c.home, 1e-9);
        EXPECT_TRUE(homingBit);
        EXPECT_NEAR(e.status(0).dpos, 7.5, creepStep(e, 0));
        EXPECT_EQ(e.status(0).mpos, e.status(0).dpos);
        EXPECT_FALSE(e.status(0).axisStatus & status_bits::Homing);
        EXPECT_EQ(e.status(0).stopReason, 0u);
    }
}

TEST(Homing, Modes13And14EndPastTheEdgeWithTheOriginOff)
{
    struct Case
    {
        int mode;
        double start;
        double edge;     // the home point
        double backward; // the creep direction
    };
    const Case cases[] = {
        {13, -40, -0.5, -1}, {13, 40, -0.5, -1}, {14, -40, 0.5, 1},
        {14, 40, 0.5, 1},    {3, -40, -0.5, -1}, {4, 40, 0.5, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " from " << c.start);
        MotionEngine e(1);
        wireAxis(e, 0);
        bool homingBit = false;
        homeFrom(e, c.start, c.mode, &homingBit);
        e.tick();
        // Crept back until the origin turned off: it reads off where the axis stands.
        EXPECT_FALSE(e.signals(0).origin);
        EXPECT_FALSE(e.wireLevel(kOriginInput));
        const double past = (e.physicalPosition(0) - c.edge) * c.backward;
        EXPECT_GT(past, 0);
        EXPECT_LE(past, creepStep(e, 0));
        EXPECT_NEAR(homePoint(e, 0), c.edge, 1e-9);
        EXPECT_EQ(e.status(0).stopReason, 0u);
        // DATUM_OFFSET is the edge itself, where the origin is on again.
        const int base[] = {0};
        const double offset[] = {7.5};
        ASSERT_EQ(e.moveAbs(base, offset), MotionResult::Ok);
        runUntilIdle(e, {0});
        e.tick();
        EXPECT_NEAR(e.physicalPosition(0), c.edge, 1e-9);
        EXPECT_TRUE(e.signals(0).origin);
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
    EXPECT_FALSE(e.wireLevel(kOriginInput));
    EXPECT_TRUE(e.signals(0).origin);
    host.inverted[kOriginInput] = false;
    e.tick();
    EXPECT_FALSE(e.signals(0).origin);
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
    ASSERT_EQ(e.moveParameter(0, "SPEED", 0, 10), MotionResult::Ok);
    ASSERT_EQ(e.move(base, d), MotionResult::Ok);
    ASSERT_EQ(e.datum(0, 11), MotionResult::Ok);
    EXPECT_EQ(e.remainBuffer(0, 1), kBufferDepth - 4);
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

TEST(Homing, ClassicModesStopAtALimitInsteadOfTurningRound)
{
    for (const int mode : {1, 3, 5, 8}) {
        SCOPED_TRACE(::testing::Message() << "mode " << mode);
        MotionEngine e(1);
        wireAxis(e, 0);
        e.parameters(0).fastdec = 4000;
        e.switches(0).zPulse.present = mode != 1; // a Z pulse would end mode 1 first
        bool homingBit = false;
        // Searching forward from beyond the origin meets the forward limit first.
        homeFrom(e, 40, mode, &homingBit);
        EXPECT_TRUE(e.status(0).stopReason & status_bits::FwdHardLimit);
        // Ramped down at FASTDEC past the switch at 100: no home point was set.
        EXPECT_GT(e.physicalPosition(0), 100);
        EXPECT_LT(e.physicalPosition(0), 102);
        EXPECT_NE(e.status(0).dpos, 7.5);
        EXPECT_FALSE(e.status(0).axisStatus & status_bits::Homing);
    }
}

TEST(Homing, OriginModesNeedTheInputOfTheSwitch)
{
    MotionEngine e(1);
    wireAxis(e, 0);
    e.parameters(0).datumIn = -1;
    EXPECT_EQ(e.datum(0, 13), MotionResult::NoOriginInput);
    EXPECT_EQ(e.datum(0, 11), MotionResult::Ok); // Z needs no input
    EXPECT_EQ(e.cancel(0, 2), MotionResult::Ok);
    runUntilIdle(e, {0});
    // An input the switch is not wired to never sees the origin: both limits, then fail.
    e.parameters(0).datumIn = 9;
    bool homingBit = false;
    homeFrom(e, 40, 13, &homingBit);
    EXPECT_TRUE(e.status(0).stopReason & status_bits::RevHardLimit);
    EXPECT_NE(e.status(0).dpos, 7.5);
}

TEST(Homing, ModesWithoutMeaningAreRefused)
{
    MotionEngine e(1);
    wireAxis(e, 0);
    for (const int mode : {-1, 7, 10, 17, 20, 30, 37, 40})
        EXPECT_EQ(e.datum(0, mode), MotionResult::BadArgument) << mode;
    EXPECT_EQ(e.remainBuffer(0, 1), kBufferDepth);
}

TEST(Homing, BusDriveMethodsFindTheirSwitchFromEitherSide)
{
    struct Case
    {
        int method;
        double fromBelow; // physical home point when starting at -40
        double fromAbove; // ... and at +40
    };
    // Limits at ±100, origin -0.5..0.5, Z every 4 units 0..0.01.
    const Case cases[] = {
        {1, -96, -96},      {2, 96.01, 96.01}, {3, 4, 4},           {4, -3.99, -3.99},
        {14, -3.99, -3.99}, {17, -100, -100},  {18, 100, 100},      {19, 0.5, 0.5},
        {20, -0.5, -0.5},   {30, -0.5, -0.5},  {33, -43.99, 36.01}, {34, -36, 44},
    };
    for (const Case& c : cases) {
        for (const double start : {-40.0, 40.0}) {
            SCOPED_TRACE(::testing::Message() << "method " << c.method << " from " << start);
            MotionEngine e(1);
            wireAxis(e, 0);
            // The drive homes on its own sensors: DATUM_IN plays no part.
            e.parameters(0).datumIn = -1;
            e.parameters(0).atype = 65;
            const int base[] = {0};
            const double d[] = {start};
            ASSERT_EQ(e.move(base, d), MotionResult::Ok);
            runUntilIdle(e, {0});
            ASSERT_EQ(e.datumDrive(0, c.method), MotionResult::Ok);
            bool homingBit = false;
            for (int t = 0; t < 400000 && (t == 0 || e.status(0).idle == 0); ++t) {
                e.tick();
                homingBit = homingBit || (e.status(0).axisStatus & status_bits::Homing);
            }
            ASSERT_EQ(e.status(0).idle, -1);
            EXPECT_NEAR(homePoint(e, 0), start < 0 ? c.fromBelow : c.fromAbove, 1e-9);
            EXPECT_TRUE(homingBit);
            EXPECT_NEAR(e.status(0).dpos, 7.5, creepStep(e, 0));
            EXPECT_EQ(e.status(0).stopReason, 0u);
        }
    }
}

TEST(Homing, BusDriveMethodsRefusedWhereTheyCannotRun)
{
    MotionEngine e(1);
    wireAxis(e, 0);
    EXPECT_EQ(e.datumDrive(0, 35), MotionResult::NotBusAxis);
    e.parameters(0).atype = 65;
    for (const int method : {0, 15, 16, 31, 32, 36, 38})
        EXPECT_EQ(e.datumDrive(0, method), MotionResult::BadArgument) << method;
    // 35 and 37 home where the axis stands, in buffer order.
    e.defpos(std::array{0}, std::array{3.0});
    const int base[] = {0};
    const double d[] = {2};
    ASSERT_EQ(e.move(base, d), MotionResult::Ok);
    ASSERT_EQ(e.datumDrive(0, 37), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.status(0).dpos, 7.5);
    EXPECT_NEAR(e.physicalPosition(0), 2, 1e-9);
    ASSERT_EQ(e.setAxisEnable(0, false), MotionResult::Ok);
    EXPECT_EQ(e.datumDrive(0, 35), MotionResult::AxisDisabled);
}
