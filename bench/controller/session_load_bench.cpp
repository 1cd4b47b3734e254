// How long a short query ("?1") waits while other sessions run the longest
// command lines the controller takes (close to 100,000 statements each),
// over loopback through libkorvan. Goal: well within the link's default
// timeout of 1000 ms with 20 such sessions; the slowest query is the figure.
#include "controller/controller.h"
#include "controller/profile.h"
#include "controller/session.h"
#include "controller/tests/long_line_load.h"
#include "link/korvan.h"
#include "link/server/link_server.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace korvan;

constexpr const char* kHost = "127.0.0.142";

struct ServedRig
{
    controller::Controller controller{controller::parseProfile("{}")};
    controller::ControllerLinkEndpoint endpoint{controller};
    link::server::LinkServer server{endpoint};
    std::string address;
    ControllerHandle probe = nullptr;

    ServedRig()
    {
        address = std::string(kHost) + ":" + std::to_string(server.listenTcp(kHost, 0));
        VXC_OpenEth(address.c_str(), &probe);
    }
    ~ServedRig() { VXC_Close(probe); }
};

void BM_ShortQueryUnderLongLines(benchmark::State& state)
{
    ServedRig rig;
    const int sessions = static_cast<int>(state.range(0));
    controller::testing::LongLineLoad load(rig.address, sessions, 0);
    std::vector<double> waits;
    char reply[64];
    int timeouts = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int32_t code = VXC_DirectCommand(rig.probe, "?1", reply, sizeof reply);
        waits.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        timeouts += code == VXC_ERR_TIMEOUT;
        if (code != VXC_OK && code != VXC_ERR_TIMEOUT) {
            state.SkipWithError("query failed");
            break;
        }
    }
    load.stop();
    std::sort(waits.begin(), waits.end());
    if (!waits.empty()) {
        state.counters["median_ms"] = waits[waits.size() / 2];
        state.counters["p99_ms"] = waits[waits.size() * 99 / 100];
        state.counters["slowest_ms"] = waits.back();
    }
    state.counters["timeouts"] = timeouts;
    state.counters["long_lines"] = load.lines();
}
BENCHMARK(BM_ShortQueryUnderLongLines)
    ->Arg(0)
    ->Arg(20)
    ->Iterations(300)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One long line alone, for the cost of the slices.
void BM_LongLine(benchmark::State& state)
{
    ServedRig rig;
    VXC_SetTimeOut(rig.probe, 60'000);
    char reply[64];
    for (auto _ : state)
        if (VXC_Execute(rig.probe, controller::testing::kLongLine, 0, reply, sizeof reply) != 0) {
            state.SkipWithError("long line failed");
            break;
        }
}
BENCHMARK(BM_LongLine)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
