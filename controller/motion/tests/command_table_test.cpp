#include "controller/motion/motion_command_table.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace korvan::motion;

namespace {
MotionResult call(MotionEngine& e, const char* name, std::vector<int> base,
                  std::vector<double> args)
{
    const MotionCommand* c = findMotionCommand(name);
    EXPECT_NE(c, nullptr) << name;
    if (!c)
        return MotionResult::UnknownName;
    return c->run(e, {base, args, {}});
}

void runIdle(MotionEngine& e)
{
    for (int i = 0; i < 100000 && (i == 0 || e.status(0).idle == 0); ++i)
        e.tick();
}
} // namespace

TEST(MotionCommandTable, NamesAreSortedAndUnique)
{
    std::string_view previous;
    for (const MotionCommand& c : motionCommands()) {
        EXPECT_LT(previous, c.name);
        previous = c.name;
        EXPECT_TRUE(c.maxArgs == -1 || c.maxArgs >= c.minArgs) << c.name;
    }
    EXPECT_EQ(findMotionCommand("nothing"), nullptr);
}

TEST(MotionCommandTable, StatementsReachTheEngine)
{
    MotionEngine e(3);
    EXPECT_EQ(call(e, "moveabs", {0, 1}, {10, 20}), MotionResult::Ok);
    runIdle(e);
    EXPECT_EQ(e.status(0).dpos, 10);
    EXPECT_EQ(e.status(1).dpos, 20);
    EXPECT_EQ(call(e, "MOVE", {0, 1}, {-10}), MotionResult::Ok); // only the first axis
    runIdle(e);
    EXPECT_EQ(e.status(0).dpos, 0);
    EXPECT_EQ(e.status(1).dpos, 20);
    EXPECT_EQ(call(e, "MSPHERICAL", {0, 1}, {0, 0, 0, 5, 5, 0, 2, 0, 0}), MotionResult::BadArc);
    EXPECT_EQ(call(e, "MSPHERICAL", {0, 1}, {10, 0, 0, 5, 5, 0, 2}), MotionResult::Ok);
    runIdle(e);
    EXPECT_NEAR(e.status(0).dpos, 0, 1e-9);
    EXPECT_EQ(call(e, "DATUM", {2}, {21, 35}), MotionResult::NotBusAxis);
    EXPECT_EQ(call(e, "VMOVE", {0}, {std::numeric_limits<double>::quiet_NaN()}),
              MotionResult::BadArgument);
    EXPECT_EQ(call(e, "CONNECT", {2}, {1, 0}), MotionResult::Ok);
    e.tick();
    EXPECT_EQ(e.status(2).mtype, 21);
    EXPECT_EQ(call(e, "CANCEL", {2}, {2}), MotionResult::Ok);
    EXPECT_EQ(call(e, "PSWITCH", {0}, {1, 1, 0, 3, 1, 0, 5}), MotionResult::Ok);
}
