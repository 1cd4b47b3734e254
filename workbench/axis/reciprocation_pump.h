// Timer 3 of the single-axis panel: keeps the reciprocating moves of every
// connection slot and axis fed while their motion buffer has room.
#pragma once

#include "workbench/axis/axis_port.h"
#include "workbench/axis/axis_table.h"

#include <array>

namespace korvan::axis {

/// Each slot's port, nullptr for a slot without a link.
using SlotPorts = std::array<AxisPort*, kSlotCount>;

class ReciprocationPump
{
public:
    /// Moves are queued only while the buffer has more than this many free places.
    static constexpr int kMinimumFreeBuffer = 8;
    /// The feed period once the first reciprocating move started.
    static constexpr int kPeriodMs = 100;

    /// One tick over every slot and axis.
    static void tick(const SlotPorts& ports, AxisPanelMemory& memory);
    /// One tick for one axis of one slot.
    static void tickAxis(AxisPort& port, AxisPanelEntry& entry, int axis);
};

} // namespace korvan::axis
