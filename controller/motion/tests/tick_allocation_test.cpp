// The servo tick never allocates: a counting operator new watches it over a busy mix of
// moves. (The replacement serves the whole test program; it counts only while asked.)
#include "controller/motion/motion_engine.h"
#include "controller/motion/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
bool g_counting = false;
long g_allocations = 0;
} // namespace

// GCC 12 sees free() meet memory from the inlined operator new and warns of a mismatch
// that the replacement pair does not have.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    if (g_counting)
        ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

using namespace korvan::motion;
using namespace korvan::motion::testing;

TEST(ServoTick, AllocatesNothingWhileEveryKindOfMoveRuns)
{
    RecordingHost host;
    for (int i = 0; i <= 10; ++i)
        host.table[static_cast<std::size_t>(i)] = i * i;
    MotionEngine e(12, 0.001, &host);
    AxisParameters& lead = e.parameters(0);
    lead.merge = 1;
    lead.cornerMode = 32 | 2 | 8;
    lead.zsmooth = 2;
    lead.fullSpRadius = 5;
    const int xy[] = {0, 1};
    const double corners[][2] = {{30, 0}, {30, 30}, {0, 30}, {0, 0}};
    for (const auto& c : corners)
        ASSERT_EQ(e.moveAbs(xy, c), MotionResult::Ok);
    ASSERT_EQ(e.moveCirc2(xy, 5, 5, 10, 0, false, false), MotionResult::Ok);
    const int zu[] = {2, 3};
    ASSERT_EQ(e.meclipse(zu, 0, 0, 0, 10, 1, 20, 10, false, 0, false, false), MotionResult::Ok);
    ASSERT_EQ(e.cam(4, 0, 10, 0.5, 30), MotionResult::Ok);
    ASSERT_EQ(e.camBox(5, 0, 10, 0.2, 20, 0, link_options::Repeat, 0), MotionResult::Ok);
    ASSERT_EQ(e.moveLink(6, 10, 20, 5, 5, 0, 0, 0), MotionResult::Ok);
    ASSERT_EQ(e.connPath(7, 0.5, 0), MotionResult::Ok);
    ASSERT_EQ(e.connect(8, 2, 2), MotionResult::Ok);
    ASSERT_EQ(e.vmove(9, 1), MotionResult::Ok);
    e.switches(10).zPulse = {true, 0, 0.1, 10};
    ASSERT_EQ(e.datum(10, 11), MotionResult::Ok);
    ASSERT_EQ(e.regist(9, 1), MotionResult::Ok);
    g_counting = true;
    for (int t = 0; t < 3000; ++t)
        e.tick();
    g_counting = false;
    EXPECT_EQ(g_allocations, 0);
    EXPECT_EQ(e.status(4).idle, -1); // the moves really ran
    EXPECT_EQ(e.status(0).idle, -1);
}
