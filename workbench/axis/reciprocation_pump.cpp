#include "workbench/axis/reciprocation_pump.h"

#include "workbench/axis/port_queries.h"

namespace korvan::axis {

namespace {

void QueueMove(AxisPort& port, const AxisPanelEntry& entry, float position, int axis)
{
    const char* format = entry.absoluteMode == 1 ? "MOVEABS(%f) AXIS(%d)" : "MOVE(%f) AXIS(%d)";
    port.sendWithoutReply(FormatCommand(format, static_cast<double>(position), axis));
}

void QueueDelay(AxisPort& port, const AxisPanelEntry& entry, int axis)
{
    if (entry.inPositionDelay == 0.0f)
        return;
    port.set(FormatCommand("BASE(%d)\r\nMOVE_WA(%d)", axis, TruncateToInt(entry.inPositionDelay)));
}

} // namespace

void ReciprocationPump::tickAxis(AxisPort& port, AxisPanelEntry& entry, int axis)
{
    const bool cyclesLeft = entry.cyclesDone < entry.cycleCount || entry.cycleCount == 0.0f;
    if (cyclesLeft && entry.reciprocationActive == 1) {
        const std::optional<int> freeBuffer =
            QueryInt(port, FormatCommand("?REMAIN_BUFFER(1) AXIS(%d)", axis));
        if (!freeBuffer || *freeBuffer <= kMinimumFreeBuffer)
            return;
        QueueMove(port, entry, entry.reciprocationPosition1, axis);
        QueueDelay(port, entry, axis);
        QueueMove(port, entry, entry.reciprocationPosition2, axis);
        QueueDelay(port, entry, axis);
        entry.cyclesDone += 1.0f;
    } else if (entry.cyclesDone >= entry.cycleCount) {
        entry.cyclesDone = 0.0f;
        entry.reciprocationActive = 0;
    }
}

void ReciprocationPump::tick(const SlotPorts& ports, AxisPanelMemory& memory)
{
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (!ports[slot])
            continue;
        for (int axis = 0; axis < kAxisCount; ++axis)
            tickAxis(*ports[slot], memory.at(slot, axis), axis);
    }
}

} // namespace korvan::axis
