// A short query while twenty other sessions run the longest command lines a
// controller takes: it is answered within the link's default timeout,
// because the long lines let the others in between their slices. Bounded:
// every session runs two lines, then the test ends. bench/controller has
// the figures.
#include "long_line_load.h"
#include "served_controller.h"

#include <chrono>
#include <cstdio>

namespace korvan::controller::testing {
namespace {

TEST(SessionLoad, AShortQueryIsAnsweredWhileTwentySessionsRunLongLines)
{
    ServedController served("127.0.0.141");
    ASSERT_NE(served.handle(), nullptr);
    LongLineLoad load(served.address(), 20, 2);
    ASSERT_EQ(load.failures(), 0);
    int queries = 0;
    auto slowest = std::chrono::steady_clock::duration::zero();
    char reply[64];
    while (!load.finished()) {
        const auto start = std::chrono::steady_clock::now();
        // The handle keeps the default timeout of 1000 ms.
        ASSERT_EQ(VXC_DirectCommand(served.handle(), "?1", reply, sizeof reply), VXC_OK);
        slowest = std::max(slowest, std::chrono::steady_clock::now() - start);
        ++queries;
    }
    EXPECT_EQ(load.failures(), 0);
    EXPECT_EQ(load.lines(), 40);
    EXPECT_GT(queries, 0);
    // Well within the timeout: a line that held the controller to its end
    // kept queries waiting for most of a second here.
    EXPECT_LT(slowest, std::chrono::milliseconds(250));
    std::printf("%d queries, slowest %.1f ms\n", queries,
                std::chrono::duration<double, std::milli>(slowest).count());
}

} // namespace
} // namespace korvan::controller::testing
