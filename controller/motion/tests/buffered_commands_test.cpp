// MOVE_OP bit groups, MOVE_OP2 pulses, MOVE_PARA, MHELICAL / MHELICAL2 and ADDAX.
#include "controller/motion/motion_command_table.h"
#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace korvan::motion;
using namespace korvan::motion::testing;

namespace {
constexpr int kOne[] = {0};
constexpr int kXYZ[] = {0, 1, 2};

MotionResult call(MotionEngine& e, const char* name, std::span<const int> base,
                  std::initializer_list<double> args, std::string_view nameArg = {})
{
    const MotionCommand* c = findMotionCommand(name);
    EXPECT_NE(c, nullptr) << name;
    const std::vector<double> values(args);
    return c ? c->run(e, {base, values, nameArg}) : MotionResult::UnknownName;
}
} // namespace

TEST(BufferedOutputs, MoveOpSetsABitGroupAfterTheMoveBeforeIt)
{
    RecordingHost host;
    MotionEngine e(1, 0.001, &host);
    const double d[] = {5};
    ASSERT_EQ(e.move(kOne, d), MotionResult::Ok);
    // Outputs 3..6 take 0b1010, lowest bit first: 3 off, 4 on, 5 off, 6 on.
    ASSERT_EQ(call(e, "MOVE_OP", kOne, {3, 4, 10}), MotionResult::Ok);
    e.tick();
    EXPECT_TRUE(host.outputs.empty());
    runUntilIdle(e, {0});
    EXPECT_EQ(host.outputs, (std::map<int, bool>{{3, false}, {4, true}, {5, false}, {6, true}}));
    EXPECT_EQ(call(e, "MOVE_OP", kOne, {3, 0, 1}), MotionResult::BadArgument);
    EXPECT_EQ(call(e, "MOVE_OP", kOne, {3, 33, 1}), MotionResult::BadArgument);
    EXPECT_EQ(call(e, "MOVE_OP", kOne, {-1, 1}), MotionResult::BadArgument);
}

TEST(BufferedOutputs, MoveOp2PulsesWhileTheBufferGoesOn)
{
    RecordingHost host;
    MotionEngine e(1, 0.001, &host);
    ASSERT_EQ(call(e, "MOVE_OP2", kOne, {2, 1, 30}), MotionResult::Ok);
    const double d[] = {10};
    ASSERT_EQ(e.move(kOne, d), MotionResult::Ok);
    e.tick();
    ASSERT_EQ(host.outputLog.size(), 1u);
    EXPECT_EQ(host.outputLog[0], std::make_pair(2, true));
    // The move starts at once, not after the pulse.
    EXPECT_GT(e.status(0).dpos, 0);
    runTicks(e, 28);
    EXPECT_TRUE(host.outputs[2]);
    runTicks(e, 2);
    EXPECT_FALSE(host.outputs[2]);
    EXPECT_EQ(host.outputLog.size(), 2u);
    EXPECT_EQ(call(e, "MOVE_OP2", kOne, {2, 1, 0}), MotionResult::BadArgument);
}

TEST(BufferedOutputs, MoveParaWritesWhenTheBufferReachesIt)
{
    MotionEngine e(2);
    const double d[] = {10};
    ASSERT_EQ(e.move(kOne, d), MotionResult::Ok);
    ASSERT_EQ(call(e, "MOVE_PARA", kOne, {0, 1, 25}, "Speed"), MotionResult::Ok);
    ASSERT_EQ(call(e, "MOVE_PARA", kOne, {0, 0, 40}, "SPEED"), MotionResult::Ok);
    ASSERT_EQ(e.move(kOne, d), MotionResult::Ok);
    e.tick();
    EXPECT_EQ(e.parameters(1).speed, 100);
    runUntilIdle(e, {0});
    EXPECT_EQ(e.parameters(1).speed, 25);
    EXPECT_EQ(e.parameters(0).speed, 40);
    EXPECT_EQ(e.status(0).dpos, 20);
    EXPECT_EQ(call(e, "MOVE_PARA", kOne, {0, 0, 1}, "NO_SUCH"), MotionResult::UnknownName);
    EXPECT_EQ(call(e, "MOVE_PARA", kOne, {0, 0, 1}, "IDLE"), MotionResult::ReadOnly);
    EXPECT_EQ(call(e, "MOVE_PARA", kOne, {0, 0, 1}), MotionResult::BadArgument);
    EXPECT_EQ(call(e, "MOVE_PARA", kOne, {0, 9, 1}, "SPEED"), MotionResult::BadAxis);
}

