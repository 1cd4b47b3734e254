// The spectrum of sines with known amplitude and frequency.
#include "scope/analysis/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace korvan::scope {
namespace {

std::vector<float> sines(int n, double period, const std::vector<std::pair<double, double>>& parts,
                         double dc = 0.0)
{
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        double x = dc;
        for (const auto& [amplitude, hertz] : parts)
            x += amplitude * std::sin(2 * std::numbers::pi * hertz * i * period + 0.3);
        v[static_cast<std::size_t>(i)] = static_cast<float>(x);
    }
    return v;
}

double db(double amplitude)
{
    return 20.0 * std::log10(amplitude);
}

TEST(Spectrum, SineAmplitudeAndFrequency)
{
    struct Case
    {
        const char* name;
        int n;
        double period; ///< seconds per sample
        double amplitude;
        double hertz;
        double frequencyTolerance; ///< Hz
        double dbTolerance;
    };
    const Case cases[] = {
        // 1000 samples at 1 ms: bins of 1 Hz; 50 Hz lies on a bin.
        {"on a bin, 1 ms", 1000, 1e-3, 3.0, 50.0, 1e-6, 0.01},
        {"on a bin, 0.5 ms, odd length", 2001, 0.5e-3, 0.25, 120.0 / (2001 * 0.5e-3), 1e-6, 0.01},
        // Between bins the Hann window loses at most 1.42 dB; the peak's
        // frequency is refined to a fraction of a bin.
        {"between bins", 1024, 1e-3, 1.0, 77.3, 0.1, 1.5},
    };
    for (const Case& c : cases) {
        const Spectrum s =
            computeSpectrum(sines(c.n, c.period, {{c.amplitude, c.hertz}}, 40.0), c.period);
        ASSERT_EQ(s.decibels.size(), static_cast<std::size_t>(c.n / 2 + 1)) << c.name;
        EXPECT_NEAR(s.binWidth, 1.0 / (c.n * c.period), 1e-12) << c.name;
        const SpectrumPeak peak = strongestPeak(s);
        EXPECT_NEAR(peak.frequency, c.hertz, c.frequencyTolerance) << c.name;
        EXPECT_NEAR(peak.decibels, db(c.amplitude), c.dbTolerance) << c.name;
        // The mean (40) is removed, so the DC bin does not rise above the floor of the window.
        EXPECT_LT(s.decibels[0], db(c.amplitude) - 40) << c.name;
    }
}

TEST(Spectrum, TwoTonesStandApart)
{
    const Spectrum s = computeSpectrum(sines(4000, 1e-3, {{1.0, 25.0}, {0.01, 300.0}}), 1e-3);
    const auto at = [&](double hertz) {
        return s.decibels[static_cast<std::size_t>(std::lround(hertz / s.binWidth))];
    };
    EXPECT_NEAR(at(25.0), 0.0, 0.01);
    EXPECT_NEAR(at(300.0), -40.0, 0.01);
    // Far from both tones the window keeps the leakage low.
    EXPECT_LT(at(150.0), -100.0);
}

TEST(Spectrum, SpanEndsPastTheLastStrongLine)
{
    // Tones at 25 Hz and at 300 Hz 40 dB lower: within 60 dB, the span reaches past 300 Hz.
    const Spectrum both = computeSpectrum(sines(4000, 1e-3, {{1.0, 25.0}, {0.01, 300.0}}), 1e-3);
    EXPECT_EQ(spectrumSpan(both), 500.0);
    EXPECT_EQ(spectrumSpan(both, 30.0), 50.0); // the weaker tone is left out
    const Spectrum one = computeSpectrum(sines(4000, 1e-3, {{1.0, 25.0}}), 1e-3);
    EXPECT_EQ(spectrumSpan(one), 50.0);
    // Never past the Nyquist frequency.
    const Spectrum high = computeSpectrum(sines(1000, 1e-3, {{1.0, 450.0}}), 1e-3);
    EXPECT_EQ(spectrumSpan(high), 500.0);
}

TEST(Spectrum, TooFewOrUnusableSamplesGiveNothing)
{
    EXPECT_TRUE(computeSpectrum(std::vector<float>{1, 2, 3}, 1e-3).empty());
    EXPECT_TRUE(computeSpectrum(std::vector<float>{1, NAN, NAN, NAN, 2}, 1e-3).empty());
    EXPECT_TRUE(computeSpectrum(std::vector<float>(100, 1.0F), 0.0).empty());
    // A flat signal gives the floor everywhere, not minus infinity.
    const Spectrum flat = computeSpectrum(std::vector<float>(64, 5.0F), 1e-3);
    ASSERT_FALSE(flat.empty());
    for (const double d : flat.decibels)
        EXPECT_EQ(d, kSpectrumFloorDb);
}

} // namespace
} // namespace korvan::scope
