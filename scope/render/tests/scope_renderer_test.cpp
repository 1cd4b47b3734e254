#include "scope/render/scope_renderer.h"

#include <QTest>

#include <cmath>
#include <set>

using namespace korvan::scope;

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 400; // mid y 200

QRgb rgb(ColorValue v)
{
    return qRgb(redOf(v), greenOf(v), blueOf(v));
}

ScopeRecord makeRecord(int channels, int samples)
{
    ScopeRecord r;
    r.channelCount = channels;
    r.depth = samples;
    r.total = samples;
    r.buffer.allocate(channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int s = 0; s < samples; ++s)
            r.buffer.channel(c)[s] = 0.0F;
    return r;
}

QImage paint(const RenderInput& in)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    ScopeRenderer::paint(image, in);
    return image;
}

int countColor(const QImage& img, int x, int y0, int y1, QRgb color)
{
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        n += (img.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF) ? 1 : 0;
    return n;
}

} // namespace

class ScopeRendererTest : public QObject
{
    Q_OBJECT
private slots:
    void gridLinesFallOnScaleSteps()
    {
        RenderInput in;
        const QImage img = paint(in);
        const QRgb grey = rgb(kGridGrey);
        QVERIFY(countColor(img, 100, 230, 390, grey) > 20);
        QVERIFY(countColor(img, 200, 230, 390, grey) > 20);
        QCOMPARE(countColor(img, 150, 230, 290, grey), 0);
        QCOMPARE(countColor(img, 0, 0, kHeight - 1, grey), kHeight); // the frame
        // horizontal lines 100 px above and below the centre line
        QCOMPARE(img.pixel(150, 200) & 0xFFFFFF, grey & 0xFFFFFF);
        QVERIFY(countColor(img, 150, 299, 301, grey) + countColor(img, 151, 299, 301, grey) > 0);
    }

    void continuousGridRunsPastDepth()
    {
        RenderInput in;
        in.depth = 300;
        const QRgb grey = rgb(kGridGrey);
        QCOMPARE(countColor(paint(in), 500, 230, 390, grey), 0);
        in.continuous = true;
        QVERIFY(countColor(paint(in), 500, 230, 390, grey) > 20);
    }

    void labelTexts()
    {
        ChannelTrace trace;
        trace.label = "DPOS(1)";
        auto texts = ScopeRenderer::labelTexts(1, trace, true);
        QCOMPARE(texts[0], QStringLiteral("2 DPOS(1)"));
        QCOMPARE(texts[1], QStringLiteral("Min:0.00"));
        QCOMPARE(texts[2], QStringLiteral("Max:0.00"));
        trace.track(-1.234F);
        trace.track(5.678F);
        texts = ScopeRenderer::labelTexts(1, trace, true);
        QCOMPARE(texts[1], QStringLiteral("Min:-1.23"));
        QCOMPARE(texts[2], QStringLiteral("Max:5.68"));
        QCOMPARE(ScopeRenderer::labelTexts(1, trace, false)[0], QStringLiteral("2"));
    }

    void labelsAreDrawnInChannelColours()
    {
        ScopeRecord r = makeRecord(2, 10);
        r.traces[0].label = "VP_SPEED(0)";
        r.traces[1].label = "DPOS(1)";
        RenderInput in;
        in.record = &r;
        const QImage img = paint(in);
        // Text is smoothed: count pixels of the channel's hue, not its exact value.
        int first = 0, second = 0;
        for (int x = 200; x < 300; ++x)
            for (int y = 0; y < 20; ++y) {
                const QColor a = img.pixelColor(x, y), b = img.pixelColor(x, y + 20);
                first += a.red() > a.green() + 60 && a.red() > a.blue() + 60;
                second += b.blue() > b.green() + 60 && b.red() > b.green() + 30;
            }
        QVERIFY(first > 10);
        QVERIFY(second > 10);
    }

    void dotsLandOnComputedPixels()
    {
        ScopeRecord r = makeRecord(2, 500);
        r.buffer.channel(0)[300] = 1000.0F; // scale 1000: 100 px up
        r.buffer.channel(1)[450] = -250.0F; // offset 50, scale 500: (−200) → 40 px down
        RenderInput in;
        in.record = &r;
        in.offsets[1] = 50.0F;
        in.scales[1] = 500.0F;
        const QImage img = paint(in);
        QCOMPARE(img.pixel(300, 100) & 0xFFFFFF, rgb(in.colors[0]) & 0xFFFFFF);
        QCOMPARE(img.pixel(450, 240) & 0xFFFFFF, rgb(in.colors[1]) & 0xFFFFFF);
        // channel 1 at rest sits at mid y − 10 (offset 50 of scale 500)
        QCOMPARE(img.pixel(420, 190) & 0xFFFFFF, rgb(in.colors[1]) & 0xFFFFFF);
    }

