#include "scope/analysis/software_trigger.h"

#include <algorithm>
#include <cmath>

namespace korvan::scope {

void SoftwareTrigger::setSettings(const TriggerSettings& settings)
{
    m_settings = settings;
    m_settings.channel = std::clamp(settings.channel, 0, kMaxChannels - 1);
    m_settings.preTrigger =
        std::isfinite(settings.preTrigger) ? std::clamp(settings.preTrigger, 0.0, 1.0) : 0.0;
}

void SoftwareTrigger::arm(const ScopeRecord& record)
{
    m_state = State::Waiting;
    m_position.reset();
    m_generation = record.generation;
    // The newest sample is the first "previous" one: only crossings from now on count.
    m_scanned = std::max(0, record.total - 1);
}

std::optional<double> SoftwareTrigger::findCrossing(const ScopeRecord& record)
{
    const int c = m_settings.channel;
    if (c >= record.channelCount || !record.hasSamples()) {
        m_scanned = std::max(0, record.total - 1);
        return std::nullopt;
    }
    const float* v = record.buffer.channel(c);
    const double level = m_settings.level;
    const bool rising = m_settings.edge == TriggerEdge::Rising;
    int s = std::max(1, m_scanned + 1);
    for (; s < record.total; ++s) {
        const double a = v[s - 1], b = v[s];
        const bool crossed = rising ? (a < level && b >= level) : (a > level && b <= level);
        if (crossed) {
            m_scanned = s;
            return s - 1 + (b == a ? 1.0 : (level - a) / (b - a));
        }
    }
    m_scanned = std::max(0, record.total - 1);
    return std::nullopt;
}

SoftwareTrigger::Event SoftwareTrigger::scan(const ScopeRecord& record, int window)
{
    if (m_state == State::Off || m_state == State::Held)
        return Event::None;
    // A new record starts the search over from its beginning.
    if (record.generation != m_generation) {
        m_generation = record.generation;
        m_scanned = 0;
        m_state = State::Waiting;
        m_position.reset();
    }
    if (record.total < m_scanned)
        m_scanned = 0;
    window = std::max(1, window);
    if (m_state == State::Waiting) {
        // The last crossing stays known (and marked) until the next one.
        const auto found = findCrossing(record);
        if (!found)
            return Event::None;
        m_position = found;
        m_window = window;
        m_state = State::Filling;
        return Event::Triggered;
    }
    // Filling: the window after the crossing is full once its last sample is in.
    const double after = (1.0 - m_settings.preTrigger) * m_window;
    if (record.total < *m_position + after)
        return Event::None;
    if (m_settings.mode == TriggerMode::Single) {
        m_state = State::Held;
    } else {
        m_state = State::Waiting;
        // Hold off to the end of the window, so each window shows once in full.
        m_scanned = std::max(m_scanned, static_cast<int>(std::ceil(*m_position + after)) - 1);
    }
    return Event::WindowComplete;
}

int SoftwareTrigger::viewStart(int window) const
{
    if (!m_position)
        return 0;
    const double start = *m_position - m_settings.preTrigger * window;
    return start <= 0.0 ? 0 : static_cast<int>(std::lround(start));
}

} // namespace korvan::scope
