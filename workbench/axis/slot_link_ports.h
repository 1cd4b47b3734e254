// One LinkAxisPort per connection slot, made again when the slot's link
// changes. A slot whose link closed or was replaced stops feeding its
// reciprocating moves: a controller that takes the slot later must not start
// moving the axes the old one was moving.
#pragma once

#include "workbench/axis/axis_table.h"
#include "workbench/axis/link_axis_port.h"

#include <array>
#include <optional>

namespace korvan::axis {

class SlotLinkPorts
{
public:
    explicit SlotLinkPorts(AxisPanelMemory& memory) : m_memory(memory) {}

    /// The port of a slot (0..29) whose link has this handle; nullptr for a
    /// null handle or a slot outside the range.
    AxisPort* port(int slot, ControllerHandle handle);

private:
    AxisPanelMemory& m_memory;
    std::array<std::optional<LinkAxisPort>, kSlotCount> m_ports;
};

} // namespace korvan::axis
