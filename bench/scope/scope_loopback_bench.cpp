// Goal: one poll tick of the oscilloscope reading 8 channels × 20 new
// samples from korvan-sim over loopback, through the real libkorvan. The
// controller is started here with the default profile; the fill position it
// reports is replaced by one that moves 20 samples per tick, so every tick
// reads exactly 20 samples per channel whatever the servo clock did.
#include "bench/loopback_main.h"
#include "bench/scope/poll_ticks.h"
#include "scope/control/link_scope_access.h"
#include "scope/core/capture_engine.h"
#include "scope/core/tests/fake_scope_link.h"
#include "scope/core/tests/forwarding_scope_link.h"
#include "testing/simprocess/sim_process.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <memory>

using namespace korvan::scope;

namespace {

/// The module's link access with a scripted fill position; the position query
/// still makes its round trip to the controller.
class SteppedPositionLink final : public testing::ForwardingScopeLink
{
public:
    explicit SteppedPositionLink(ScopeLink& moduleLink) : ForwardingScopeLink(moduleLink) {}

    int position = 0;

    std::int32_t queryInt(std::string_view name, std::int32_t& value) override
    {
        const std::int32_t rc = ForwardingScopeLink::queryInt(name, value);
        if (name == "SCOPE_POS")
            value = position;
        return rc;
    }
};

korvan::testing::SimProcess* controller()
{
    static const std::unique_ptr<korvan::testing::SimProcess> sim = [] {
        return std::make_unique<korvan::testing::SimProcess>(
            korvan::testing::ethernetOptions("127.0.0.97:0"));
    }();
    return sim.get();
}

/// fastRead: the "DT" register reads in chunks of 200; otherwise "?TABLE(i) ..." text queries.
void pollTick(benchmark::State& state, bool fastRead)
{
    korvan::testing::SimProcess* sim = controller();
    if (!sim->ready()) {
        state.SkipWithError(sim->readyLine().c_str());
        return;
    }
    ControllerHandle handle = nullptr;
    if (VXC_OpenEth(sim->ethEndpoint().c_str(), &handle) != 0) {
        state.SkipWithError("cannot open the link");
        return;
    }
    LinkScopeAccess moduleLink(handle);
    SteppedPositionLink link(moduleLink);
    ControllerSpec spec;
    spec.record()[55] = 8;
    spec.record()[1] = fastRead ? 1 : 0;
    ScopeSettings settings;
    settings.channelCount = 8;
    settings.depth = 10000;
    ScopeChannels rows = defaultChannels();
    ScopeRecord record;
    testing::FakeCaptureHost host;
    CaptureEngine engine(link, spec, settings, rows, record, host);
    bench::runPollTicks(state, engine, link.position, settings.depth,
                        [&] { host.sampleRepaints.clear(); });
    engine.stop();
    VXC_Close(handle);
}

void BM_PollTickLoopbackRegisterReads(benchmark::State& state)
{
    pollTick(state, true);
}
void BM_PollTickLoopbackTableQueries(benchmark::State& state)
{
    pollTick(state, false);
}

} // namespace

BENCHMARK(BM_PollTickLoopbackRegisterReads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PollTickLoopbackTableQueries)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return korvan::bench::RunLoopbackBenchmarks(argc, argv);
}
