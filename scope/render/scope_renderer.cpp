#include "scope/render/scope_renderer.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace korvan::scope {
namespace {

QRgb toRgb(ColorValue v)
{
    return qRgb(redOf(v), greenOf(v), blueOf(v));
}
QColor toColor(ColorValue v)
{
    return QColor(redOf(v), greenOf(v), blueOf(v));
}

// The frame every layer gets.
struct Frame
{
    int width;
    int height;
    int midX;
    int midY;
    const RenderInput& input;
};

// Direct pixel access: QPainter per pixel is far too slow for 100 000 samples.
class PixelCanvas
{
public:
    explicit PixelCanvas(QImage& image)
        : m_bits(reinterpret_cast<QRgb*>(image.bits())), m_stride(image.bytesPerLine() / 4),
          m_width(image.width()), m_height(image.height())
    {}
    bool inside(int x, int y) const { return x >= 0 && x < m_width && y >= 0 && y < m_height; }
    void set(int x, int y, QRgb c)
    {
        if (inside(x, y))
            m_bits[static_cast<std::ptrdiff_t>(y) * m_stride + x] = c;
    }
    void vertical(int x, int y0, int y1, QRgb c)
    {
        if (x < 0 || x >= m_width)
            return;
        if (y0 > y1)
            std::swap(y0, y1);
        y0 = std::max(y0, 0);
        y1 = std::min(y1, m_height - 1);
        for (int y = y0; y <= y1; ++y)
            m_bits[static_cast<std::ptrdiff_t>(y) * m_stride + x] = c;
    }
    // A one-pixel segment, clipped to the image first so far-off ends cost nothing.
    void line(int x0, int y0, int x1, int y1, QRgb c)
    {
        double ax = x0, ay = y0, bx = x1, by = y1;
        if (!clip(ax, ay, bx, by))
            return;
        int px = static_cast<int>(std::lround(ax)), py = static_cast<int>(std::lround(ay));
        const int qx = static_cast<int>(std::lround(bx)), qy = static_cast<int>(std::lround(by));
        const int dx = std::abs(qx - px), sx = px < qx ? 1 : -1;
        const int dy = -std::abs(qy - py), sy = py < qy ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            set(px, py, c);
            if (px == qx && py == qy)
                break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                px += sx;
            }
            if (e2 <= dx) {
                err += dx;
                py += sy;
            }
        }
    }

private:
    // Liang–Barsky against the image rectangle widened by a margin, so that
    // pixels of a segment whose end lies just outside still round as unclipped.
    bool clip(double& x0, double& y0, double& x1, double& y1) const
    {
        constexpr double kMargin = 2.0;
        double t0 = 0.0, t1 = 1.0;
        const double dx = x1 - x0, dy = y1 - y0;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {x0 + kMargin, m_width - 1 + kMargin - x0, y0 + kMargin,
                             m_height - 1 + kMargin - y0};
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0.0) {
                if (q[i] < 0.0)
                    return false;
                continue;
            }
            const double t = q[i] / p[i];
            if (p[i] < 0.0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
            if (t0 > t1)
                return false;
        }
        const double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy;
        x1 = x0 + t1 * dx;
        y1 = y0 + t1 * dy;
        x0 = nx0;
        y0 = ny0;
        return true;
    }

    QRgb* m_bits;
    std::ptrdiff_t m_stride;
    int m_width;
    int m_height;
};

