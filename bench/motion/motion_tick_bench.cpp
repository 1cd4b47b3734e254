// Cost of one servo tick with 128 axes all moving: 32 groups of 4 axes, half of them on
// lines, half on arcs (spatial ones with a helical fourth axis). The baseline runs a
// plain loop over the same amount of per-axis data to show the floor of the memory walk.
#include "controller/motion/motion_engine.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <vector>

namespace {
using korvan::motion::MotionEngine;
using korvan::motion::MotionResult;

constexpr int kAxes = 128;
constexpr int kGroup = 4;

void keepGroupBusy(MotionEngine& e, int group)
{
    const int first = group * kGroup;
    const std::array<int, kGroup> base{first, first + 1, first + 2, first + 3};
    // Keep a few entries queued so the group never runs dry.
    while (e.remainBuffer(first, 1) > korvan::motion::kBufferDepth - 4) {
        MotionResult r = MotionResult::Ok;
        if (group % 2 == 0) {
            const std::array<double, kGroup> d{50, -30, 20, 5};
            const std::array<double, kGroup> back{-50, 30, -20, -5};
            r = e.move(base, e.status(first).dpos > 0 ? back : d);
        } else {
            r = e.mspherical(base, {20, 0, 10}, {10, 10, 5}, 2, 3, 0, false);
        }
        if (r != MotionResult::Ok)
            return;
    }
}

void BM_ServoTick128Axes(benchmark::State& state)
{
    MotionEngine e(kAxes);
    for (int a = 0; a < kAxes; ++a) {
        e.parameters(a).speed = 200;
        e.parameters(a).merge = 1;
        e.parameters(a).atype = a % 3 == 0 ? 4 : 1;
    }
    for (int g = 0; g < kAxes / kGroup; ++g)
        keepGroupBusy(e, g);
    int tick = 0;
    for (auto _ : state) {
        e.tick();
        benchmark::DoNotOptimize(e.status(kAxes - 1).dpos);
        if (++tick % 256 == 0) {
            state.PauseTiming();
            for (int g = 0; g < kAxes / kGroup; ++g)
                keepGroupBusy(e, g);
            state.ResumeTiming();
        }
    }
    int moving = 0;
    for (int a = 0; a < kAxes; ++a)
        moving += e.status(a).idle == 0;
    state.counters["moving_axes"] = moving;
}
BENCHMARK(BM_ServoTick128Axes)->Unit(benchmark::kMicrosecond);

// Baseline: one pass over comparable per-axis state with a sin/cos per arc axis.
void BM_BaselineLoop128Axes(benchmark::State& state)
{
    struct AxisData
    {
        double pos, speed, target, t;
        std::array<double, 40> rest;
    };
    std::vector<AxisData> axes(kAxes);
    for (int a = 0; a < kAxes; ++a)
        axes[a] = {0, 0, 100.0 + a, 0, {}};
    for (auto _ : state) {
        for (int a = 0; a < kAxes; ++a) {
            AxisData& d = axes[a];
            d.t += 0.001;
            d.pos = (a / kGroup) % 2 ? 10 * std::cos(d.t) : d.pos + d.speed * 0.001;
            d.speed = std::min(200.0, d.speed + 1.0);
        }
        benchmark::DoNotOptimize(axes.data());
    }
}
BENCHMARK(BM_BaselineLoop128Axes)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
