#include "controller/bus/drive_power.h"

namespace korvan::controller {

namespace {

constexpr int switchOnBit = 0x01;
constexpr int enableVoltageBit = 0x02;
constexpr int quickStopBit = 0x04; // active low
constexpr int enableOperationBit = 0x08;
constexpr int faultResetBit = 0x80;

// Always on: the power stage has its mains ("voltage enabled") and the
// controlword comes over the bus ("remote").
constexpr int voltageEnabled = 0x0010;
constexpr int remote = 0x0200;

enum class Command
{
    DisableVoltage,
    QuickStop,
    Shutdown,
    SwitchOn,
    EnableOperation
};

// Bits 0-3 of a controlword as one command; bit 7 counts only in fault.
Command decode(int word)
{
    if (!(word & enableVoltageBit))
        return Command::DisableVoltage;
    if (!(word & quickStopBit))
        return Command::QuickStop;
    if (!(word & switchOnBit))
        return Command::Shutdown;
    return word & enableOperationBit ? Command::EnableOperation : Command::SwitchOn;
}

bool staysInQuickStop(int option)
{
    return option > 4;
}

} // namespace

void DrivePower::command(int word, bool faultCause)
{
    const bool resetEdge = (word & faultResetBit) && !(m_controlword & faultResetBit);
    m_controlword = word;
    const Command c = decode(word);
    using S = PowerState;
    switch (m_state) {
    case S::NotReadyToSwitchOn:
    case S::FaultReactionActive:
        break; // commands wait until the drive is ready for them
    case S::Fault:
        if (resetEdge && !faultCause)
            m_state = S::SwitchOnDisabled;
        break;
    case S::SwitchOnDisabled:
        if (c == Command::Shutdown)
            m_state = S::ReadyToSwitchOn;
        break;
    case S::ReadyToSwitchOn:
        if (c == Command::SwitchOn)
            m_state = S::SwitchedOn;
        else if (c == Command::EnableOperation)
            m_state = S::OperationEnabled; // switched on, then enabled at once
        else if (c == Command::DisableVoltage || c == Command::QuickStop)
            m_state = S::SwitchOnDisabled;
        break;
    case S::SwitchedOn:
        if (c == Command::EnableOperation)
            m_state = S::OperationEnabled;
        else if (c == Command::Shutdown)
            m_state = S::ReadyToSwitchOn;
        else if (c == Command::DisableVoltage || c == Command::QuickStop)
            m_state = S::SwitchOnDisabled;
        break;
    case S::OperationEnabled:
        if (c == Command::SwitchOn)
            m_state = S::SwitchedOn;
        else if (c == Command::Shutdown)
            m_state = S::ReadyToSwitchOn;
        else if (c == Command::DisableVoltage)
            m_state = S::SwitchOnDisabled;
        else if (c == Command::QuickStop)
            m_state = S::QuickStopActive;
        break;
    case S::QuickStopActive:
        if (c == Command::DisableVoltage)
            m_state = S::SwitchOnDisabled;
        else if (c == Command::EnableOperation && staysInQuickStop(m_quickStopOption))
            m_state = S::OperationEnabled;
        break;
    }
}

void DrivePower::cycle(bool faultCause)
{
    using S = PowerState;
    switch (m_state) {
    case S::NotReadyToSwitchOn:
        m_state = S::SwitchOnDisabled;
        break;
    case S::FaultReactionActive:
        // The reaction stopped the axis at once; the drive now shows the fault.
        m_state = S::Fault;
        break;
    case S::QuickStopActive:
        // The axis stands after the cycle in which the quick stop came.
        if (!staysInQuickStop(m_quickStopOption))
            m_state = S::SwitchOnDisabled;
        break;
    default:
        break;
    }
    if (faultCause && m_state != S::Fault)
        m_state = S::FaultReactionActive;
}

int DrivePower::statusword() const
{
    using S = PowerState;
    int bits = 0;
    switch (m_state) {
    case S::NotReadyToSwitchOn:
        bits = 0x00;
        break;
    case S::SwitchOnDisabled:
        bits = 0x40;
        break;
    case S::ReadyToSwitchOn:
        bits = 0x21;
        break;
    case S::SwitchedOn:
        bits = 0x23;
        break;
    case S::OperationEnabled:
        bits = 0x27;
        break;
    case S::QuickStopActive:
        bits = 0x07;
        break;
    case S::FaultReactionActive:
        bits = 0x0F;
        break;
    case S::Fault:
        bits = 0x08;
        break;
    }
    return bits | voltageEnabled | remote;
}

} // namespace korvan::controller
