// The main() of the benchmarks that start korvan-sim: the controller is
// found the way the test suites find it, and only loopback is reached. A
// target using it defines KORVAN_BENCH_BIN_DIR and KORVAN_BENCH_SOURCE_DIR.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace korvan::bench {

inline int RunLoopbackBenchmarks(int argc, char** argv)
{
    ::setenv("KORVAN_BIN_DIR", KORVAN_BENCH_BIN_DIR, 0);
    ::setenv("KORVAN_SOURCE_DIR", KORVAN_BENCH_SOURCE_DIR, 0);
    ::setenv("KORVAN_LOOPBACK_ONLY", "1", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace korvan::bench
