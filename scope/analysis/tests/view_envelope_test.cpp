// Zoom arithmetic, the view history and the block envelope of a record.
#include "scope/analysis/sample_envelope.h"
#include "scope/analysis/tests/record_fixture.h"
#include "scope/analysis/view_zoom.h"
#include "scope/core/scope_geometry.h"

#include <gtest/gtest.h>

#include <random>

namespace korvan::scope {
namespace {

TEST(ViewZoom, WheelZoomKeepsTheSampleUnderThePointer)
{
    struct Case
    {
        HorizontalView view;
        int pointerX;
        double newScale;
        HorizontalView expected;
    };
    const Case cases[] = {
        // Sample 1000 + 250 × 2 = 1500 under x 250 stays there at scale 100.
        {{1000, 200.0}, 250, 100.0, {1250, 100.0}},
        {{1000, 200.0}, 0, 50.0, {1000, 50.0}},
        // The box holds whole scales of at least 10.
        {{0, 12.0}, 400, 3.3, {8, 10.0}},
        // Zooming out at the left end cannot go before sample 0.
        {{10, 100.0}, 300, 1000.0, {0, 1000.0}},
    };
    for (const Case& c : cases) {
        const HorizontalView v = zoomAround(c.view, c.pointerX, c.newScale);
        EXPECT_EQ(v.viewStart, c.expected.viewStart);
        EXPECT_EQ(v.horizontalScale, c.expected.horizontalScale);
        if (c.expected.viewStart > 0) {
            ScopeView before{.viewStart = c.view.viewStart,
                             .horizontalScale = c.view.horizontalScale};
            ScopeView after{.viewStart = v.viewStart, .horizontalScale = v.horizontalScale};
            const double s = c.view.viewStart + c.pointerX * c.view.horizontalScale / 100.0;
            EXPECT_NEAR(sampleX(static_cast<long long>(s), after),
                        sampleX(static_cast<long long>(s), before), 1.0);
        }
    }
}

TEST(ViewZoom, BoxAndFitShowTheirSamplesAcrossTheWidth)
{
    const HorizontalView box = viewOfSamples(2400, 1200, 600);
    EXPECT_EQ(box.viewStart, 1200);
    EXPECT_EQ(box.horizontalScale, 200.0);
    const HorizontalView fit = fitRecord(1000000, 1600);
    EXPECT_EQ(fit.viewStart, 0);
    EXPECT_EQ(fit.horizontalScale, 62500.0);
    // The last sample is on screen.
    EXPECT_LT(sampleX(999999, {.viewStart = 0, .horizontalScale = fit.horizontalScale}), 1600);
    EXPECT_EQ(fitRecord(0, 1600).horizontalScale, 10.0);
}

TEST(ViewZoom, AutoscaleFillsTheHeight)
{
    for (const auto& [low, high] : {std::pair{-50.0, 150.0}, {1000.0, 1000.5}, {-3e6, -1e6}}) {
        const auto fitted = autoscale(low, high, 400);
        ASSERT_TRUE(fitted);
        const int lowY = valueY(static_cast<float>(low), fitted->offset, fitted->scale, 200);
        const int highY = valueY(static_cast<float>(high), fitted->offset, fitted->scale, 200);
        EXPECT_GE(lowY, 0);
        EXPECT_LT(lowY, 400);
        EXPECT_GE(highY, 0);
        // At least three quarters of the height: the step of the scale is readable, not coarse.
        EXPECT_GE(lowY - highY, 0.75 * 0.9 * 400) << low << " " << high;
    }
    EXPECT_FALSE(autoscale(5, 5, 400));
    EXPECT_FALSE(autoscale(NAN, 5, 400));
    const auto exact = fillHeight(-10, 10, 200);
    ASSERT_TRUE(exact);
    EXPECT_FLOAT_EQ(exact->scale, 20.0F * 100.0F / 180.0F);
    EXPECT_FLOAT_EQ(exact->offset, 0.0F);
}

TEST(ViewZoom, HistoryGoesBackNewestFirstAndStaysBounded)
{
    ViewHistory history;
    EXPECT_FALSE(history.back());
    for (int i = 0; i < 100; ++i)
        history.push({.horizontal = {i, 100.0}, .channels = {}});
    for (int i = 99; i >= 100 - static_cast<int>(ViewHistory::kDepth); --i)
        EXPECT_EQ(history.back()->horizontal.viewStart, i);
    EXPECT_TRUE(history.empty());
}

TEST(SampleEnvelope, RangesMatchAPlainPassAsTheRecordGrows)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-1000.0F, 1000.0F);
    ScopeRecord record = testing::makeRecord(
        2, 0, [&](int, int) { return value(random); }, 300000);
    record.buffer.channel(1)[70000] = NAN; // a sample without a number widens nothing
    SampleEnvelope envelope;
    std::uniform_int_distribution<int> pick(0, 299999);
    for (const int total : {10, 64, 4095, 4096, 70001, 262144 + 5000, 300000}) {
        record.total = total;
        envelope.sync(record);
        EXPECT_EQ(envelope.covered(), total / SampleEnvelope::kFactor * SampleEnvelope::kFactor);
        for (int i = 0; i < 200; ++i) {
            int a = pick(random) % total, b = pick(random) % total;
            if (b < a)
                std::swap(a, b);
            for (int c = 0; c < 2; ++c) {
                const ValueRange expected = scanRange(record.buffer.channel(c), a, b);
                const ValueRange actual = envelope.range(record, c, a, b);
                ASSERT_EQ(actual.any, expected.any);
                ASSERT_EQ(actual.low, expected.low) << total << " " << a << ".." << b;
                ASSERT_EQ(actual.high, expected.high) << total << " " << a << ".." << b;
            }
        }
    }
}

TEST(SampleEnvelope, AReplacedRecordIsNotAnsweredFromOldBlocks)
{
    ScopeRecord record = testing::makeRecord(1, 1000, [](int, int) { return 1.0F; });
    SampleEnvelope envelope;
    envelope.sync(record);
    EXPECT_EQ(envelope.range(record, 0, 0, 999).high, 1.0F);
    // A new record of the same size, same block: the generation tells.
    for (int s = 0; s < 1000; ++s)
        record.buffer.channel(0)[s] = 2.0F;
    record.touch();
    envelope.sync(record);
    EXPECT_EQ(envelope.range(record, 0, 0, 999).low, 2.0F);
    const float nan[] = {NAN, NAN};
    EXPECT_FALSE(scanRange(nan, 0, 1).any);
}

} // namespace
} // namespace korvan::scope
