// The timed loop of the poll benchmarks: each iteration moves the fill
// position on by 20 samples per channel and runs one tick; when the capture
// is full a new one is triggered outside the timing.
#pragma once

#include "scope/core/capture_engine.h"

#include <benchmark/benchmark.h>

namespace korvan::scope::bench {

inline constexpr int kSamplesPerTick = 20;

template <class AfterTick>
void runPollTicks(benchmark::State& state, CaptureEngine& engine, int& position, int depth,
                  AfterTick afterTick)
{
    engine.start();
    engine.manualTrigger();
    for (auto _ : state) {
        position += kSamplesPerTick;
        if (position > depth) {
            state.PauseTiming();
            engine.manualTrigger();
            position = kSamplesPerTick;
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(engine.poll());
        afterTick();
    }
}

} // namespace korvan::scope::bench
