// Goals: one paint of 8 channels × 100 000 samples at 1600 × 600 within 16 ms
// in line and in dot mode; one poll tick reading 8 channels × 20 new samples.
#include "scope/core/capture_engine.h"
#include "scope/core/tests/fake_scope_link.h"
#include "scope/render/scope_renderer.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace korvan::scope;

namespace {

ScopeRecord& bigRecord()
{
    static ScopeRecord record = [] {
        ScopeRecord r;
        r.channelCount = 8;
        r.depth = 100000;
        r.total = 100000;
        r.buffer.allocate(8, 100000);
        for (int c = 0; c < 8; ++c)
            for (int s = 0; s < 100000; ++s)
                r.buffer.channel(c)[s] = static_cast<float>(1500.0 * std::sin(s * 0.001 * (c + 1)) +
                                                            40.0 * ((s * 7919) % 13));
        for (int c = 0; c < 8; ++c)
            r.traces[static_cast<std::size_t>(c)].label = "DPOS(" + std::to_string(c) + ")";
        return r;
    }();
    return record;
}

void paintRecord(benchmark::State& state, int displayType, double horizontalScale)
{
    QImage image(1600, 600, QImage::Format_RGB32);
    RenderInput in;
    in.record = &bigRecord();
    in.depth = 100000;
    in.displayType = displayType;
    in.view.horizontalScale = horizontalScale;
    for (auto _ : state) {
        ScopeRenderer::paint(image, in);
        benchmark::DoNotOptimize(image.constBits());
    }
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

} // namespace

BENCHMARK(BM_PaintLinesWholeRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintDotsWholeRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintLinesDefaultScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintDotsDefaultScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PollTickEightChannelsTwentySamples)->Unit(benchmark::kMicrosecond);

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
