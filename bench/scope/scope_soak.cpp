// Soak of the oscilloscope's continuous recording: korvan-sim on loopback,
// eight axes moving at a constant 1000 units/s, their DPOS recorded on eight
// channels at every servo tick in continuous mode, polled as the panel's
// timer does, for N minutes. Each DPOS then rises by exactly one unit per
// tick, so a lost sample shows as a step of two or more, a repeated one as a
// step of zero. Prints the lost samples (goal 0) and the longest poll.
//
//   scope_soak [--minutes N] [--depth D] [--interval I] [--stall-ms MS]
//
// --stall-ms blocks the poll once, halfway, for that long: a check that a
// stall longer than one capture (depth × interval ticks) is seen as loss.
#include "scope/control/link_scope_access.h"
#include "scope/core/capture_engine.h"
#include "scope/core/tests/fake_scope_link.h"
#include "testing/simprocess/sim_process.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace korvan::scope;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kChannels = 8;
constexpr double kSpeed = 1000.0; // units per second, UNITS 1: one unit per 1 ms tick

struct Options
{
    double minutes = 10.0;
    int depth = 1000;
    int interval = 1;
    int stallMs = 0;
};

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--minutes" && hasValue)
            o.minutes = std::atof(argv[++i]);
        else if (arg == "--depth" && hasValue)
            o.depth = std::atoi(argv[++i]);
        else if (arg == "--interval" && hasValue)
            o.interval = std::atoi(argv[++i]);
        else if (arg == "--stall-ms" && hasValue)
            o.stallMs = std::atoi(argv[++i]);
        else
            return false;
    }
    return o.minutes > 0 && o.depth > 0 && o.interval > 0 && o.depth * kChannels <= 32000;
}

bool send(ControllerHandle h, const std::string& text)
{
    char reply[2048] = {};
    const std::int32_t rc = VXC_Execute(h, text.c_str(), 1000, reply, sizeof reply);
    if (rc != 0)
        std::fprintf(stderr, "%s: error %d %s\n", text.c_str(), rc, reply);
    return rc == 0;
}

// Steps between neighbouring samples of one channel's ramp.
struct RampCheck
{
    long long lost = 0;      ///< samples missing between neighbours
    long long repeated = 0;  ///< neighbours with the same value
    long long backwards = 0; ///< neighbours that step back (out of order)

    void check(const float* v, int count, double step)
    {
        for (int s = 1; s < count; ++s) {
            const long long k = std::llround((static_cast<double>(v[s]) - v[s - 1]) / step);
            if (k >= 2)
                lost += k - 1;
            else if (k == 0)
                ++repeated;
            else if (k < 0)
                ++backwards;
        }
    }
};

