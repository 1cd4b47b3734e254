#include "controller/bus/field_bus.h"

#include <algorithm>
#include <cmath>

namespace korvan::controller {

std::vector<NodeChannels> numberNodeChannels(const Profile& profile, int digitalFrom,
                                             int analogFrom)
{
    std::vector<NodeChannels> out;
    int digital = digitalFrom;
    int analog = analogFrom;
    for (const BusSlot& slot : profile.slots) {
        for (const BusNode& node : slot.nodes) {
            NodeChannels c{digital, node.inputs,       node.outputs,
                           analog,  node.analogInputs, node.analogOutputs};
            digital += std::max(node.inputs, node.outputs);
            analog += std::max(node.analogInputs, node.analogOutputs);
            out.push_back(c);
        }
    }
    return out;
}

InterpolationPeriod interpolationPeriodOf(double servoPeriodMs)
{
    constexpr int maxMantissa = 255;
    InterpolationPeriod out;
    for (int exponent = -3; exponent >= -6; --exponent) {
        const double mantissa = servoPeriodMs * std::pow(10.0, -3 - exponent);
        const double whole = std::round(mantissa);
        if (whole > maxMantissa)
            break;
        out = {static_cast<int>(std::max(1.0, whole)), exponent};
        if (std::fabs(mantissa - whole) < 1e-9)
            break;
    }
    return out;
}

FieldBus::FieldBus(const Profile& profile, const std::vector<NodeChannels>& channels)
{
    const InterpolationPeriod period = interpolationPeriodOf(profile.servoPeriodMs);
    m_factoryAxis.interpolationPeriod = period.mantissa;
    m_factoryAxis.interpolationExponent = period.exponent;
    std::size_t next = 0;
    for (std::size_t s = 0; s < profile.slots.size(); ++s) {
        const BusSlot& slot = profile.slots[s];
        const BusType type = slot.type == "RTEX" ? BusType::Rtex : BusType::EtherCat;
        m_slotTypes.push_back(type);
        m_firstNode.push_back(static_cast<int>(m_nodes.size()));
        for (std::size_t n = 0; n < slot.nodes.size(); ++n, ++next) {
            BusNodeState state;
            state.node = &slot.nodes[n];
            state.slot = static_cast<int>(s);
            state.index = static_cast<int>(n);
            if (state.node->kind == "io")
                state.mode = NodeMode::BusIo;
            else
                state.mode = type == BusType::Rtex ? NodeMode::RtexDrive : NodeMode::EtherCatDrive;
            if (next < channels.size())
                state.channels = channels[next];
            state.driveAxes.resize(static_cast<std::size_t>(state.node->axes), m_factoryAxis);
            state.cycles.resize(static_cast<std::size_t>(state.node->axes));
            m_nodes.push_back(std::move(state));
        }
    }
}

int FieldBus::nodeCount(int slot) const
{
    if (!hasSlot(slot))
        return 0;
    const auto s = static_cast<std::size_t>(slot);
    const int end =
        s + 1 < m_firstNode.size() ? m_firstNode[s + 1] : static_cast<int>(m_nodes.size());
    return end - m_firstNode[s];
}

BusNodeState* FieldBus::node(int slot, int index)
{
    if (index < 0 || index >= nodeCount(slot))
        return nullptr;
    return &m_nodes[static_cast<std::size_t>(m_firstNode[static_cast<std::size_t>(slot)] + index)];
}

const BusNodeState* FieldBus::node(int slot, int index) const
{
    return const_cast<FieldBus*>(this)->node(slot, index);
}

void FieldBus::reset()
{
    for (BusNodeState& n : m_nodes) {
        std::fill(n.driveAxes.begin(), n.driveAxes.end(), m_factoryAxis);
        std::fill(n.cycles.begin(), n.cycles.end(), DriveCycle{});
    }
    m_watchdog = true;
}

} // namespace korvan::controller
