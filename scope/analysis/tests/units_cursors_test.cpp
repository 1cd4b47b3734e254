// Time units, cursors and the ranges they select.
#include "scope/analysis/cursors.h"
#include "scope/analysis/tests/record_fixture.h"
#include "scope/analysis/units.h"
#include "scope/core/scope_geometry.h"

#include <gtest/gtest.h>

namespace korvan::scope {
namespace {

TEST(Units, DeltaTInMillisecondsAtServoPeriodsOfOneAndHalfAMillisecond)
{
    const ScopeRecord record =
        testing::makeRecord(2, 1000, [](int c, int s) { return static_cast<float>(c * 10 + s); });
    struct Case
    {
        double servoSeconds;
        int interval;
        double a, b;
        const char* dt;
        const char* inverse;
    };
    const Case cases[] = {
        {1e-3, 1, 100, 350, "250 ms", "4 Hz"},      {0.5e-3, 1, 100, 350, "125 ms", "8 Hz"},
        {0.5e-3, 4, 100, 350, "500 ms", "2 Hz"},    {1e-3, 2, 10, 11, "2 ms", "500 Hz"},
        {0.5e-3, 1, 900, 100, "-400 ms", "2.5 Hz"}, {1e-3, 1, 0, 4000, "4 s", "0.25 Hz"},
    };
    for (const Case& c : cases) {
        const TimeBase base{samplePeriodOf(c.servoSeconds, c.interval)};
        const CursorReadout r = readTimeCursors(record, base, c.a, c.b);
        EXPECT_EQ(formatSeconds(r.dt), c.dt);
        ASSERT_TRUE(r.inverse);
        EXPECT_EQ(formatFrequency(base, *r.inverse), c.inverse);
    }
    EXPECT_EQ(samplePeriodOf(0.0, 3), 0.0) << "no servo period, no time base";
    EXPECT_EQ(samplePeriodOf(1e-3, 0), 1e-3) << "an interval below 1 samples every tick";
}

TEST(Units, CursorsReadEachChannelAtTheNearestSample)
{
    const ScopeRecord record =
        testing::makeRecord(3, 100, [](int c, int s) { return static_cast<float>(c * 1000 + s); });
    const CursorReadout r = readTimeCursors(record, TimeBase{1e-3}, 10.4, 20.6);
    EXPECT_EQ(r.at1[0], 10.0F);
    EXPECT_EQ(r.at2[2], 2021.0F);
    EXPECT_FALSE(r.at1[3]) << "a channel the record does not have";
    const CursorReadout off = readTimeCursors(record, TimeBase{1e-3}, -1, 100);
    EXPECT_FALSE(off.at1[0]);
    EXPECT_FALSE(off.at2[0]);
    EXPECT_FALSE(readTimeCursors(record, TimeBase{1e-3}, 5, 5).inverse);
    // Unknown time base: the cursors read sample numbers.
    EXPECT_EQ(readTimeCursors(record, TimeBase{}, 5, 25).dt, 20.0);
    EXPECT_EQ(formatTime(TimeBase{}, 20), "20 samples");
}

TEST(Units, FormatsPickTheUnitThatFits)
{
    EXPECT_EQ(formatSeconds(0.00025), "250 µs");
    EXPECT_EQ(formatSeconds(0.0125), "12.5 ms");
    EXPECT_EQ(formatSeconds(1.25), "1.25 s");
    EXPECT_EQ(formatSeconds(0), "0 s");
    EXPECT_EQ(formatFrequency(TimeBase{1e-3}, 1250), "1.25 kHz");
    EXPECT_EQ(formatValue(-12.5), "-12.5");
    EXPECT_EQ(formatValue(NAN), "-");
}

TEST(Units, ValueAtYInvertsTheDisplayFormula)
{
    for (const auto& [offset, scale] : {std::pair{0.0F, 1000.0F}, {250.0F, 40.0F}, {-3.5F, 0.5F}})
        for (const float v : {-800.0F, 0.0F, 12.0F, 1500.0F}) {
            const int y = valueY(v, offset, scale, 300);
            // The display truncates to a pixel: one pixel's worth of value at most.
            EXPECT_NEAR(valueAtY(y, 300, offset, scale), v, scale / 100.0 + 1e-3);
        }
}

TEST(Units, NiceSteps)
{
    EXPECT_EQ(niceStep(0.7), 1.0);
    EXPECT_EQ(niceStep(2.0), 2.0);
    EXPECT_EQ(niceStep(2.1), 5.0);
    EXPECT_EQ(niceStep(730), 1000);
    EXPECT_EQ(fineNiceStep(1.3), 1.5);
    EXPECT_DOUBLE_EQ(fineNiceStep(0.0031), 0.004);
}

TEST(Units, RangesBetweenCursorsAndInView)
{
    EXPECT_EQ(rangeBetween(10.2, 20.7, 100).first, 11);
    EXPECT_EQ(rangeBetween(20.7, 10.2, 100).last, 20);
    EXPECT_EQ(rangeBetween(-5, 500, 100).last, 99);
    EXPECT_TRUE(rangeBetween(10.2, 10.7, 100).empty());
    EXPECT_TRUE(rangeBetween(0, 10, 0).empty());
    // 500 pixels at 200 samples per 100 pixels show 1000 samples.
    const SampleRange view = visibleRange(300, 200.0, 500, 5000);
    EXPECT_EQ(view.first, 300);
    EXPECT_EQ(view.last, 1299);
    EXPECT_EQ(visibleRange(300, 200.0, 500, 800).count(), 500);
}

} // namespace
} // namespace korvan::scope
