#pragma once
// Small helpers for stepping the engine deterministically in tests.

#include "controller/motion/motion_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <span>
#include <vector>

namespace korvan::motion::testing {

// Records outputs and answers inversion questions.
class RecordingHost final : public MotionHost
{
public:
    bool inputInverted(int input) const final
    {
        return inverted.count(input) && inverted.at(input);
    }
    void setOutput(int output, bool state) final
    {
        outputs[output] = state;
        outputLog.push_back({output, state});
    }
    void setAnalogOutput(int channel, double value) final { analog[channel] = value; }
    int tableSize() const final { return static_cast<int>(table.size()); }
    double tableValue(int index) const final { return table.at(static_cast<std::size_t>(index)); }

    std::vector<double> table = std::vector<double>(1000, 0.0);
    std::map<int, bool> inverted;
    std::map<int, bool> outputs;
    std::vector<std::pair<int, bool>> outputLog;
    std::map<int, double> analog;
};

// Ticks until every listed axis is idle; returns the ticks taken (or limit+1).
inline int runUntilIdle(MotionEngine& e, std::initializer_list<int> axes, int limit = 200000)
{
    for (int t = 1; t <= limit; ++t) {
        e.tick();
        bool idle = true;
        for (int a : axes)
            idle = idle && e.status(a).idle == -1;
        if (idle)
            return t;
    }
    return limit + 1;
}

// Size and seed of the randomised sweeps: --sweep-count=N / --sweep-seed=N on the
// command line (parsed by the suite's main), else KORVAN_MOTION_SWEEP_COUNT /
// KORVAN_MOTION_SWEEP_SEED in the environment, else the given defaults.
inline int g_sweepCount = -1;
inline long long g_sweepSeed = -1;

inline int sweepCount(int fallback)
{
    if (g_sweepCount >= 0)
        return g_sweepCount;
    const char* v = std::getenv("KORVAN_MOTION_SWEEP_COUNT");
    return v && *v ? std::atoi(v) : fallback;
}

inline unsigned sweepSeed(unsigned fallback)
{
    if (g_sweepSeed >= 0)
        return static_cast<unsigned>(g_sweepSeed);
    const char* v = std::getenv("KORVAN_MOTION_SWEEP_SEED");
    return v && *v ? static_cast<unsigned>(std::atoll(v)) : fallback;
}

// Demand positions of some axes, one row per tick: the first row before the first tick,
// the last when every axis is idle again.
struct PathTrace
{
    std::vector<std::vector<double>> points;
    double period = 0.001;

    double distance(std::size_t i, std::size_t j) const
    {
        double sum = 0;
        for (std::size_t k = 0; k < points[i].size(); ++k)
            sum += (points[i][k] - points[j][k]) * (points[i][k] - points[j][k]);
        return std::sqrt(sum);
    }
    // Vector speed in the tick that ends at row i.
    double speed(std::size_t i) const { return distance(i, i - 1) / period; }
    double maxSpeed() const
    {
        double v = 0;
        for (std::size_t i = 1; i < points.size(); ++i)
            v = std::max(v, speed(i));
        return v;
    }
    // Largest change of the path speed from one tick to the next, per second.
    double maxPathAcceleration() const
    {
        double a = 0;
        for (std::size_t i = 2; i < points.size(); ++i)
            a = std::max(a, std::abs(speed(i) - speed(i - 1)) / period);
        return a;
    }
    // Largest change of the velocity vector from one tick to the next, per second: the
    // path acceleration and the acceleration round curves together.
    double maxVectorAcceleration() const
    {
        double a = 0;
        for (std::size_t i = 2; i < points.size(); ++i) {
            double sum = 0;
            for (std::size_t k = 0; k < points[i].size(); ++k) {
                const double d2 = points[i][k] - 2 * points[i - 1][k] + points[i - 2][k];
                sum += d2 * d2;
            }
            a = std::max(a, std::sqrt(sum) / (period * period));
        }
        return a;
    }
    bool allFinite() const
    {
        for (const auto& row : points)
            for (const double v : row)
                if (!std::isfinite(v))
                    return false;
        return true;
    }
};

// Ticks until every listed axis is idle, recording their demand positions.
inline PathTrace tracePath(MotionEngine& e, std::span<const int> axes, int limit = 1000000)
{
    PathTrace trace;
    trace.period = e.period();
    auto row = [&] {
        std::vector<double> r;
        for (const int a : axes)
            r.push_back(e.status(a).dpos);
        trace.points.push_back(std::move(r));
    };
    row();
    for (int t = 0; t < limit; ++t) {
        e.tick();
        row();
        if (std::all_of(axes.begin(), axes.end(), [&](int a) { return e.status(a).idle == -1; }))
            break;
    }
    return trace;
}

inline void runTicks(MotionEngine& e, int n)
{
    for (int i = 0; i < n; ++i)
        e.tick();
}

} // namespace korvan::motion::testing