class Host final : public CaptureHost
{
public:
    void showMessage(std::string_view text) override
    {
        std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    void loadControllerLimits() override {}
    void syncRowsFromBoxes() override {}
    void captureStarted() override {}
    void captureStopped() override {}
    void repaintAll() override {}
    void repaintLabels() override {}
    void repaintSamples(int, int) override {}
    void updateScrollBar() override {}
    int displayWidth() const override { return 1000; }
    int viewStart() const override { return 0; }
    void setViewStart(int) override {}
};

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: scope_soak [--minutes N] [--depth D (<= 4000)] "
                             "[--interval I] [--stall-ms MS]\n");
        return 2;
    }
    ::setenv("KORVAN_BIN_DIR", KORVAN_BENCH_BIN_DIR, 0);
    ::setenv("KORVAN_SOURCE_DIR", KORVAN_BENCH_SOURCE_DIR, 0);
    ::setenv("KORVAN_LOOPBACK_ONLY", "1", 1);

    // Eight plain axes with the default 1 ms servo tick and a TABLE of 32000.
    const auto profile = std::filesystem::temp_directory_path() /
                         ("scope-soak-" + std::to_string(::getpid()) + ".json");
    std::ofstream(profile) << "{}\n";
    korvan::testing::SimProcess sim(
        korvan::testing::ethernetOptions("127.0.0.98:0", profile.string()));
    std::filesystem::remove(profile);
    if (!sim.ready()) {
        std::fprintf(stderr, "korvan-sim did not start: %s\n", sim.readyLine().c_str());
        return 1;
    }
    ControllerHandle handle = nullptr;
    ControllerHandle probe = nullptr;
    if (VXC_OpenEth(sim.ethEndpoint().c_str(), &handle) != 0 ||
        VXC_OpenEth(sim.ethEndpoint().c_str(), &probe) != 0) {
        std::fprintf(stderr, "cannot open the links\n");
        return 1;
    }
    for (int axis = 0; axis < kChannels; ++axis) {
        const std::string a = "(" + std::to_string(axis) + ")";
        if (!send(probe, "UNITS" + a + "=1:ACCEL" + a + "=1000000:DECEL" + a + "=1000000:SPEED" +
                             a + "=" + std::to_string(kSpeed) + ":VMOVE(1) AXIS" + a))
            return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // at speed after a tick

    LinkScopeAccess link(handle);
    ControllerSpec spec;
    ScopeSettings settings;
    settings.channelCount = kChannels;
    settings.depth = options.depth;
    settings.interval = options.interval;
    settings.continuous = true;
    ScopeChannels rows = defaultChannels();
    for (int c = 0; c < kChannels; ++c)
        rows[static_cast<std::size_t>(c)] = {.source = "DPOS", .number = c};
    ScopeRecord record;
    Host host;
    CaptureEngine engine(link, spec, settings, rows, record, host);
    engine.start();
    engine.manualTrigger();
    if (!engine.state().running || !engine.state().armed) {
        std::fprintf(stderr, "the capture did not start armed\n");
        return 1;
    }

    std::vector<double> polls;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double, std::ratio<60>>(options.minutes);
    auto nextReport = start + std::chrono::minutes(1);
    bool stalled = options.stallMs <= 0;
    while (Clock::now() < end && engine.state().running) {
        const auto before = Clock::now();
        const int period = engine.poll();
        polls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
        if (period <= 0)
            break;
        if (!stalled && Clock::now() >= start + (end - start) / 2) {
            stalled = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(options.stallMs));
        }
        if (Clock::now() >= nextReport) {
            nextReport += std::chrono::minutes(1);
            std::printf("%5.1f min: %d samples per channel, longest poll %.2f ms\n",
                        std::chrono::duration<double, std::ratio<60>>(Clock::now() - start).count(),
                        record.total, *std::max_element(polls.begin(), polls.end()));
            std::fflush(stdout);
        }
        // The panel's timer is re-set after each tick: the period runs from the tick's end.
        std::this_thread::sleep_for(std::chrono::milliseconds(period));
    }
    const bool ranToEnd = engine.state().running;
    engine.stop();
    const double minutes =
        std::chrono::duration<double, std::ratio<60>>(Clock::now() - start).count();

    const double step = kSpeed * 1e-3 * options.interval; // SERVO_PERIOD is 1000 µs
    RampCheck total;
    long long lostByPosition = 0;
    for (int c = 0; c < kChannels && record.total > 1; ++c) {
        const float* v = record.buffer.channel(c);
        RampCheck one;
        one.check(v, record.total, step);
        total.lost += one.lost;
        total.repeated += one.repeated;
        total.backwards += one.backwards;
        // What the positions say should be there, against what is.
        const long long expected = std::llround((v[record.total - 1] - v[0]) / step) + 1;
        lostByPosition += std::max(0LL, expected - record.total);
    }
    std::sort(polls.begin(), polls.end());
    const auto percentile = [&](double q) {
        return polls.empty()
                   ? 0.0
                   : polls[std::min(polls.size() - 1, static_cast<std::size_t>(
                                                          q * static_cast<double>(polls.size())))];
    };
    double sum = 0.0;
    for (const double p : polls)
        sum += p;

    std::printf("scope soak: %.1f min, %d channels of DPOS at every servo tick (1 ms), depth %d, "
                "interval %d, continuous, over loopback\n",
                minutes, kChannels, options.depth, options.interval);
    std::printf("samples per channel: %d\n", record.total);
    std::printf("lost samples: %lld (steps of two or more, all channels), %lld by position; "
                "repeated %lld, out of order %lld\n",
                total.lost, lostByPosition, total.repeated, total.backwards);
    std::printf(
        "polls: %zu, longest %.2f ms, 99.9th percentile %.2f ms, 99th %.2f ms, mean %.3f ms\n",
        polls.size(), polls.empty() ? 0.0 : polls.back(), percentile(0.999), percentile(0.99),
        polls.empty() ? 0.0 : sum / static_cast<double>(polls.size()));
    if (!ranToEnd)
        std::printf("the capture stopped before the end\n");
    VXC_Close(probe);
    VXC_Close(handle);
    return total.lost == 0 && lostByPosition == 0 && total.backwards == 0 && ranToEnd ? 0 : 3;
}
