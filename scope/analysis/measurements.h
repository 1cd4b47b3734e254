// Measurements of one channel over a range of samples: extremes, mean, RMS,
// standard deviation, frequency from crossings of the mean, rise and fall
// times (10–90 %), overshoot of a step and the width of a pulse.
#pragma once

#include <optional>
#include <span>

namespace korvan::scope {

struct Measurements
{
    int samples = 0; ///< finite samples measured; 0 leaves every other field meaningless
    double minimum = 0.0;
    double maximum = 0.0;
    double peakToPeak = 0.0;
    double mean = 0.0;
    double rms = 0.0;                ///< of the values themselves, DC included
    double standardDeviation = 0.0;  ///< of the population
    std::optional<double> frequency; ///< per time unit, from rising crossings of the mean
    std::optional<double> riseTime;  ///< 10 % to 90 % of the first rising edge
    std::optional<double> fallTime;  ///< 90 % to 10 % of the first falling edge
    std::optional<double> overshoot; ///< percent beyond the final level of a step
    std::optional<double> width; ///< of the first whole pulse away from the start level, at 50 %
};

/// Measures values, unit time units apart (seconds per sample, or 1 to count in samples).
/// A step (the start and end levels differ by at least half the range) takes its
/// 10/90 % levels and its overshoot from those levels; any other signal takes its
/// levels from the minimum and maximum and has no overshoot.
Measurements measure(std::span<const float> values, double unit);

} // namespace korvan::scope
