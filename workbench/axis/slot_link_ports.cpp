#include "workbench/axis/slot_link_ports.h"

namespace korvan::axis {

AxisPort* SlotLinkPorts::port(int slot, ControllerHandle handle)
{
    if (slot < 0 || slot >= kSlotCount)
        return nullptr;
    std::optional<LinkAxisPort>& port = m_ports[static_cast<std::size_t>(slot)];
    if (port && port->handle() == handle)
        return &*port;
    if (port) {
        for (int axis = 0; axis < kAxisCount; ++axis) {
            AxisPanelEntry& entry = m_memory.at(slot, axis);
            entry.reciprocationActive = 0;
            entry.cyclesDone = 0.0f;
        }
        port.reset();
    }
    if (!handle)
        return nullptr;
    port.emplace(handle);
    return &*port;
}

} // namespace korvan::axis
