#include "scope/core/sample_buffer.h"

#include <gtest/gtest.h>

namespace korvan::scope {
namespace {

TEST(SampleBuffer, GrowKeepsLeadingSamplesOfEveryChannel)
{
    SampleBuffer buffer;
    ASSERT_TRUE(buffer.allocate(3, 4));
    for (int c = 0; c < 3; ++c)
        for (int s = 0; s < 4; ++s)
            buffer.channel(c)[s] = static_cast<float>(c * 10 + s);
    ASSERT_TRUE(buffer.grow(4, 8));
    EXPECT_EQ(buffer.length(), 8);
    for (int c = 0; c < 3; ++c)
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(buffer.channel(c)[s], static_cast<float>(c * 10 + s));
}

TEST(SampleBuffer, GrowthIsGeometric)
{
    SampleBuffer buffer;
    ASSERT_TRUE(buffer.allocate(2, 1000));
    int reallocations = 0;
    std::size_t stride = buffer.stride();
    for (int wraps = 1; wraps <= 1000; ++wraps) {
        ASSERT_TRUE(buffer.grow(wraps * 1000, (wraps + 1) * 1000));
        if (buffer.stride() != stride) {
            ++reallocations;
            stride = buffer.stride();
        }
    }
    EXPECT_LE(reallocations, 11) << "1000 wraps may not copy the record 1000 times";
    EXPECT_GE(buffer.stride(), 1001000U);
}

TEST(SampleBuffer, RefusedAllocationKeepsTheBlock)
{
    SampleBuffer buffer;
    buffer.setCapacityLimit(100);
    EXPECT_FALSE(buffer.allocate(2, 51));
    EXPECT_FALSE(buffer.exists());
    ASSERT_TRUE(buffer.allocate(2, 50));
    buffer.channel(1)[49] = 7.0F;
    EXPECT_FALSE(buffer.grow(50, 51));
    EXPECT_EQ(buffer.length(), 50);
    EXPECT_EQ(buffer.channel(1)[49], 7.0F);
    EXPECT_FALSE(buffer.allocate(0, 10));
    EXPECT_FALSE(buffer.allocate(2, -1));
}

} // namespace
} // namespace korvan::scope
