// The analysis panel's readouts as text: the measurement table's cells, the
// cursors and the values under the pointer.
#include "scope/render/scope_show.h"
#include "scope/ui/analysis_panel.h"

#include <QStringList>

#include <cmath>

namespace korvan::scope {
namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// A duration measured in the record's time unit (seconds, or samples without a time base).
QString durationText(const TimeBase& base, double value)
{
    return base.known() ? qs(formatSeconds(value)) : qs(formatTime(TimeBase{}, value));
}

} // namespace

QString ScopeAnalysisPanel::measurementText(MeasureRow row, int channel) const
{
    const Measurements& m = m_measured[static_cast<std::size_t>(channel)];
    if (m.samples == 0)
        return QStringLiteral("-");
    const TimeBase base = timeBase();
    const auto optionalTime = [&](const std::optional<double>& t) {
        return t ? durationText(base, *t) : QStringLiteral("-");
    };
    switch (row) {
    case MeasureRow::Minimum:
        return qs(formatValue(m.minimum));
    case MeasureRow::Maximum:
        return qs(formatValue(m.maximum));
    case MeasureRow::PeakToPeak:
        return qs(formatValue(m.peakToPeak));
    case MeasureRow::Mean:
        return qs(formatValue(m.mean));
    case MeasureRow::Rms:
        return qs(formatValue(m.rms));
    case MeasureRow::Deviation:
        return qs(formatValue(m.standardDeviation));
    case MeasureRow::Frequency:
        return m.frequency ? qs(formatFrequency(base, *m.frequency)) : QStringLiteral("-");
    case MeasureRow::Rise:
        return optionalTime(m.riseTime);
    case MeasureRow::Fall:
        return optionalTime(m.fallTime);
    case MeasureRow::Overshoot:
        return m.overshoot ? QStringLiteral("%1 %").arg(*m.overshoot, 0, 'f', 2)
                           : QStringLiteral("-");
    case MeasureRow::Width:
        return optionalTime(m.width);
    case MeasureRow::Count:
        break;
    }
    return QStringLiteral("-");
}

QString ScopeAnalysisPanel::cursorText() const
{
    QStringList lines;
    const ScopeRecord& r = m_scope.record;
    const TimeBase base = timeBase();
    if (m_settings.timeCursors) {
        const CursorReadout c = readTimeCursors(r, base, m_timeCursors[0], m_timeCursors[1]);
        lines << QStringLiteral("T1 %1 (#%2)   T2 %3 (#%4)")
                     .arg(qs(formatTime(base, m_timeCursors[0])))
                     .arg(static_cast<long long>(m_timeCursors[0]))
                     .arg(qs(formatTime(base, m_timeCursors[1])))
                     .arg(static_cast<long long>(m_timeCursors[1]));
        lines << QStringLiteral("\u0394t %1   1/\u0394t %2")
                     .arg(durationText(base, c.dt))
                     .arg(c.inverse ? qs(formatFrequency(base, *c.inverse)) : QStringLiteral("-"));
        for (int ch = 0; ch < r.channelCount && ch < kMaxChannels; ++ch) {
            const auto at = [](const std::optional<float>& v) {
                return v ? qs(formatValue(*v)) : QStringLiteral("-");
            };
            const auto i = static_cast<std::size_t>(ch);
            QString delta = QStringLiteral("-");
            if (c.at1[i] && c.at2[i])
                delta = qs(formatValue(static_cast<double>(*c.at2[i]) - *c.at1[i]));
            lines << QStringLiteral("%1 %2: %3 | %4 (\u0394 %5)")
                         .arg(ch + 1)
                         .arg(qs(r.traces[i].label))
                         .arg(at(c.at1[i]), at(c.at2[i]), delta);
        }
    }
    if (m_settings.valueCursors)
        lines << QStringLiteral("V1 %1   V2 %2   \u0394V %3 (channel %4)")
                     .arg(qs(formatValue(m_valueCursors[0])), qs(formatValue(m_valueCursors[1])),
                          qs(formatValue(m_valueCursors[1] - m_valueCursors[0])))
                     .arg(m_settings.channel + 1);
    if (lines.isEmpty())
        return QStringLiteral("Switch the cursors on, then drag them in the display.");
    return lines.join(QLatin1Char('\n'));
}

QString ScopeAnalysisPanel::pointerText() const
{
    if (!m_pointer)
        return QStringLiteral("Move the pointer over the display to read the channels.");
    const ScopeView& view = m_scope.display.input().view;
    const double position = view.viewStart + m_pointer->x() * view.horizontalScale / 100.0;
    const ScopeRecord& r = m_scope.record;
    const RenderInput& in = m_scope.display.input();
    QStringList lines;
    lines << QStringLiteral("%1 (#%2)")
                 .arg(qs(formatTime(timeBase(), std::round(position))))
                 .arg(static_cast<long long>(std::round(position)));
    for (int c = 0; c < r.channelCount && c < kMaxChannels; ++c) {
        if (!m_scope.rows[static_cast<std::size_t>(c)].shown)
            continue;
        const auto v = sampleAt(r, c, position);
        lines << QStringLiteral("%1 %2: %3")
                     .arg(c + 1)
                     .arg(qs(r.traces[static_cast<std::size_t>(c)].label))
                     .arg(v ? qs(formatValue(*v)) : QStringLiteral("-"));
    }
    const int c = m_settings.channel;
    lines << QStringLiteral("y: %1 (channel %2)")
                 .arg(qs(formatValue(valueAtY(m_pointer->y(), m_scope.display.height() / 2,
                                              in.offsets[static_cast<std::size_t>(c)],
                                              in.scales[static_cast<std::size_t>(c)]))))
                 .arg(c + 1);
    return lines.join(QLatin1Char('\n'));
}

} // namespace korvan::scope
