// Registration latch, position compare, CONNECT and the wired limit switches.
#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <array>

using namespace korvan::motion;
using namespace korvan::motion::testing;

namespace {
void moveTo(MotionEngine& e, int axis, double target)
{
    const int base[] = {axis};
    const double t[] = {target};
    ASSERT_EQ(e.moveAbs(base, t), MotionResult::Ok);
    runUntilIdle(e, {axis});
}
} // namespace

TEST(Registration, LatchesTheEdgePositionOfEachMode)
{
    constexpr double none = -1e9; // the mark stays untriggered
    struct Case
    {
        int mode;
        std::array<double, 4> positions; // REG_POS, REG_POSB, REG_POSC, REG_POSD
    };
    // R0 on at 20..21, R1 at 30..31, R2 at 40..41, R3 at 35..36, Z every 8 units
    // 0..0.1; move 0.5 → 45. Modes 1-13 latch into MARK and MARKB, 14-21 into
    // MARKC and MARKD, and each leaves the other unit's marks alone.
    const Case cases[] = {
        {1, {8, none, none, none}},   {2, {8.1, none, none, none}}, {3, {20, none, none, none}},
        {4, {21, none, none, none}},  {6, {20, 24, none, none}},    {7, {20, 24.1, none, none}},
        {8, {21, 24, none, none}},    {9, {21, 24.1, none, none}},  {10, {20, 30, none, none}},
        {11, {20, 31, none, none}},   {12, {21, 30, none, none}},   {13, {21, 31, none, none}},
        {14, {none, none, 40, none}}, {15, {none, none, 41, none}}, {16, {none, none, none, 35}},
        {17, {none, none, none, 36}}, {18, {none, none, 40, 35}},   {19, {none, none, 40, 36}},
        {20, {none, none, 41, 35}},   {21, {none, none, 41, 36}},
    };
    const auto marks = [](const AxisStatus& s) {
        return std::array<int, 4>{s.mark, s.markB, s.markC, s.markD};
    };
    const auto latched = [](const AxisStatus& s) {
        return std::array<double, 4>{s.regPos, s.regPosB, s.regPosC, s.regPosD};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode);
        MotionEngine e(1);
        e.parameters(0).atype = 4;
        AxisSwitches& s = e.switches(0);
        s.r0 = {true, 20, 21, 0};
        s.r1 = {true, 30, 31, 0};
        s.r2 = {true, 40, 41, 0};
        s.r3 = {true, 35, 36, 0};
        s.zPulse = {true, 0, 0.1, 8};
        moveTo(e, 0, 0.5);
        ASSERT_EQ(e.regist(0, c.mode), MotionResult::Ok);
        EXPECT_EQ(marks(e.status(0)), (std::array<int, 4>{0, 0, 0, 0}));
        moveTo(e, 0, 45);
        for (std::size_t i = 0; i < 4; ++i) {
            SCOPED_TRACE(::testing::Message() << "channel " << i);
            EXPECT_EQ(marks(e.status(0))[i], c.positions[i] > none ? -1 : 0);
            if (c.positions[i] > none) {
                EXPECT_NEAR(latched(e.status(0))[i], c.positions[i], 1e-9);
            }
        }
        // Latched once: the next edges leave the positions alone until re-armed.
        moveTo(e, 0, 0.5);
        for (std::size_t i = 0; i < 4; ++i)
            if (c.positions[i] > none) {
                EXPECT_NEAR(latched(e.status(0))[i], c.positions[i], 1e-9);
            }
    }
}

TEST(Registration, TheTwoUnitsArmAndLatchIndependently)
{
    MotionEngine e(1);
    AxisSwitches& s = e.switches(0);
    s.r0 = {true, 20, 21, 0};
    s.r2 = {true, 30, 31, 0};
    ASSERT_EQ(e.regist(0, 3), MotionResult::Ok);
    moveTo(e, 0, 25);
    EXPECT_EQ(e.status(0).mark, -1);
    // Arming the second unit keeps what the first latched, and the other way round.
    ASSERT_EQ(e.regist(0, 14), MotionResult::Ok);
    EXPECT_EQ(e.status(0).mark, -1);
    EXPECT_NEAR(e.status(0).regPos, 20, 1e-9);
    // R0 rising again: on the way back the sensor turns on at its upper end.
    ASSERT_EQ(e.regist(0, 3), MotionResult::Ok);
    EXPECT_EQ(e.status(0).markC, 0);
    moveTo(e, 0, 35);
    EXPECT_EQ(e.status(0).markC, -1);
    EXPECT_NEAR(e.status(0).regPosC, 30, 1e-9);
    EXPECT_EQ(e.status(0).mark, 0);
    moveTo(e, 0, 0);
    EXPECT_EQ(e.status(0).mark, -1);
    EXPECT_NEAR(e.status(0).regPos, 21, 1e-9);
    EXPECT_NEAR(e.status(0).regPosC, 30, 1e-9);
    for (const int refused : {0, 5, 22, -1})
        EXPECT_EQ(e.regist(0, refused), MotionResult::BadArgument) << refused;
}