QString formatted(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

void paintBackground(QPainter& p, const Frame& f)
{
    p.fillRect(0, 0, f.width, f.height, toColor(f.input.background));
    p.setPen(QPen(toColor(kGridGrey), 0, Qt::SolidLine));
    p.drawLine(0, 0, f.width - 1, 0);
    p.drawLine(f.width - 1, 0, f.width - 1, f.height - 1);
    p.drawLine(f.width - 1, f.height - 1, 0, f.height - 1);
    p.drawLine(0, f.height - 1, 0, 0);
}

void paintXyGrid(QPainter& p, const Frame& f)
{
    const double a = channelPixels(0.0F, f.input.offsets[0], f.input.scales[0]);
    const double b = channelPixels(0.0F, f.input.offsets[1], f.input.scales[1]);
    if (!std::isfinite(a) || !std::isfinite(b))
        return;
    const int y0 = static_cast<int>(std::trunc(f.midY - b));
    const int x0 = static_cast<int>(std::trunc(a + f.midX));
    const int x5 = static_cast<int>(std::trunc(a + f.midX + 5));
    p.drawLine(0, y0, f.width - 1, y0);
    p.drawLine(x0, 0, x0, f.height - 1);
    const int iFirst = static_cast<int>(std::trunc((b - f.midY) / 100.0));
    const int iLast = static_cast<int>(std::trunc((b + f.height - f.midY) / 100.0));
    for (int i = iFirst; i <= iLast; ++i) {
        if (i == 0)
            continue;
        const int y = static_cast<int>(std::trunc(f.midY + 100.0 * i - b));
        p.drawLine(x0, y, x5, y);
    }
    const int jFirst = static_cast<int>(std::trunc((-f.midX - a) / 100.0));
    const int jLast = static_cast<int>(std::trunc((f.width - f.midX - a) / 100.0));
    const int yTick = static_cast<int>(std::trunc(f.midY - 5 - b));
    for (int j = jFirst; j <= jLast; ++j) {
        if (j == 0)
            continue;
        const int x = static_cast<int>(std::trunc(a + f.midX + 100.0 * j));
        p.drawLine(x, y0, x, yTick);
    }
}

void paintTimeGrid(QPainter& p, const Frame& f)
{
    const QColor grey = toColor(kGridGrey);
    p.drawLine(0, f.midY, f.width - 1, f.midY);
    for (int i = -(f.midY / 100); i <= (f.height - f.midY) / 100; ++i)
        if (i != 0)
            p.drawLine(0, f.midY + 100 * i, f.width - 1, f.midY + 100 * i);
    p.setPen(grey);
    p.drawText(QRect(QPoint(f.width - 50, f.midY - 18), QPoint(f.width - 1, f.midY)),
               Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, QStringLiteral("0"));
    const int step = std::max(1, static_cast<int>(f.input.view.horizontalScale));
    // Lines at multiples of the step; start at the first one that can be visible.
    long long s = std::max(0, f.input.view.viewStart) / step * static_cast<long long>(step);
    const QPen dotted(grey, 0, Qt::DotLine);
    for (;; s += step) {
        const int x = sampleX(s, f.input.view);
        if (x >= f.width || (s > f.input.depth && !f.input.continuous))
            break;
        if (x > 0) {
            p.setPen(dotted);
            p.drawLine(x, 0, x, f.height - 1);
            p.setPen(grey);
            p.drawText(QPoint(x, f.midY + p.fontMetrics().ascent()), QString::number(s));
        }
    }
}

void paintLabels(QPainter& p, const Frame& f)
{
    const ScopeRecord* record = f.input.record;
    const int count = record ? std::clamp(record->channelCount, 0, kMaxChannels) : 0;
    const int ascent = p.fontMetrics().ascent();
    for (int c = 0; c < count; ++c) {
        const ChannelTrace& trace = record->traces[static_cast<std::size_t>(c)];
        p.setPen(toColor(f.input.colors[static_cast<std::size_t>(c)]));
        const int y = 20 * c + ascent;
        const auto texts = ScopeRenderer::labelTexts(c, trace, f.input.view.expandedLabels);
        p.drawText(QPoint(0, y), texts[0]);
        p.drawText(QPoint(200, y), texts[1]);
        p.drawText(QPoint(320, y), texts[2]);
    }
}

template <class Canvas>
void paintXyTraces(Canvas& canvas, const Frame& f, const ScopeRecord& r,
                   const std::function<void(int)>& pairDone)
{
    const RenderInput& in = f.input;
    for (int first = 0; first + 1 < r.channelCount && first < 6; first += 2) {
        const auto X = static_cast<std::size_t>(first), Y = X + 1;
        const QRgb color = toRgb(in.colors[X]);
        int lastX = -1, lastY = -1;
        const float* xs = r.buffer.channel(first);
        const float* ys = r.buffer.channel(first + 1);
        for (int s = 0; s < r.total; ++s) {
            const double fx = channelPixels(xs[s], in.offsets[X], in.scales[X]) + f.midX;
            const double fy = f.midY - channelPixels(ys[s], in.offsets[Y], in.scales[Y]);
            if (!(std::fabs(fx) < 1e7 && std::fabs(fy) < 1e7))
                continue;
            const int x = static_cast<int>(fx), y = static_cast<int>(fy);
            if ((x != lastX || y != lastY) && canvas.inside(x, y)) {
                canvas.set(x, y, color);
                lastX = x;
                lastY = y;
            }
        }
        pairDone(first);
    }
}

// Samples from first to last (inclusive) that can touch the window, plus one
// on each side so that segments enter from the left and leave to the right.
std::pair<int, int> visibleSamples(const Frame& f, const ScopeRecord& r, bool withNeighbours)
{
    const double perPixel = f.input.view.horizontalScale / 100.0;
    long long first = f.input.view.viewStart;
    long long last =
        f.input.view.viewStart + static_cast<long long>(std::ceil(f.width * perPixel)) + 1;
    if (withNeighbours) {
        --first;
        ++last;
    }
    first = std::max(0LL, first);
    last = std::min<long long>(r.total - 1, last);
    return {static_cast<int>(first), static_cast<int>(last)};
}

// Consecutive samples that share one pixel column. Computed once per paint and
// shared by all channels, so x is divided out once per sample, not per channel.
struct ColumnRun
{
    int x;
    int first;
    int last;
};

// The first sample after s whose column lies right of x: estimated from the
// scale, then corrected, so a run costs a few divisions however long it is.
int runEnd(int s, int x, int last, const ScopeView& view)
{
    const double estimate = view.viewStart + (x + 1) * view.horizontalScale / 100.0;
    long long e = estimate >= static_cast<double>(last) + 1 ? static_cast<long long>(last) + 1
                                                            : static_cast<long long>(estimate);
    e = std::max<long long>(e, static_cast<long long>(s) + 1);
    while (e > s + 1 && sampleX(e - 1, view) > x)
        --e;
    while (e <= last && sampleX(e, view) <= x)
        ++e;
    return static_cast<int>(e);
}

std::vector<ColumnRun> columnRuns(const Frame& f, const ScopeRecord& r, bool withNeighbours)
{
    std::vector<ColumnRun> runs;
    const auto [first, last] = visibleSamples(f, r, withNeighbours);
    if (first > last)
        return runs;
    runs.reserve(static_cast<std::size_t>(f.width) + 4);
    for (int s = first; s <= last;) {
        const int x = sampleX(s, f.input.view);
        const int end = runEnd(s, x, last, f.input.view);
        runs.push_back({x, s, end - 1});
        s = end;
    }
    return runs;
}

template <class Canvas>
void paintDots(Canvas& canvas, const Frame& f, const ScopeRecord& r, int c,
               const std::vector<ColumnRun>& runs)
{
    const RenderInput& in = f.input;
    const auto ci = static_cast<std::size_t>(c);
    const QRgb color = toRgb(in.colors[ci]);
    const float* samples = r.buffer.channel(c);
    int lastY = 0;
    bool any = false;
    for (const ColumnRun& run : runs) {
        for (int s = run.first; s <= run.last; ++s) {
            const int y = valueY(samples[s], in.offsets[ci], in.scales[ci], f.midY);
            // The same pixel as the one just drawn is skipped.
            if (any && s != run.first && y == lastY)
                continue;
            any = true;
            lastY = y;
            canvas.set(run.x, y, color);
        }
    }
}

// Line mode: the samples of one pixel column become one vertical span from
// their lowest to their highest value, joined to the neighbouring columns by
// segments. The same pixels as one segment per sample, a fraction of the work.
template <class Canvas>
void paintLines(Canvas& canvas, const Frame& f, const ScopeRecord& r, int c,
                const std::vector<ColumnRun>& runs)
{
    if (runs.empty())
        return;
    const RenderInput& in = f.input;
    const auto ci = static_cast<std::size_t>(c);
    const QRgb color = toRgb(in.colors[ci]);
    const float* samples = r.buffer.channel(c);
    const auto y = [&](float v) { return valueY(v, in.offsets[ci], in.scales[ci], f.midY); };
    int previousX = 0, previousY = 0;
    bool started = false;
    for (const ColumnRun& run : runs) {
        const int firstY = y(samples[run.first]);
        if (started)
            canvas.line(previousX, previousY, run.x, firstY, color);
        else if (run.first == run.last)
            canvas.set(run.x, firstY, color);
        started = true;
        if (run.last > run.first) {
            // Long runs come from the block envelope, short ones from the samples.
            const ValueRange span = in.envelope && run.last - run.first >= SampleEnvelope::kFactor
                                        ? in.envelope->range(r, c, run.first, run.last)
                                        : scanRange(samples, run.first, run.last);
            if (span.any)
                canvas.vertical(run.x, y(span.low), y(span.high), color);
        }
        previousX = run.x;
        previousY = y(samples[run.last]);
    }
}

// Traces as paths of the painter's device (an SVG file): the same columns,
// spans and joins as on the pixel canvas, one path per channel.
class VectorCanvas
{
public:
    VectorCanvas(QPainter& painter, int width, int height)
        : m_painter(painter), m_width(width), m_height(height)
    {}
    bool inside(int x, int y) const { return x >= 0 && x < m_width && y >= 0 && y < m_height; }
    void set(int x, int y, QRgb)
    {
        if (inside(x, y))
            m_dots.addRect(x, y, 1, 1);
    }
    void vertical(int x, int y0, int y1, QRgb)
    {
        if (x < 0 || x >= m_width)
            return;
        m_path.moveTo(x + 0.5, std::clamp(y0, -1, m_height) + 0.5);
        m_path.lineTo(x + 0.5, std::clamp(y1, -1, m_height) + 0.5);
        m_open = false;
    }
    void line(int x0, int y0, int x1, int y1, QRgb)
    {
        const QPointF from(x0 + 0.5, y0 + 0.5), to(x1 + 0.5, y1 + 0.5);
        if (!m_open || m_pen != from)
            m_path.moveTo(from);
        m_path.lineTo(to);
        m_pen = to;
        m_open = true;
    }
    /// Draws what the channel collected in its colour.
    void flush(QRgb color)
    {
        if (!m_path.isEmpty()) {
            QPen pen(QColor::fromRgb(color), 1);
            pen.setCosmetic(true);
            m_painter.setPen(pen);
            m_painter.setBrush(Qt::NoBrush);
            m_painter.drawPath(m_path);
        }
        // Dots are filled pixels, as on the screen.
        if (!m_dots.isEmpty())
            m_painter.fillPath(m_dots, QColor::fromRgb(color));
        m_path = QPainterPath();
        m_dots = QPainterPath();
        m_open = false;
    }

private:
    QPainter& m_painter;
    int m_width;
    int m_height;
    QPainterPath m_path;
    QPainterPath m_dots;
    QPointF m_pen;
    bool m_open = false;
};

template <class Canvas>
void paintTimeTraces(Canvas& canvas, const Frame& f, const ScopeRecord& record,
                     const std::function<void(int)>& channelDone)
{
    const bool lines = f.input.displayType == static_cast<int>(DisplayType::Lines);
    if (lines && f.input.envelope)
        f.input.envelope->sync(record);
    const std::vector<ColumnRun> runs = columnRuns(f, record, lines);
    const int count = std::min(record.channelCount, kMaxChannels);
    for (int c = 0; c < count; ++c) {
        if (!f.input.shown[static_cast<std::size_t>(c)])
            continue;
        if (f.input.displayType == static_cast<int>(DisplayType::Dots))
            paintDots(canvas, f, record, c, runs);
        else if (lines)
            paintLines(canvas, f, record, c, runs);
        channelDone(c);
    }
}

void paintTraces(QImage& image, const Frame& f)
{
    const ScopeRecord* record = f.input.record;
    if (!record || !record->hasSamples())
        return;
    PixelCanvas canvas(image);
    if (f.input.view.xyMode) {
        paintXyTraces(canvas, f, *record, [](int) {});
        return;
    }
    paintTimeTraces(canvas, f, *record, [](int) {});
}

void paintLayers(QPainter& p, const Frame& frame)
{
    paintBackground(p, frame);
    p.setPen(QPen(toColor(kGridGrey), 0, Qt::DotLine));
    if (frame.input.view.xyMode)
        paintXyGrid(p, frame);
    else
        paintTimeGrid(p, frame);
    paintLabels(p, frame);
}

} // namespace

