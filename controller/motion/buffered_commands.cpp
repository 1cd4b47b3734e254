// Buffered entries that do not move an axis: outputs, waits, parameter writes, and
// ADDAX, which superimposes one axis's demand on another.
#include "controller/motion/motion_engine.h"

#include <cmath>

namespace korvan::motion {

namespace {
constexpr int kOutputBits = 32;

BufferEntry entryFor(int lead, EntryKind kind, BufferType type)
{
    BufferEntry e;
    e.kind = kind;
    e.mtype = MoveType::BufferedIo;
    e.bufferType = type;
    e.axisCount = 1;
    e.axes[0] = lead;
    return e;
}
} // namespace

MotionResult MotionEngine::moveOp(int lead, int output, int value, int count)
{
    if (!validAxis(lead))
        return MotionResult::BadAxis;
    if (output < 0 || count < 1 || count > kOutputBits)
        return MotionResult::BadArgument;
    BufferEntry e = entryFor(lead, EntryKind::Output, BufferType::Output);
    e.number = output;
    e.count = count;
    e.value = value;
    return push(e);
}

MotionResult MotionEngine::moveOpPulse(int lead, int output, int state, double milliseconds)
{
    if (!validAxis(lead))
        return MotionResult::BadAxis;
    if (output < 0 || !(milliseconds > 0) || !std::isfinite(milliseconds))
        return MotionResult::BadArgument;
    BufferEntry e = entryFor(lead, EntryKind::Output, BufferType::Output);
    e.number = output;
    e.value = state != 0 ? 1 : 0;
    e.pulseMs = milliseconds;
    return push(e);
}

MotionResult MotionEngine::moveWait(int lead, double milliseconds)
{
    if (!validAxis(lead))
        return MotionResult::BadAxis;
    if (!(milliseconds >= 0) || !std::isfinite(milliseconds))
        return MotionResult::BadArgument;
    BufferEntry e = entryFor(lead, EntryKind::Wait, BufferType::Wait);
    e.value = milliseconds;
    return push(e);
}

MotionResult MotionEngine::moveAout(int lead, int channel, double value)
{
    if (!validAxis(lead))
        return MotionResult::BadAxis;
    if (channel < 0 || !std::isfinite(value))
        return MotionResult::BadArgument;
    BufferEntry e = entryFor(lead, EntryKind::AnalogOutput, BufferType::Output);
    e.number = channel;
    e.value = value;
    return push(e);
}

MotionResult MotionEngine::moveParameter(int lead, std::string_view name, int axis, double value)
{
    if (!validAxis(lead) || !validAxis(axis))
        return MotionResult::BadAxis;
    const ParameterBinding* binding = findParameter(name);
    if (!binding)
        return MotionResult::UnknownName;
    if (!isWritable(*binding))
        return MotionResult::ReadOnly;
    if (!std::isfinite(value))
        return MotionResult::BadArgument;
    BufferEntry e = entryFor(lead, EntryKind::Parameter, BufferType::Any);
    e.parameter = binding;
    e.number = axis;
    e.value = value;
    return push(e);
}

MotionResult MotionEngine::addAxis(int axis, int source)
{
    if (!validAxis(axis) || (source >= 0 && !validAxis(source)))
        return MotionResult::BadAxis;
    if (source == axis)
        return MotionResult::BadArgument;
    m_axes[axis].addSource = source < 0 ? -1 : source;
    return MotionResult::Ok;
}

void MotionEngine::fireOutput(const BufferEntry& e)
{
    if (!m_host)
        return;
    if (e.pulseMs > 0) {
        m_host->setOutput(e.number, e.value != 0);
        // A pulse already running on this output is restarted.
        OutputPulse* slot = nullptr;
        for (OutputPulse& p : m_pulses) {
            if (p.msLeft > 0 && p.output == e.number) {
                slot = &p;
                break;
            }
            if (!slot && p.msLeft <= 0)
                slot = &p;
        }
        if (slot)
            *slot = {e.number, e.value == 0, e.pulseMs};
        return;
    }
    const auto bits = static_cast<std::uint32_t>(static_cast<std::int64_t>(e.value));
    for (int i = 0; i < e.count; ++i)
        m_host->setOutput(e.number + i, e.count == 1 ? e.value != 0 : ((bits >> i) & 1u) != 0);
}

void MotionEngine::updatePulses()
{
    for (OutputPulse& p : m_pulses) {
        if (p.msLeft <= 0)
            continue;
        p.msLeft -= m_period * 1000;
        if (p.msLeft <= 1e-9) {
            p.msLeft = 0;
            if (m_host)
                m_host->setOutput(p.output, p.state);
        }
    }
}

void MotionEngine::applyAddedAxes()
{
    for (int axis = 0; axis < axisCount(); ++axis) {
        Axis& a = m_axes[axis];
        if (a.addSource < 0)
            continue;
        const Axis& source = m_axes[a.addSource];
        const double delta = source.status.dpos - source.prevDpos;
        if (delta == 0)
            continue;
        a.status.dpos += delta;
        a.status.endmoveBuffer += delta;
        // A path the axis runs itself carries the added move along with it.
        if (a.refs.empty())
            continue;
        Axis& lead = m_axes[a.refs.front().lead];
        if (!lead.activity.active || lead.owned.empty())
            continue;
        BufferEntry& e = lead.owned.front();
        if (e.kind != EntryKind::Path || e.id != a.refs.front().id)
            continue;
        for (int i = 0; i < e.axisCount; ++i)
            if (e.axes[i] == axis)
                e.geometry.shift(i, delta);
    }
}

} // namespace korvan::motion