TEST(Registration, ReportsPositionsInTheUserFrame)
{
    MotionEngine e(1);
    e.switches(0).r0 = {true, 20, 21, 0};
    e.defpos(std::array{0}, std::array{100.0}); // physical 0 is now 100
    ASSERT_EQ(e.regist(0, 3), MotionResult::Ok);
    moveTo(e, 0, 130);
    EXPECT_EQ(e.status(0).mark, -1);
    EXPECT_NEAR(e.status(0).regPos, 120, 1e-9);
}

TEST(Compare, DrivesTheOutputInsideTheRange)
{
    RecordingHost host;
    MotionEngine e(2, 0.001, &host);
    ASSERT_EQ(e.pswitch(3, 1, 1, 9, 1, 20, 10), MotionResult::Ok);
    const int base[] = {1};
    const double t[] = {30};
    ASSERT_EQ(e.moveAbs(base, t), MotionResult::Ok);
    std::vector<double> switchedAt;
    bool last = false;
    while (true) {
        e.tick();
        const bool now = host.outputs.count(9) && host.outputs[9];
        if (now != last)
            switchedAt.push_back(e.status(1).dpos);
        last = now;
        if (e.status(1).idle == -1)
            break;
    }
    ASSERT_EQ(switchedAt.size(), 2u);
    EXPECT_NEAR(switchedAt[0], 10, 0.1 + 1e-9);
    EXPECT_GE(switchedAt[0], 10);
    EXPECT_NEAR(switchedAt[1], 20, 0.1 + 1e-9);
    EXPECT_GT(switchedAt[1], 20);
    // Disabling leaves the output off and stops driving it.
    ASSERT_EQ(e.pswitch(3, 0, 1, 9, 1, 0, 100), MotionResult::Ok);
    moveTo(e, 1, 15);
    EXPECT_FALSE(host.outputs[9]);
}

TEST(Connect, FollowsTheMasterUntilCancelled)
{
    MotionEngine e(3);
    ASSERT_EQ(e.connect(2, -0.5, 0), MotionResult::Ok);
    e.tick();
    EXPECT_EQ(e.status(2).mtype, static_cast<int>(MoveType::Connect));
    EXPECT_EQ(e.status(2).mtype, 21);
    moveTo(e, 0, 40);
    EXPECT_NEAR(e.status(2).dpos, -20, 1e-9);
    EXPECT_EQ(e.status(2).idle, 0);
    ASSERT_EQ(e.cancel(2, 2), MotionResult::Ok);
    runTicks(e, 2);
    EXPECT_EQ(e.status(2).idle, -1);
    moveTo(e, 0, 0);
    EXPECT_NEAR(e.status(2).dpos, -20, 1e-9);
}

TEST(Limits, HardwareLimitStopsAtFastdecAndSetsItsBit)
{
    RecordingHost host;
    MotionEngine e(1, 0.001, &host);
    e.parameters(0).fwdIn = 6;
    e.parameters(0).fastdec = 5000;
    e.switches(0).fwdLimit = {true, 30, 1e9, 0};
    e.switches(0).fwdInput = 6;
    bool driven = false;
    e.tick();
    EXPECT_FALSE(e.wireLevel(6, &driven));
    EXPECT_TRUE(driven);
    ASSERT_EQ(e.vmove(0, 1), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_TRUE(e.status(0).axisStatus & status_bits::FwdHardLimit);
    EXPECT_TRUE(e.status(0).stopReason & status_bits::FwdHardLimit);
    EXPECT_TRUE(e.wireLevel(6));
    // Stopped from 100 units/s at 5000 units/s²: 1 unit beyond the switch (+ one tick).
    EXPECT_NEAR(e.status(0).dpos, 31, 0.2);
    EXPECT_EQ(e.vmove(0, 1), MotionResult::LimitActive);
    // An inverted input means a normally closed switch: now reads off.
    host.inverted[6] = true;
    e.tick();
    EXPECT_FALSE(e.status(0).axisStatus & status_bits::FwdHardLimit);
}

TEST(Limits, DriveAlarmStopsAndDriveClearResets)
{
    MotionEngine e(1);
    e.parameters(0).atype = 65;
    e.parameters(0).almIn = 2;
    ASSERT_EQ(e.vmove(0, 1), MotionResult::Ok);
    runTicks(e, 50);
    e.switches(0).driveAlarm = true;
    runTicks(e, 2);
    EXPECT_EQ(e.status(0).idle, -1);
    EXPECT_TRUE(e.status(0).axisStatus & status_bits::ServoAlarm);
    ASSERT_EQ(e.driveClear(0), MotionResult::Ok);
    e.tick();
    EXPECT_FALSE(e.status(0).axisStatus & (status_bits::ServoAlarm | status_bits::DriveAlarm));
}
