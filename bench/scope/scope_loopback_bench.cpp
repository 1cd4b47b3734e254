// Goal: one poll tick of the oscilloscope reading 8 channels × 20 new
// samples from korvan-sim over loopback, through the real libkorvan. The
// controller is started here with the default profile; the fill position it
// reports is replaced by one that moves 20 samples per tick, so every tick
// reads exactly 20 samples per channel whatever the servo clock did.
#include "scope/control/link_scope_access.h"
#include "scope/core/capture_engine.h"
#include "scope/core/tests/fake_scope_link.h"
#include "testing/simprocess/sim_process.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <memory>

using namespace korvan::scope;

namespace {

/// The module's link access with a scripted fill position; the position query
/// still makes its round trip to the controller.
class SteppedPositionLink final : public ScopeLink
{
public:
    explicit SteppedPositionLink(ControllerHandle& handle) : m_link(handle) {}

    int position = 0;

    bool connected() const override { return m_link.connected(); }
    std::int32_t queryInt(std::string_view name, std::int32_t& value) override
    {
        const std::int32_t rc = m_link.queryInt(name, value);
        if (name == "SCOPE_POS")
            value = position;
        return rc;
    }
    std::int32_t execute(std::string_view command, std::uint32_t timeoutMs, std::string& reply,
                         std::uint32_t capacity) override
    {
        return m_link.execute(command, timeoutMs, reply, capacity);
    }
    std::int32_t executeNoAck(std::string_view command, std::uint32_t timeoutMs) override
    {
        return m_link.executeNoAck(command, timeoutMs);
    }
    std::int32_t direct(std::string_view command, std::string& reply) override
    {
        return m_link.direct(command, reply);
    }
    std::int32_t readRegisters(std::int32_t start, std::int32_t count, float* values) override
    {
        return m_link.readRegisters(start, count, values);
    }
    std::int32_t readTable(std::int32_t start, std::int32_t count, float* values) override
    {
        return m_link.readTable(start, count, values);
    }
    std::uint8_t connectType() override { return m_link.connectType(); }
    std::int32_t readSpecification(std::array<std::uint8_t, 64>& record) override
    {
        return m_link.readSpecification(record);
    }
    std::uint8_t axes() override { return m_link.axes(); }
    void waitMs(int ms) override { m_link.waitMs(ms); }

private:
    LinkScopeAccess m_link;
};

korvan::testing::SimProcess* controller()
{
    static const std::unique_ptr<korvan::testing::SimProcess> sim = [] {
        korvan::testing::SimOptions options;
        options.eth = "127.0.0.97:0";
        return std::make_unique<korvan::testing::SimProcess>(options);
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
    SteppedPositionLink link(handle);
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
    engine.start();
    engine.manualTrigger();
    for (auto _ : state) {
        link.position += 20;
        if (link.position > settings.depth) {
            state.PauseTiming();
            engine.manualTrigger();
            link.position = 20;
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(engine.poll());
        host.sampleRepaints.clear();
    }
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
    // The controller is found the way the test suites find it.
    ::setenv("KORVAN_BIN_DIR", KORVAN_BENCH_BIN_DIR, 0);
    ::setenv("KORVAN_SOURCE_DIR", KORVAN_BENCH_SOURCE_DIR, 0);
    ::setenv("KORVAN_LOOPBACK_ONLY", "1", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
