// Goals: one paint of 8 channels × 100 000 samples at 1600 × 600 within 16 ms
// in line and in dot mode; one paint of 8 channels × 1 000 000 samples in line
// mode within 16 ms (with the block envelope the display keeps); one poll tick
// reading 8 channels × 20 new samples.
#include "bench/scope/poll_ticks.h"
#include "scope/control/link_scope_access.h"
#include "scope/core/capture_engine.h"
#include "scope/core/tests/fake_scope_link.h"
#include "scope/render/scope_renderer.h"
#include "testing/fakelink/fake_link.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace korvan::scope;

namespace {

// 8 channels of samples: sines with noise, as a long record of a move looks.
ScopeRecord makeRecord(int samples, double frequency)
{
    ScopeRecord r;
    r.channelCount = 8;
    r.depth = samples;
    r.total = samples;
    r.buffer.allocate(8, samples);
    std::uint32_t seed = 1;
    for (int c = 0; c < 8; ++c) {
        for (int s = 0; s < samples; ++s) {
            seed = seed * 1664525U + 1013904223U;
            r.buffer.channel(c)[s] = static_cast<float>(1500.0 * std::sin(s * frequency * (c + 1)) +
                                                        static_cast<int>(seed >> 24) - 128);
        }
        r.traces[static_cast<std::size_t>(c)].label = "DPOS(" + std::to_string(c) + ")";
    }
    return r;
}

ScopeRecord& bigRecord()
{
    static ScopeRecord record = makeRecord(100000, 0.001);
    return record;
}

ScopeRecord& millionRecord()
{
    static ScopeRecord record = makeRecord(1000000, 0.00002);
    return record;
}

// Frames of the record at 1600 × 600; the first, outside the timing, builds
// the envelope when the input has one, as a display's first paint of a record does.
void paintFrames(benchmark::State& state, const RenderInput& in)
{
    QImage image(1600, 600, QImage::Format_RGB32);
    ScopeRenderer::paint(image, in);
    for (auto _ : state) {
        ScopeRenderer::paint(image, in);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void paintMillion(benchmark::State& state, double horizontalScale, int viewStart)
{
    SampleEnvelope envelope;
    RenderInput in;
    in.record = &millionRecord();
    in.depth = 1000000;
    in.displayType = 1;
    in.view.horizontalScale = horizontalScale;
    in.view.viewStart = viewStart;
    in.envelope = &envelope;
    paintFrames(state, in);
}

// Zoomed to fit: 625 samples per column.
void BM_PaintLinesMillionFit(benchmark::State& s)
{
    paintMillion(s, 62500.0, 0);
}
// A tenth of the record: 62.5 samples per column.
void BM_PaintLinesMillionTenth(benchmark::State& s)
{
    paintMillion(s, 6250.0, 450000);
}
// The frame that builds the envelope of the whole record (once per record).
void BM_EnvelopeOfMillionRecord(benchmark::State& state)
{
    for (auto _ : state) {
        SampleEnvelope envelope;
        envelope.sync(millionRecord());
        benchmark::DoNotOptimize(envelope.covered());
    }
}

void paintRecord(benchmark::State& state, int displayType, double horizontalScale)
{
    RenderInput in;
    in.record = &bigRecord();
    in.depth = 100000;
    in.displayType = displayType;
    in.view.horizontalScale = horizontalScale;
    paintFrames(state, in);
}

// The whole record across the width: 62.5 samples per column.
void BM_PaintLinesWholeRecord(benchmark::State& s)
{
    paintRecord(s, 1, 6250.0);
}
void BM_PaintDotsWholeRecord(benchmark::State& s)
{
    paintRecord(s, 0, 6250.0);
}
// The default view: one sample per pixel.
void BM_PaintLinesDefaultScale(benchmark::State& s)
{
    paintRecord(s, 1, 100.0);
}
void BM_PaintDotsDefaultScale(benchmark::State& s)
{
    paintRecord(s, 0, 100.0);
}

void BM_PollTickEightChannelsTwentySamples(benchmark::State& state)
{
    testing::FakeScopeLink link;
    link.tableSize = 1 << 20;
    link.table.assign(1 << 20, 0.0F);
    ControllerSpec spec;
    spec.record()[55] = 8;
    spec.record()[1] = 1;
    ScopeSettings settings;
    settings.channelCount = 8;
    settings.depth = 100000;
    settings.continuous = true;
    ScopeChannels rows = defaultChannels();
    ScopeRecord record;
    testing::FakeCaptureHost host;
    CaptureEngine engine(link, spec, settings, rows, record, host);
    engine.start();
    engine.manualTrigger();
    for (auto _ : state) {
        link.produce(20);
        benchmark::DoNotOptimize(engine.poll());
        host.sampleRepaints.clear();
        link.commands.clear();
        link.readSizes.clear();
    }
}

// The same tick through the link access and the recording fake link: command
// texts built, sent, answered and parsed ("?TABLE(i) ..." blocks of 15).
void BM_PollTickThroughFakeLink(benchmark::State& state)
{
    korvan::testing::FakeLink link;
    std::array<std::uint8_t, VXC_SPEC_RECORD_SIZE> spec{};
    spec[55] = 8;
    link.setSpecRecord(spec);
    link.reply("?TSIZE", "1000000\r\n");
    int position = 0;
    link.respond([&](std::string_view command) -> std::optional<korvan::testing::Reply> {
        if (command == "?SCOPE_POS")
            return korvan::testing::Reply{std::to_string(position) + "\r\n", 0};
        if (command.starts_with("?TABLE("))
            return korvan::testing::Reply{
                "1.5 2.5 3.5 4.5 5.5 6.5 7.5 8.5 9.5 10.5 11.5 12.5 13.5 14.5 15.5\r\n", 0};
        return std::nullopt;
    });
    ControllerHandle handle = link.handle();
    LinkScopeAccess access(handle);
    ControllerSpec moduleSpec;
    ScopeSettings settings;
    settings.channelCount = 8;
    settings.depth = 100000;
    ScopeChannels rows = defaultChannels();
    ScopeRecord record;
    testing::FakeCaptureHost host;
    CaptureEngine engine(access, moduleSpec, settings, rows, record, host);
    bench::runPollTicks(state, engine, position, settings.depth, [&] {
        link.clearCalls();
        host.sampleRepaints.clear();
    });
}

} // namespace

BENCHMARK(BM_PollTickThroughFakeLink)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintLinesWholeRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintDotsWholeRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintLinesDefaultScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintDotsDefaultScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PollTickEightChannelsTwentySamples)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintLinesMillionFit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintLinesMillionTenth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnvelopeOfMillionRecord)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv); // text needs the font database
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
