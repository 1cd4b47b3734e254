// Real units for the oscilloscope: sample numbers to time, pixels to channel
// values, and the short texts that label them.
#pragma once

#include <string>

namespace korvan::scope {

/// How sample numbers become time: seconds between two samples, 0 when unknown.
struct TimeBase
{
    double samplePeriod = 0.0;

    bool known() const { return samplePeriod > 0.0; }
    /// Seconds of sample position s (fractional positions allowed); s itself when unknown.
    double at(double s) const { return known() ? s * samplePeriod : s; }
    /// Seconds spanned by n samples; n itself when unknown.
    double span(double n) const { return at(n); }
};

/// The sample period of a record: interval ticks of servoPeriod seconds each.
double samplePeriodOf(double servoPeriodSeconds, int interval);

/// "12.5 ms", "1.25 s", "250 µs": three to four significant digits in the unit that fits.
std::string formatSeconds(double seconds);
/// A time text, or "%g samples" when the time base is unknown.
std::string formatTime(const TimeBase& base, double samples);
/// The reciprocal of a time span: "80 Hz", "1.25 kHz"; per-sample when the base is unknown.
std::string formatFrequency(const TimeBase& base, double hertzOrPerSample);
/// A channel value in at most six significant digits ("-12.5", "1.5e+06").
std::string formatValue(double value);

/// Channel value at pixel row y: the inverse of the display's y formula.
double valueAtY(int y, int midY, float offset, float scale);

/// The smallest value of 1, 2 or 5 × 10^k that is at least rough (rough > 0).
double niceStep(double rough);
/// The smallest of 1, 1.2, 1.5, 2, 2.5, 3, 4, 5, 6, 8 × 10^k that is at least rough.
double fineNiceStep(double rough);

} // namespace korvan::scope
