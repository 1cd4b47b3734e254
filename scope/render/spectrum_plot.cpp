#include "scope/render/spectrum_plot.h"

#include "scope/analysis/units.h"

#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace korvan::scope {
namespace {

QString frequencyText(double f, bool hertz)
{
    return QString::fromStdString(formatFrequency(TimeBase{hertz ? 1.0 : 0.0}, f));
}

double topOf(const Spectrum& s)
{
    const double peak = *std::max_element(s.decibels.begin(), s.decibels.end());
    return std::ceil(peak / 10.0) * 10.0;
}

} // namespace

QRect spectrumPlotArea(QSize size)
{
    return QRect(QPoint(56, 24), QPoint(size.width() - 12, size.height() - 28));
}

double spectrumPlotSpan(const SpectrumPlotInput& in)
{
    if (!in.spectrum || in.spectrum->empty())
        return 0.0;
    const double nyquist = in.spectrum->frequency(in.spectrum->decibels.size() - 1);
    return in.maxFrequency > 0.0 ? std::min(in.maxFrequency, nyquist) : nyquist;
}

double spectrumFrequencyAt(const SpectrumPlotInput& in, QSize size, int x)
{
    if (!in.spectrum || in.spectrum->empty())
        return 0.0;
    const QRect area = spectrumPlotArea(size);
    const double top = spectrumPlotSpan(in);
    return std::clamp(static_cast<double>(x - area.left()) / std::max(1, area.width()), 0.0, 1.0) *
           top;
}

void paintSpectrum(QPainter& p, QSize size, const SpectrumPlotInput& in)
{
    p.fillRect(QRect(QPoint(0, 0), size), Qt::black);
    const QRect area = spectrumPlotArea(size);
    const QColor grey(88, 88, 88), light(170, 170, 170);
    p.setPen(light);
    p.drawText(QRect(0, 0, size.width(), 22), Qt::AlignCenter, in.title);
    if (!in.spectrum || in.spectrum->empty() || area.width() < 10 || area.height() < 10) {
        p.drawText(area, Qt::AlignCenter, QStringLiteral("No samples to analyse"));
        return;
    }
    const Spectrum& s = *in.spectrum;
    const double top = topOf(s), bottom = top - in.rangeDb;
    const double maxFrequency = spectrumPlotSpan(in);
    const auto yOf = [&](double db) {
        return area.top() + (top - std::clamp(db, bottom, top)) / in.rangeDb * area.height();
    };

    // Grid: every 20 dB, and ten frequency steps of a readable size.
    QPen dotted(grey, 0, Qt::DotLine);
    for (double db = top; db >= bottom; db -= 20.0) {
        p.setPen(dotted);
        p.drawLine(QPointF(area.left(), yOf(db)), QPointF(area.right(), yOf(db)));
        p.setPen(light);
        p.drawText(QRectF(0, yOf(db) - 8, area.left() - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1 dB").arg(db));
    }
    const double step = niceStep(maxFrequency / 8.0);
    for (double f = 0.0; f <= maxFrequency * (1 + 1e-9); f += step) {
        const double x = area.left() + f / maxFrequency * area.width();
        p.setPen(dotted);
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        p.setPen(light);
        p.drawText(QRectF(x - 40, area.bottom() + 4, 80, 18), Qt::AlignHCenter | Qt::AlignTop,
                   frequencyText(f, in.hertz));
    }
    p.setPen(grey);
    p.drawRect(area);

    // One point per pixel column: the strongest bin that falls into it.
    QPainterPath trace;
    // The bins up to the plot's right end.
    const std::size_t bins = std::min(
        s.decibels.size(), static_cast<std::size_t>(std::floor(maxFrequency / s.binWidth)) + 1);
    bool started = false;
    for (int x = 0; x < area.width(); ++x) {
        const auto first =
            static_cast<std::size_t>(static_cast<double>(x) / area.width() * (bins - 1));
        const auto last = std::max(first, static_cast<std::size_t>(static_cast<double>(x + 1) /
                                                                   area.width() * (bins - 1)));
        double db = s.decibels[first];
        for (std::size_t k = first; k <= last && k < bins; ++k)
            db = std::max(db, s.decibels[k]);
        const QPointF point(area.left() + x + 0.5, yOf(db));
        if (started)
            trace.lineTo(point);
        else
            trace.moveTo(point);
        started = true;
    }
    QPen pen(QColor(redOf(in.color), greenOf(in.color), blueOf(in.color)), 1);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.drawPath(trace);

    const SpectrumPeak peak = strongestPeak(s);
    const double px = area.left() + peak.frequency / maxFrequency * area.width();
    p.setPen(QColor(255, 140, 0));
    if (px <= area.right())
        p.drawEllipse(QPointF(px, yOf(peak.decibels)), 4, 4);
    p.drawText(QRectF(area.left() + 8, area.top() + 4, area.width() - 16, 18), Qt::AlignRight,
               QStringLiteral("peak %1, %2 dB")
                   .arg(frequencyText(peak.frequency, in.hertz))
                   .arg(peak.decibels, 0, 'f', 1));
}

} // namespace korvan::scope