TEST(Helical, CircleWithALinearThirdAxisStaysOnItsHelix)
{
    struct Case
    {
        const char* name;
        std::initializer_list<double> args;
        double sweep;      // radians, counter-clockwise positive
        double pathLength; // what the speed applies to
    };
    const double arc = 10 * 2 * std::numbers::pi;
    // Start at the origin, centre (10, 0), radius 10; the third axis rises by 6.
    const Case cases[] = {
        {"MHELICAL", {0, 0, 10, 0, 0, 6, 1}, 2 * std::numbers::pi, arc},
        {"MHELICAL", {0, 0, 10, 0, 0, 6, 0}, 2 * std::numbers::pi, std::hypot(arc, 6)},
        {"MHELICAL", {20, 0, 10, 0, 1, 6, 1}, -std::numbers::pi, arc / 2},
        {"MHELICAL2", {10, 10, 20, 0, 6, 1}, -std::numbers::pi, arc / 2},
        {"MHELICALABS", {20, 0, 10, 0, 0, 6, 1}, std::numbers::pi, arc / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.name << " sweep " << c.sweep);
        MotionEngine e(3);
        e.parameters(0).speed = 50;
        e.parameters(0).accel = e.parameters(0).decel = 10000;
        ASSERT_EQ(call(e, c.name, kXYZ, c.args), MotionResult::Ok);
        double worst = 0;
        int ticks = 0;
        while (true) {
            e.tick();
            ++ticks;
            const double x = e.status(0).dpos - 10;
            const double y = e.status(1).dpos;
            worst = std::max(worst, std::abs(std::hypot(x, y) - 10));
            // The third axis is proportional to the angle travelled.
            double angle = std::atan2(y, x) - std::numbers::pi;
            angle = std::remainder(angle, 2 * std::numbers::pi);
            if (e.status(0).idle == -1)
                break;
            if (std::abs(c.sweep) < 6 && std::abs(angle) > 1e-3) {
                EXPECT_NEAR(e.status(2).dpos, 6 * angle / c.sweep, 1e-6);
            }
            ASSERT_LT(ticks, 100000);
        }
        EXPECT_LT(worst, 1e-6);
        const double endX = std::abs(c.sweep) > 6 ? 0 : 20;
        EXPECT_NEAR(e.status(0).dpos, endX, 1e-9);
        EXPECT_NEAR(e.status(1).dpos, 0, 1e-9);
        EXPECT_NEAR(e.status(2).dpos, 6, 1e-9);
        // Cruise at 50 units/s along the path the speed applies to, plus the ramps.
        EXPECT_NEAR(ticks / 1000.0, c.pathLength / 50 + 50.0 / 10000, 0.01);
        EXPECT_EQ(e.status(0).mtype, 0);
    }
}

TEST(Helical, NeedsThreeAxesAndAKnownMode)
{
    MotionEngine e(3);
    const int xy[] = {0, 1};
    EXPECT_EQ(call(e, "MHELICAL", xy, {0, 0, 10, 0, 0, 6, 0}), MotionResult::BadArgument);
    EXPECT_EQ(call(e, "MHELICAL", kXYZ, {0, 0, 10, 0, 0, 6, 2}), MotionResult::BadArgument);
    EXPECT_EQ(call(e, "MHELICAL2", kXYZ, {5, 5, 10, 10, 6, 0}), MotionResult::BadArc);
    EXPECT_EQ(e.remainBuffer(0, 1), kBufferDepth);
}

TEST(AddAx, TheSourceMovesAreAddedUntilEnded)
{
    MotionEngine e(2);
    ASSERT_EQ(e.addAxis(1, 0), MotionResult::Ok);
    const double d[] = {10};
    ASSERT_EQ(e.move(kOne, d), MotionResult::Ok);
    const int base1[] = {1};
    const double d1[] = {3};
    ASSERT_EQ(e.move(base1, d1), MotionResult::Ok);
    runUntilIdle(e, {0, 1});
    EXPECT_NEAR(e.status(1).dpos, 13, 1e-9);
    // DEFPOS of the source moves nothing.
    e.defpos(kOne, std::array{100.0});
    e.tick();
    EXPECT_NEAR(e.status(1).dpos, 13, 1e-9);
    ASSERT_EQ(e.addAxis(1, -1), MotionResult::Ok);
    ASSERT_EQ(e.move(kOne, d), MotionResult::Ok);
    runUntilIdle(e, {0});
    EXPECT_NEAR(e.status(1).dpos, 13, 1e-9);
    EXPECT_EQ(e.addAxis(1, 1), MotionResult::BadArgument);
    EXPECT_EQ(e.addAxis(1, 7), MotionResult::BadAxis);
}