    void hiddenChannelIsSkippedInTimeModeOnly()
    {
        ScopeRecord r = makeRecord(2, 500);
        for (int s = 0; s < 500; ++s) {
            r.buffer.channel(0)[s] = 1000.0F; // x: +100 px
            r.buffer.channel(1)[s] = 500.0F;  // y: +50 px up
        }
        RenderInput in;
        in.record = &r;
        in.shown[0] = false;
        QImage img = paint(in);
        QCOMPARE(countColor(img, 250, 90, 110, rgb(in.colors[0])), 0);
        QCOMPARE(img.pixel(250, 150) & 0xFFFFFF, rgb(in.colors[1]) & 0xFFFFFF);
        in.view.xyMode = true;
        img = paint(in);
        QCOMPARE(img.pixel(400 + 100, 200 - 50) & 0xFFFFFF, rgb(in.colors[0]) & 0xFFFFFF);
    }

    void xyPlotsOnlyFullPairs()
    {
        ScopeRecord r = makeRecord(5, 3);
        for (int c = 0; c < 5; ++c)
            for (int s = 0; s < 3; ++s)
                r.buffer.channel(c)[s] = static_cast<float>((c + 1) * 100 + s * 10);
        RenderInput in;
        in.record = &r;
        in.view.xyMode = true;
        const QImage img = paint(in);
        // pair (1,2): x = 100*100/1000 + 400 = 410, y = 200 − 20 = 180
        QCOMPARE(img.pixel(410, 180) & 0xFFFFFF, rgb(in.colors[0]) & 0xFFFFFF);
        // pair (3,4): x = 430, y = 160
        QCOMPARE(img.pixel(430, 160) & 0xFFFFFF, rgb(in.colors[2]) & 0xFFFFFF);
        int fifth = 0;
        for (int y = 100; y < kHeight; ++y) // below the labels
            for (int x = 0; x < kWidth; ++x)
                fifth += (img.pixel(x, y) & 0xFFFFFF) == (rgb(in.colors[4]) & 0xFFFFFF);
        QCOMPARE(fifth, 0);
    }

    void lineEntersFromTheLeftEdge()
    {
        ScopeRecord r = makeRecord(1, 1000);
        for (int s = 0; s < 1000; ++s)
            r.buffer.channel(0)[s] = 0.0F;
        r.buffer.channel(0)[499] = 1000.0F; // left of the window, 100 px up
        RenderInput in;
        in.record = &r;
        in.displayType = 1;
        in.view.viewStart = 500;
        const QImage img = paint(in);
        const QRgb color = rgb(in.colors[0]);
        // The segment from x −1 (y 100) to x 0 (y 200) runs up the left edge.
        QVERIFY(countColor(img, 0, 150, 199, color) > 10);
        QCOMPARE(img.pixel(300, 200) & 0xFFFFFF, color & 0xFFFFFF);
    }

    void lineEnvelopeCoversEveryColumnSpan()
    {
        ScopeRecord r = makeRecord(1, 4000);
        for (int s = 0; s < 4000; ++s)
            r.buffer.channel(0)[s] = (s % 2 == 0) ? 500.0F : -500.0F; // ±50 px
        RenderInput in;
        in.record = &r;
        in.displayType = 1;
        in.view.horizontalScale = 500.0; // five samples per column
        const QImage img = paint(in);
        const QRgb color = rgb(in.colors[0]);
        QCOMPARE(countColor(img, 300, 150, 250, color), 101);
        QCOMPARE(countColor(img, 300, 0, 149, color), 0);
    }

