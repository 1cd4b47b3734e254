#include "controller/io_model.h"

#include <algorithm>
#include <cmath>

namespace korvan::controller {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double pwmFactoryFrequency = 1000.0;

void mark(std::vector<bool>& exists, int first, int count)
{
    if (count <= 0)
        return;
    if (static_cast<int>(exists.size()) < first + count)
        exists.resize(static_cast<std::size_t>(first + count), false);
    for (int i = 0; i < count; ++i)
        exists[static_cast<std::size_t>(first + i)] = true;
}

// The first multiple of size at or above n.
int roundUp(int n, int size)
{
    return (n + size - 1) / size * size;
}

bool within(const std::vector<bool>& exists, int n)
{
    return n >= 0 && n < static_cast<int>(exists.size()) && exists[static_cast<std::size_t>(n)];
}

} // namespace

IoModel::IoModel(const Profile& profile, const Clock& clock) : m_clock(clock)
{
    mark(m_inputExists, 0, profile.inputs);
    mark(m_outputExists, 0, profile.outputs);
    mark(m_ainExists, 0, profile.analogInputs);
    mark(m_aoutExists, 0, profile.analogOutputs);
    m_signals.resize(static_cast<std::size_t>(profile.analogInputs));
    for (std::size_t i = 0; i < m_signals.size() && i < profile.analogSignals.size(); ++i)
        m_signals[i] = profile.analogSignals[i];
    for (const ExpansionModule& module : profile.modules) {
        // The card number on the expansion bus is the module's CAN id; the
        // profile keeps it clear of the local I/O.
        const int card = module.canId;
        m_cards.push_back(card);
        mark(m_inputExists, (card + 1) * 16, module.inputs);
        mark(m_outputExists, (card + 1) * 16, module.outputs);
        mark(m_ainExists, card * 8 + 8, module.analogInputs);
        mark(m_aoutExists, card * 4 + 4, module.analogOutputs);
    }
    const int digitalFrom = roundUp(std::max(inputRange(), outputRange()), 16);
    const int analogFrom = roundUp(std::max(analogInputRange(), analogOutputRange()), 8);
    m_nodeChannels = numberNodeChannels(profile, digitalFrom, analogFrom);
    for (const NodeChannels& c : m_nodeChannels) {
        mark(m_inputExists, c.firstDigital, c.inputs);
        mark(m_outputExists, c.firstDigital, c.outputs);
        mark(m_ainExists, c.firstAnalog, c.analogInputs);
        mark(m_aoutExists, c.firstAnalog, c.analogOutputs);
    }
    m_signals.resize(m_ainExists.size());
    m_inputLevel.assign(m_inputExists.size(), 0);
    m_pwmDuty.assign(static_cast<std::size_t>(profile.pwmChannels), 0.0);
    m_pwmFrequency.assign(static_cast<std::size_t>(profile.pwmChannels), pwmFactoryFrequency);
    reset();
}

int IoModel::cardNumber(std::size_t moduleIndex) const
{
    return moduleIndex < m_cards.size() ? m_cards[moduleIndex] : -1;
}

bool IoModel::hasInput(int n) const
{
    return within(m_inputExists, n);
}
bool IoModel::hasOutput(int n) const
{
    return within(m_outputExists, n);
}
bool IoModel::hasAnalogInput(int n) const
{
    return within(m_ainExists, n);
}
bool IoModel::hasAnalogOutput(int n) const
{
    return within(m_aoutExists, n);
}
bool IoModel::hasPwm(int n) const
{
    return n >= 0 && n < pwmCount();
}

int IoModel::input(int n) const
{
    if (!hasInput(n))
        return 0;
    const auto i = static_cast<std::size_t>(n);
    return (m_inputLevel[i] ^ m_inversion[i]) ? 1 : 0;
}

void IoModel::setInputLevel(int n, bool level)
{
    if (hasInput(n))
        m_inputLevel[static_cast<std::size_t>(n)] = level ? 1 : 0;
}

int IoModel::inversion(int n) const
{
    return hasInput(n) ? m_inversion[static_cast<std::size_t>(n)] : 0;
}

void IoModel::setInversion(int n, bool inverted)
{
    if (hasInput(n))
        m_inversion[static_cast<std::size_t>(n)] = inverted ? 1 : 0;
}

int IoModel::output(int n) const
{
    return hasOutput(n) ? m_output[static_cast<std::size_t>(n)] : 0;
}

void IoModel::setOutput(int n, bool on)
{
    if (hasOutput(n))
        m_output[static_cast<std::size_t>(n)] = on ? 1 : 0;
}

double IoModel::analogInput(int n) const
{
    if (!hasAnalogInput(n))
        return 0.0;
    const AnalogSignal& s = m_signals[static_cast<std::size_t>(n)];
    const double t = m_clock.seconds();
    double v = s.offset;
    if (s.shape == "sine")
        v += s.amplitude * std::sin(2.0 * pi * t / s.periodSeconds);
    else if (s.shape == "ramp")
        v += s.amplitude * (t / s.periodSeconds - std::floor(t / s.periodSeconds));
    return std::round(std::clamp(v, 0.0, 4095.0));
}

double IoModel::analogOutput(int n) const
{
    return hasAnalogOutput(n) ? m_aout[static_cast<std::size_t>(n)] : 0.0;
}

void IoModel::setAnalogOutput(int n, double raw)
{
    if (hasAnalogOutput(n))
        m_aout[static_cast<std::size_t>(n)] = std::clamp(raw, 0.0, 65535.0);
}

double IoModel::pwmDuty(int n) const
{
    return hasPwm(n) ? m_pwmDuty[static_cast<std::size_t>(n)] : 0.0;
}

void IoModel::setPwmDuty(int n, double duty)
{
    if (hasPwm(n))
        m_pwmDuty[static_cast<std::size_t>(n)] = std::clamp(duty, 0.0, 1.0);
}

double IoModel::pwmFrequency(int n) const
{
    return hasPwm(n) ? m_pwmFrequency[static_cast<std::size_t>(n)] : 0.0;
}

void IoModel::setPwmFrequency(int n, double hz)
{
    if (hasPwm(n))
        m_pwmFrequency[static_cast<std::size_t>(n)] = std::max(hz, 0.0);
}

void IoModel::reset()
{
    m_inversion.assign(m_inputExists.size(), 0);
    m_output.assign(m_outputExists.size(), 0);
    m_aout.assign(m_aoutExists.size(), 0.0);
    std::fill(m_pwmDuty.begin(), m_pwmDuty.end(), 0.0);
    std::fill(m_pwmFrequency.begin(), m_pwmFrequency.end(), pwmFactoryFrequency);
}

} // namespace korvan::controller
