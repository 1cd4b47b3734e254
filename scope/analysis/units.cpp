#include "scope/analysis/units.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace korvan::scope {
namespace {

std::string printed(const char* format, double value, const char* unit)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value, unit);
    return text;
}

double stepFrom(double rough, const double* steps, std::size_t count)
{
    if (!(rough > 0.0) || !std::isfinite(rough))
        return 1.0;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (std::size_t i = 0; i < count; ++i)
        // The tolerance keeps an exact 2 × 10^k from rounding up to 5 × 10^k.
        if (steps[i] * decade >= rough * (1.0 - 1e-12))
            return steps[i] * decade;
    return 10.0 * decade;
}

} // namespace

double samplePeriodOf(double servoPeriodSeconds, int interval)
{
    return servoPeriodSeconds > 0.0 ? servoPeriodSeconds * (interval > 0 ? interval : 1) : 0.0;
}

std::string formatSeconds(double seconds)
{
    if (!std::isfinite(seconds))
        return "-";
    const double magnitude = std::fabs(seconds);
    if (magnitude == 0.0)
        return "0 s";
    if (magnitude < 1e-3)
        return printed("%.4g %s", seconds * 1e6, "µs");
    if (magnitude < 1.0)
        return printed("%.4g %s", seconds * 1e3, "ms");
    return printed("%.4g %s", seconds, "s");
}

std::string formatTime(const TimeBase& base, double samples)
{
    if (base.known())
        return formatSeconds(base.at(samples));
    return printed("%.6g %s", samples, "samples");
}

std::string formatFrequency(const TimeBase& base, double value)
{
    if (!std::isfinite(value))
        return "-";
    if (!base.known())
        return printed("%.4g %s", value, "/sample");
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e6)
        return printed("%.4g %s", value * 1e-6, "MHz");
    if (magnitude >= 1e3)
        return printed("%.4g %s", value * 1e-3, "kHz");
    return printed("%.4g %s", value, "Hz");
}

std::string formatValue(double value)
{
    if (!std::isfinite(value))
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

double valueAtY(int y, int midY, float offset, float scale)
{
    return static_cast<double>(midY - y) * scale / 100.0 - offset;
}

double niceStep(double rough)
{
    static constexpr std::array<double, 3> kSteps = {1.0, 2.0, 5.0};
    return stepFrom(rough, kSteps.data(), kSteps.size());
}

double fineNiceStep(double rough)
{
    static constexpr std::array<double, 10> kSteps = {1.0, 1.2, 1.5, 2.0, 2.5,
                                                      3.0, 4.0, 5.0, 6.0, 8.0};
    return stepFrom(rough, kSteps.data(), kSteps.size());
}

} // namespace korvan::scope
