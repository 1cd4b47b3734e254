#include "scope/analysis/measurements.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace korvan::scope {
namespace {

// Where the signal crosses level between samples i − 1 and i, as a fractional index.
double crossing(std::span<const float> v, std::size_t i, double level)
{
    const double a = v[i - 1], b = v[i];
    return b == a ? static_cast<double>(i) : static_cast<double>(i - 1) + (level - a) / (b - a);
}

// The first edge that runs from at or beyond from to at or beyond to (rising
// when to > from). Returns its two crossings, or nothing.
struct Edge
{
    double start; ///< crossing of from, the last before the edge completes
    double end;   ///< first crossing of to
};

std::optional<Edge> firstEdge(std::span<const float> v, double from, double to)
{
    const double sign = to > from ? 1.0 : -1.0;
    std::size_t lastFrom = v.size();
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!std::isfinite(v[i]))
            continue;
        if (sign * v[i] <= sign * from)
            lastFrom = i;
        else if (lastFrom != v.size() && sign * v[i] >= sign * to)
            return Edge{crossing(v, lastFrom + 1, from), crossing(v, i, to)};
    }
    return std::nullopt;
}

// The first pulse away from the start side of level and back: its two crossings.
std::optional<double> pulseWidth(std::span<const float> v, double level, bool upward)
{
    const auto away = [&](double x) { return upward ? x > level : x < level; };
    bool wasHome = false;
    std::optional<double> out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!std::isfinite(v[i]))
            continue;
        if (!out) {
            if (!away(v[i]))
                wasHome = true;
            else if (wasHome && i > 0)
                out = crossing(v, i, level);
        } else if (!away(v[i])) {
            return crossing(v, i, level) - *out;
        }
    }
    return std::nullopt;
}

double levelOf(std::span<const float> v, std::size_t first, std::size_t count)
{
    double sum = 0.0;
    std::size_t n = 0;
    for (std::size_t i = first; i < first + count && i < v.size(); ++i)
        if (std::isfinite(v[i])) {
            sum += v[i];
            ++n;
        }
    return n ? sum / static_cast<double>(n) : NAN;
}

// Rising crossings of level, counted only after the signal was below level − band,
// so noise around the level is not taken for cycles.
std::optional<double> frequencyFromCrossings(std::span<const float> v, double level, double band)
{
    std::vector<double> rising;
    bool below = false;
    std::size_t lastAtOrBelow = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double x = v[i];
        if (!std::isfinite(x))
            continue;
        if (x <= level)
            lastAtOrBelow = i;
        if (x < level - band)
            below = true;
        else if (below && x > level + band) {
            below = false;
            rising.push_back(crossing(v, lastAtOrBelow + 1, level));
        }
    }
    if (rising.size() < 2 || rising.back() <= rising.front())
        return std::nullopt;
    return static_cast<double>(rising.size() - 1) / (rising.back() - rising.front());
}

// How often the signal passes from one side of the band around level to the other.
int transitions(std::span<const float> v, double level, double band)
{
    int side = 0, count = 0;
    for (const float x : v) {
        const int now = x > level + band ? 1 : (x < level - band ? -1 : 0);
        if (now == 0 || !std::isfinite(x))
            continue;
        if (side != 0 && now != side)
            ++count;
        side = now;
    }
    return count;
}

} // namespace

Measurements measure(std::span<const float> v, double unit)
{
    Measurements m;
    double sum = 0.0, squares = 0.0;
    double low = INFINITY, high = -INFINITY;
    for (const float x : v) {
        if (!std::isfinite(x))
            continue;
        ++m.samples;
        sum += x;
        squares += static_cast<double>(x) * x;
        low = std::min<double>(low, x);
        high = std::max<double>(high, x);
    }
    if (m.samples == 0)
        return m;
    const double n = m.samples;
    m.minimum = low;
    m.maximum = high;
    m.peakToPeak = high - low;
    m.mean = sum / n;
    m.rms = std::sqrt(squares / n);
    // A second pass keeps the deviation exact for signals far from zero.
    double deviations = 0.0;
    for (const float x : v)
        if (std::isfinite(x))
            deviations += (x - m.mean) * (x - m.mean);
    m.standardDeviation = std::sqrt(deviations / n);
    if (m.peakToPeak <= 0.0 || v.size() < 3)
        return m;

    if (const auto perSample = frequencyFromCrossings(v, m.mean, 0.05 * m.peakToPeak))
        m.frequency = *perSample / unit;

    const std::size_t edge = std::max<std::size_t>(1, v.size() / 20);
    const double startLevel = levelOf(v, 0, edge);
    const double endLevel = levelOf(v, v.size() - edge, edge);
    // A step goes from its start level to a different end level once; a
    // periodic signal may also start and end apart, but passes many times.
    const bool step = std::isfinite(startLevel) && std::isfinite(endLevel) &&
                      std::fabs(endLevel - startLevel) >= 0.5 * m.peakToPeak &&
                      transitions(v, (startLevel + endLevel) / 2.0, 0.1 * m.peakToPeak) == 1;
    const double base = step ? std::min(startLevel, endLevel) : low;
    const double top = step ? std::max(startLevel, endLevel) : high;
    const double at10 = base + 0.1 * (top - base), at90 = base + 0.9 * (top - base);
    const bool rising = !step || endLevel > startLevel;
    const bool falling = !step || endLevel < startLevel;
    if (rising)
        if (const auto e = firstEdge(v, at10, at90))
            m.riseTime = (e->end - e->start) * unit;
    if (falling)
        if (const auto e = firstEdge(v, at90, at10))
            m.fallTime = (e->end - e->start) * unit;
    if (step)
        m.overshoot = std::max(0.0, rising ? (high - endLevel) / (endLevel - startLevel)
                                           : (endLevel - low) / (startLevel - endLevel)) *
                      100.0;

    // A pulse leaves the start level and comes back: its width at the 50 % level.
    if (!step && std::isfinite(startLevel)) {
        const double middle = (low + high) / 2.0;
        if (const auto w = pulseWidth(v, middle, startLevel < middle))
            m.width = *w * unit;
    }
    return m;
}

} // namespace korvan::scope
