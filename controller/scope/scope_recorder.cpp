#include "controller/scope/scope_recorder.h"

#include <cstddef>

namespace korvan::controller {

void ScopeRecorder::configure(ScopeSetup setup)
{
    m_setup = std::move(setup);
    m_configured = true;
    m_capturing = false;
    m_position = 0;
}

void ScopeRecorder::stop()
{
    m_configured = false;
    m_capturing = false;
}

bool ScopeRecorder::trigger(bool continuous)
{
    if (!m_configured)
        return false;
    m_capturing = true;
    m_continuous = continuous;
    m_position = 0;
    m_ticksToSample = 0;
    return true;
}

void ScopeRecorder::tick(const SourceReader& read, std::vector<double>& table)
{
    if (!m_capturing)
        return;
    if (m_ticksToSample > 0) {
        --m_ticksToSample;
        return;
    }
    // A full continuous capture stays readable at depth until the next
    // sample is due, then starts over.
    if (m_position >= m_setup.depth)
        m_position = 0;
    for (std::size_t c = 0; c < m_setup.sources.size(); ++c) {
        double value = 0.0;
        if (!read(m_setup.sources[c], value))
            value = 0.0;
        const std::size_t index = static_cast<std::size_t>(m_setup.first) +
                                  c * static_cast<std::size_t>(m_setup.depth) +
                                  static_cast<std::size_t>(m_position);
        if (index < table.size())
            table[index] = value;
    }
    ++m_position;
    m_ticksToSample = m_setup.interval - 1;
    if (m_position >= m_setup.depth && !m_continuous)
        m_capturing = false;
}

} // namespace korvan::controller
