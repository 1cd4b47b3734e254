#include "controller/bus/drive_control.h"

#include "controller/bus/axis_link.h"
#include "controller/controller_state.h"

#include <cmath>
#include <optional>

namespace korvan::controller {

namespace {

constexpr unsigned axisStatusDriveAlarm = 0x8;

int intParameter(const ControllerState& s, AxisParam id, int axis)
{
    const double v = s.parameters.get(id, axis);
    return std::isfinite(v) && std::fabs(v) < 2e9 ? static_cast<int>(v) : -1;
}

// The controller still holds the alarm in AXISSTATUS (until DATUM(0) or DRIVE_CLEAR).
bool alarmRecorded(const ControllerState& s, int axis)
{
    return (static_cast<unsigned>(intParameter(s, AxisParam::AXISSTATUS, axis)) &
            axisStatusDriveAlarm) != 0;
}

// The master resets a fault by itself once the controller's alarm is cleared.
bool masterResetsFault(const ControllerState& s, int axis)
{
    return !driveFaultCause(s, axis) && !alarmRecorded(s, axis);
}

// The master's part for drive axis k of node, which axis drives (if any).
void serveAxis(ControllerState& s, BusNodeState& node, int k, std::optional<int> axis)
{
    if (!axis)
        return;
    DriveAxisStore& store = node.driveAxes[static_cast<std::size_t>(k)];
    store.mode = driveModeOfType(intParameter(s, AxisParam::ATYPE, *axis));
    DrivePower& power = store.power;
    const bool cause = driveFaultCause(s, *axis);
    if (power.state() == PowerState::Fault && masterResetsFault(s, *axis)) {
        // A rising edge of bit 7, then the bit off again for the next reset.
        power.command(control_words::FaultReset, cause);
        power.command(control_words::DisableVoltage, cause);
    }
    const bool wanted = s.parameters.get(AxisParam::AXIS_ENABLE, *axis) != 0 && s.bus.watchdog();
    if (wanted) {
        if (power.state() == PowerState::SwitchOnDisabled)
            power.command(control_words::Shutdown, cause);
        if (power.state() == PowerState::ReadyToSwitchOn)
            power.command(control_words::SwitchOn, cause);
        if (power.state() == PowerState::SwitchedOn)
            power.command(control_words::EnableOperation, cause);
    } else if (power.state() == PowerState::OperationEnabled) {
        power.command(control_words::Shutdown, cause);
    }
}

} // namespace

int driveModeOfType(int atype)
{
    if (atype < firstBusAxisType || atype > lastBusAxisType)
        return cyclicPositionMode;
    return cyclicPositionMode + atype - firstBusAxisType;
}

bool driveFaultCause(const ControllerState& s, int axis)
{
    const int input = intParameter(s, AxisParam::ALM_IN, axis);
    return input >= 0 && s.io.input(input) != 0;
}

void serveDrives(ControllerState& s, BusNodeState& node)
{
    for (int k = 0; k < static_cast<int>(node.driveAxes.size()); ++k)
        serveAxis(s, node, k, axisOfDrive(s, node.slot, node.index, k));
}

void cycleDrives(ControllerState& s)
{
    for (BusNodeState& node : s.bus.nodes()) {
        for (int k = 0; k < static_cast<int>(node.driveAxes.size()); ++k) {
            const auto axis = axisOfDrive(s, node.slot, node.index, k);
            const bool cause = axis && driveFaultCause(s, *axis);
            node.driveAxes[static_cast<std::size_t>(k)].power.cycle(cause);
            serveAxis(s, node, k, axis);
        }
    }
}

bool writeControlword(ControllerState& s, BusNodeState& node, int k, int word)
{
    const auto axis = axisOfDrive(s, node.slot, node.index, k);
    DrivePower& power = node.driveAxes[static_cast<std::size_t>(k)].power;
    power.command(word, axis && driveFaultCause(s, *axis));
    if (!axis)
        return true;
    const bool enabled = power.state() == PowerState::OperationEnabled;
    return s.parameters.set(AxisParam::AXIS_ENABLE, *axis, enabled ? 1 : 0) ==
           basic::ErrorCode::None;
}

bool driveCanFollow(const ControllerState& s, int axis)
{
    const AxisLink link = axisLink(s, axis);
    if (link.kind != AxisLink::Kind::BusDrive)
        return true;
    const BusNodeState* node = s.bus.node(link.slot, link.node);
    if (!node)
        return true;
    if (!s.bus.watchdog())
        return false;
    switch (node->driveAxes[static_cast<std::size_t>(link.hardwareAxis)].power.state()) {
    case PowerState::FaultReactionActive:
    case PowerState::QuickStopActive:
        return false;
    case PowerState::Fault:
        return masterResetsFault(s, axis);
    default:
        return true;
    }
}

} // namespace korvan::controller
