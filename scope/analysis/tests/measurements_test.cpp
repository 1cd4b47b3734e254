// Measurements against generated signals whose answers are known in closed form.
#include "scope/analysis/measurements.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <vector>

namespace korvan::scope {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kMs = 1e-3; // seconds per sample in these cases

std::vector<float> generate(int n, const std::function<double(int)>& f)
{
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = static_cast<float>(f(i));
    return v;
}

// A piecewise-linear trace through (sample, value) corners, flat beyond the last.
std::function<double(int)> corners(std::vector<std::pair<double, double>> points)
{
    return [points](int i) {
        if (i <= points.front().first)
            return points.front().second;
        for (std::size_t k = 1; k < points.size(); ++k)
            if (i <= points[k].first) {
                const auto [x0, y0] = points[k - 1];
                const auto [x1, y1] = points[k];
                return y0 + (y1 - y0) * (i - x0) / (x1 - x0);
            }
        return points.back().second;
    };
}

// Unit step response of a second-order system with damping zeta, from sample 100.
std::function<double(int)> underdamped(double zeta, double dampedPerSample)
{
    return [=](int i) {
        if (i < 100)
            return 0.0;
        const double t = i - 100;
        const double wn = dampedPerSample / std::sqrt(1 - zeta * zeta);
        return 1 - std::exp(-zeta * wn * t) / std::sqrt(1 - zeta * zeta) *
                       std::sin(dampedPerSample * t + std::acos(zeta));
    };
}

struct Expected
{
    std::optional<double> minimum = {}, maximum = {}, mean = {}, rms = {}, deviation = {};
    std::optional<double> frequency = {}, rise = {}, fall = {}, overshoot = {}, width = {};
    bool noFrequency = false, noRise = false, noFall = false, noOvershoot = false;
};

struct Case
{
    const char* name;
    std::vector<float> values;
    Expected expected;
    double tolerance; ///< relative, of the expected value (absolute below 1)
};

void expectNear(const char* name, const char* what, double actual, double expected, double tol)
{
    EXPECT_NEAR(actual, expected, tol * std::max(1.0, std::fabs(expected))) << name << ": " << what;
}

void expectOptional(const char* name, const char* what, const std::optional<double>& actual,
                    const std::optional<double>& expected, double tol)
{
    if (!expected)
        return;
    ASSERT_TRUE(actual.has_value()) << name << ": " << what << " missing";
    expectNear(name, what, *actual, *expected, tol);
}

TEST(Measurements, GeneratedSignalsWithKnownAnswers)
{
    const double amplitude = 2.0;
    // Ten whole periods of 100 samples: RMS and deviation are exact.
    const auto sine = [&](double dc) {
        return generate(1000,
                        [=](int i) { return dc + amplitude * std::sin(2 * kPi * i / 100.0); });
    };
    const double tau = 20.0;
    const double zeta = 0.3;
    const Case cases[] = {
        {"sine",
         sine(0.0),
         {.minimum = -2.0,
          .maximum = 2.0,
          .mean = 0.0,
          .rms = amplitude / std::sqrt(2.0),
          .deviation = amplitude / std::sqrt(2.0),
          .frequency = 10.0,
          .noOvershoot = true},
         1e-5},
        {"sine on an offset",
         sine(5.0),
         {.mean = 5.0,
          .rms = std::sqrt(25.0 + amplitude * amplitude / 2),
          .deviation = amplitude / std::sqrt(2.0),
          .frequency = 10.0},
         1e-5},
        {"noisy sine: the band around the mean ignores the noise",
         generate(1000,
                  [&](int i) {
                      return amplitude * std::sin(2 * kPi * i / 100.0) +
                             0.04 * ((i * 7919 % 13) - 6) / 6.0;
                  }),
         {.frequency = 10.0},
         2e-3},
        {"square wave: one-sample edges",
         generate(1000, [](int i) { return (i / 50) % 2 == 0 ? -1.0 : 1.0; }),
         {.rms = 1.0, .frequency = 10.0, .rise = 0.8 * kMs, .fall = 0.8 * kMs},
         1e-6},
        {"ramp step: 10-90 % of a 100-sample ramp is 80 samples",
         generate(1000, corners({{100, 0.0}, {200, 1.0}})),
         {.rise = 80 * kMs, .overshoot = 0.0, .noFrequency = true, .noFall = true},
         1e-6},
        {"falling ramp step",
         generate(1000, corners({{100, 1.0}, {200, 0.0}})),
         {.fall = 80 * kMs, .overshoot = 0.0, .noRise = true},
         1e-6},
        {"first-order step: rise time is tau ln 9",
         generate(2000, [&](int i) { return i < 100 ? 0.0 : 1 - std::exp(-(i - 100) / tau); }),
         {.rise = tau * std::log(9.0) * kMs, .overshoot = 0.0},
         2e-3},
        {"second-order step: overshoot exp(-pi zeta / sqrt(1 - zeta^2))",
         generate(2000, underdamped(zeta, kPi / 100.0)),
         {.overshoot = 100.0 * std::exp(-kPi * zeta / std::sqrt(1 - zeta * zeta))},
         1e-3},
        {"trapezoid pulse of a move's speed",
         generate(1000, corners({{100, 0}, {150, 1000}, {550, 1000}, {600, 0}})),
         {.minimum = 0,
          .maximum = 1000,
          .rise = 40 * kMs,
          .fall = 40 * kMs,
          .width = 450 * kMs,
          .noOvershoot = true},
         1e-6},
        {"constant",
         generate(100, [](int) { return -3.0; }),
         {.minimum = -3,
          .maximum = -3,
          .mean = -3,
          .rms = 3,
          .deviation = 0,
          .noFrequency = true,
          .noRise = true,
          .noFall = true,
          .noOvershoot = true},
         1e-9},
    };
    for (const Case& c : cases) {
        const Measurements m = measure(c.values, kMs);
        const Expected& e = c.expected;
        ASSERT_EQ(m.samples, static_cast<int>(c.values.size())) << c.name;
        expectOptional(c.name, "minimum", m.minimum, e.minimum, c.tolerance);
        expectOptional(c.name, "maximum", m.maximum, e.maximum, c.tolerance);
        expectNear(c.name, "peak to peak", m.peakToPeak, m.maximum - m.minimum, 1e-12);
        expectOptional(c.name, "mean", m.mean, e.mean, c.tolerance);
        expectOptional(c.name, "rms", m.rms, e.rms, c.tolerance);
        expectOptional(c.name, "deviation", m.standardDeviation, e.deviation, c.tolerance);
        expectOptional(c.name, "frequency", m.frequency, e.frequency, c.tolerance);
        expectOptional(c.name, "rise", m.riseTime, e.rise, c.tolerance);
        expectOptional(c.name, "fall", m.fallTime, e.fall, c.tolerance);
        expectOptional(c.name, "overshoot", m.overshoot, e.overshoot, c.tolerance);
        expectOptional(c.name, "width", m.width, e.width, c.tolerance);
        if (e.noFrequency) {
            EXPECT_FALSE(m.frequency) << c.name;
        }
        if (e.noRise) {
            EXPECT_FALSE(m.riseTime) << c.name;
        }
        if (e.noFall) {
            EXPECT_FALSE(m.fallTime) << c.name;
        }
        if (e.noOvershoot) {
            EXPECT_FALSE(m.overshoot) << c.name;
        }
    }
}

TEST(Measurements, TimesCountInSamplesWithoutATimeBase)
{
    const auto ramp = generate(1000, corners({{100, 0.0}, {200, 1.0}}));
    // The ramp's float samples hold its values to about 1e-7.
    EXPECT_NEAR(*measure(ramp, 1.0).riseTime, 80.0, 1e-4);
    EXPECT_NEAR(*measure(ramp, 0.5e-3).riseTime, 0.040, 1e-7);
}

TEST(Measurements, NonFiniteSamplesAreLeftOut)
{
    EXPECT_EQ(measure({}, kMs).samples, 0);
    const std::vector<float> none = {NAN, INFINITY, -INFINITY};
    EXPECT_EQ(measure(none, kMs).samples, 0);
    const std::vector<float> some = {1.0F, NAN, 3.0F};
    const Measurements m = measure(some, kMs);
    EXPECT_EQ(m.samples, 2);
    EXPECT_EQ(m.mean, 2.0);
    EXPECT_EQ(m.maximum, 3.0);
}

} // namespace
} // namespace korvan::scope