std::array<QString, 3> ScopeRenderer::labelTexts(int channel, const ChannelTrace& trace,
                                                 bool expanded)
{
    if (!expanded)
        return {QString::number(channel + 1), QString(), QString()};
    const bool any = trace.hasExtremes();
    return {QStringLiteral("%1 %2").arg(channel + 1).arg(QString::fromStdString(trace.label)),
            formatted("Min:%.2f", any ? trace.minimum : 0.0),
            formatted("Max:%.2f", any ? trace.maximum : 0.0)};
}

void ScopeRenderer::paint(QImage& image, const RenderInput& input)
{
    if (image.isNull())
        return;
    const Frame frame{image.width(), image.height(), image.width() / 2, image.height() / 2, input};
    {
        QPainter p(&image);
        paintLayers(p, frame);
    }
    paintTraces(image, frame);
}

void ScopeRenderer::paintVector(QPainter& painter, QSize size, const RenderInput& input)
{
    if (size.isEmpty())
        return;
    const Frame frame{size.width(), size.height(), size.width() / 2, size.height() / 2, input};
    painter.save();
    painter.setClipRect(0, 0, size.width(), size.height());
    paintLayers(painter, frame);
    const ScopeRecord* record = input.record;
    if (record && record->hasSamples()) {
        VectorCanvas canvas(painter, size.width(), size.height());
        if (input.view.xyMode) {
            paintXyTraces(canvas, frame, *record, [&](int first) {
                canvas.flush(toRgb(input.colors[static_cast<std::size_t>(first)]));
            });
        } else {
            paintTimeTraces(canvas, frame, *record, [&](int c) {
                canvas.flush(toRgb(input.colors[static_cast<std::size_t>(c)]));
            });
        }
    }
    painter.restore();
}

} // namespace korvan::scope