    // The block envelope changes the work, never the picture.
    void lineModeWithTheEnvelopePaintsTheSamePixels()
    {
        ScopeRecord r = makeRecord(3, 300000);
        std::uint32_t seed = 12345;
        for (int c = 0; c < 3; ++c)
            for (int s = 0; s < 300000; ++s) {
                seed = seed * 1664525U + 1013904223U;
                r.buffer.channel(c)[s] = static_cast<float>(
                    1500.0 * std::sin(s * 0.0007 * (c + 1)) + static_cast<int>(seed >> 22) - 512);
            }
        r.buffer.channel(1)[150001] = NAN;
        SampleEnvelope envelope;
        for (const auto& [start, scale] :
             {std::pair{0, 37500.0}, {1234, 2100.0}, {99999, 100.0}, {5, 12.0}, {250000, 6250.0}}) {
            RenderInput in;
            in.record = &r;
            in.displayType = 1;
            in.view.viewStart = start;
            in.view.horizontalScale = scale;
            const QImage plain = paint(in);
            in.envelope = &envelope;
            QCOMPARE(paint(in), plain);
        }
    }

    // Each sample lands in the column of its own x, at every scale and view start.
    void samplesLandInTheirOwnColumns()
    {
        ScopeRecord r = makeRecord(1, 200000);
        const int spikes[] = {0, 1, 99, 100, 101, 4999, 5000, 77777, 123456, 199999};
        for (const int s : spikes)
            r.buffer.channel(0)[s] = 1000.0F; // 100 px above the centre
        for (const auto& [start, scale] : {std::pair{0, 100.0},
                                          {3, 37.0},
                                          {50, 333.3},
                                          {0, 25000.0},
                                          {4000, 61.7},
                                          {120000, 1000.0}}) {
            RenderInput in;
            in.record = &r;
            in.displayType = 0;
            in.view.viewStart = start;
            in.view.horizontalScale = scale;
            const QImage img = paint(in);
            const QRgb color = rgb(in.colors[0]) & 0xFFFFFF;
            std::set<int> expected;
            for (const int s : spikes) {
                const int x = sampleX(s, in.view);
                if (x >= 0 && x < kWidth)
                    expected.insert(x);
            }
            std::set<int> found;
            for (int x = 0; x < kWidth; ++x)
                if ((img.pixel(x, 100) & 0xFFFFFF) == color)
                    found.insert(x);
            QCOMPARE(found, expected);
        }
    }

    void zeroScaleDrawsFlatAtOffset()
    {
        ScopeRecord r = makeRecord(1, 100);
        for (int s = 0; s < 100; ++s)
            r.buffer.channel(0)[s] = static_cast<float>(s * 1000);
        RenderInput in;
        in.record = &r;
        in.scales[0] = 0.0F;
        in.offsets[0] = 30.0F;
        in.displayType = 1;
        const QImage img = paint(in);
        QCOMPARE(img.pixel(50, 170) & 0xFFFFFF, rgb(in.colors[0]) & 0xFFFFFF);
    }

    void zeroScaleInXyModeKeepsTheAxesAndDrawsThePairFlat()
    {
        ScopeRecord r = makeRecord(2, 3);
        for (int s = 0; s < 3; ++s) {
            r.buffer.channel(0)[s] = static_cast<float>(1000 * (s + 1)); // x: 100, 200, 300 px
            r.buffer.channel(1)[s] = static_cast<float>(5000 * s);
        }
        RenderInput in;
        in.record = &r;
        in.view.xyMode = true;
        in.scales[1] = 0.0F;
        in.offsets[1] = 30.0F; // channel 2 flat, 30 px above the centre
        const QImage img = paint(in);
        const QRgb grey = rgb(kGridGrey);
        // The horizontal axis sits at the flat channel's offset, the vertical one at the centre.
        int axisRow = 0, centreRow = 0;
        for (int x = 420; x < 480; ++x) {
            axisRow += (img.pixel(x, 170) & 0xFFFFFF) == (grey & 0xFFFFFF);
            centreRow += (img.pixel(x, 200) & 0xFFFFFF) == (grey & 0xFFFFFF);
        }
        QVERIFY(axisRow > 10);
        QCOMPARE(centreRow, 0);
        QVERIFY(countColor(img, 400, 250, kHeight - 2, grey) > 20);
        for (const int x : {500, 600, 700})
            QCOMPARE(img.pixel(x, 170) & 0xFFFFFF, rgb(in.colors[0]) & 0xFFFFFF);
    }

    void withoutSamplesOnlyGridAndLabels()
    {
        ScopeRecord r; // no buffer
        r.channelCount = 2;
        RenderInput in;
        in.record = &r;
        in.background = colorValue(0, 0, 40);
        const QImage img = paint(in);
        QCOMPARE(img.pixel(330, 350) & 0xFFFFFF, qRgb(0, 0, 40) & 0xFFFFFF);
    }
};

QTEST_MAIN(ScopeRendererTest)
#include "scope_renderer_test.moc"
