// Goal: one poll tick of the axis parameter grid for 8 real axes against
// korvan-sim over loopback costs no more than its 30 exchanges (the
// specification record and one "?*NAME" block per polled row) made bare
// through libkorvan, plus 10 %: compare BM_GridPollTick with
// BM_BareTickExchanges. The controller's values do not change while it
// runs, so the tick rewrites no cell; that is the common case.
#include "bench/loopback_main.h"
#include "testing/simprocess/sim_process.h"
#include "workbench/axis/axis_catalogue.h"
#include "workbench/axis/axis_para_grid.h"
#include "workbench/axis/link_axis_port.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

namespace {

using namespace korvan;

// A controller with 8 real axes, written once per run.
std::filesystem::path EightAxisProfile()
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("korvan-bench-8axes-" + std::to_string(::getpid()) + ".json");
    std::ofstream(path)
        << R"({"axes": {"virtual": 8, "real": 8, "types": [1, 1, 1, 1, 4, 4, 4, 4]}})";
    return path;
}

struct Rig
{
    std::filesystem::path profile = EightAxisProfile();
    testing::SimProcess sim{testing::ethernetOptions("127.0.0.98:0", profile.string())};
    ControllerHandle handle = nullptr;
    Rig()
    {
        if (sim.ready())
            VXC_OpenEth(sim.ethEndpoint().c_str(), &handle);
    }
    ~Rig()
    {
        VXC_Close(handle);
        std::filesystem::remove(profile);
    }
};

Rig& rig()
{
    static Rig instance;
    return instance;
}

void BM_BareTickExchanges(benchmark::State& state)
{
    if (!rig().handle) {
        state.SkipWithError("korvan-sim did not start");
        return;
    }
    std::array<unsigned char, 64> record{};
    std::array<char, 2048> reply{};
    for (auto _ : state) {
        for (int row : axis::kPolledGridRows) {
            VXC_GetSysSpecification(rig().handle, record.data());
            const std::string query =
                std::string("?*") + axis::kAxisParameters[static_cast<std::size_t>(row)].name;
            VXC_DirectCommand(rig().handle, query.c_str(), reply.data(), reply.size());
        }
        benchmark::DoNotOptimize(reply);
    }
}

void BM_GridPollTick(benchmark::State& state)
{
    if (!rig().handle) {
        state.SkipWithError("korvan-sim did not start");
        return;
    }
    axis::LinkAxisPort port(rig().handle);
    const auto table = std::make_unique<axis::AxisTable>();
    axis::AxisParaGrid grid(*table);
    const axis::HardwareDefaultsFile noDefaults{"/nonexistent/AxisInit.xml", {}};
    if (!grid.build(&port, 0, noDefaults) || grid.axisCount() != 8) {
        state.SkipWithError("the grid did not build 8 axes");
        return;
    }
    std::size_t rewritten = 0;
    for (auto _ : state)
        rewritten += grid.poll(&port).size();
    state.counters["cells_rewritten"] =
        benchmark::Counter(static_cast<double>(rewritten), benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK(BM_BareTickExchanges)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridPollTick)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return korvan::bench::RunLoopbackBenchmarks(argc, argv);
}
