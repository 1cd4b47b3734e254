#include "workbench/axis/views/single_axis_session.h"

#include "workbench/axis/reciprocation_pump.h"

namespace korvan::axis {

SingleAxisSession::SingleAxisSession(SingleAxisEnvironment& environment, AxisTable& table,
                                     AxisPanelMemory& memory, QObject* parent)
    : QObject(parent), m_environment(environment), m_table(table), m_memory(memory),
      m_logic(table, memory, m_comparators, m_relay)
{
    connect(&m_reciprocationTimer, &QTimer::timeout, this, &SingleAxisSession::feedReciprocation);
}

void SingleAxisSession::startReciprocationFeed()
{
    if (!m_reciprocationTimer.isActive())
        m_reciprocationTimer.start(ReciprocationPump::kPeriodMs);
}

void SingleAxisSession::feedReciprocation()
{
    SlotPorts ports{};
    for (int slot = 0; slot < kSlotCount; ++slot)
        ports[slot] = m_environment.slotPort(slot);
    ReciprocationPump::tick(ports, m_memory);
}

} // namespace korvan::axis
