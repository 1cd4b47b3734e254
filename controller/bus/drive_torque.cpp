#include "controller/bus/drive_torque.h"

#include "controller/bus/axis_link.h"
#include "controller/controller_state.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvan::controller {

namespace {

// Only a drive in operation enabled has its power stage on.
bool producesTorque(const ControllerState& s, const DriveAxisStore& store, int axis)
{
    return store.power.state() == PowerState::OperationEnabled &&
           s.parameters.get(AxisParam::SERVO, axis) != 0;
}

// The drive axis k of node takes this cycle's demand of the controller axis.
void follow(const ControllerState& s, BusNodeState& node, int k, int axis, double period)
{
    DriveCycle& c = node.cycles[static_cast<std::size_t>(k)];
    const double speed =
        s.parameters.get(AxisParam::VP_SPEED, axis) * s.parameters.get(AxisParam::UNITS, axis);
    const double accel = c.axis == axis && period > 0 ? (speed - c.speed) / period : 0;
    c.axis = axis;
    c.speed = std::isfinite(speed) ? speed : 0;
    c.claimed = true;
    if (!producesTorque(s, node.driveAxes[static_cast<std::size_t>(k)], axis) ||
        !std::isfinite(accel)) {
        c.torque = 0;
        return;
    }
    const BusNode& drive = *node.node;
    const double alpha = accel * 2 * std::numbers::pi / drive.countsPerRev;
    const double inertial = 1000 * drive.inertia * alpha / drive.ratedTorque;
    const double friction = c.speed > 0 ? drive.friction : c.speed < 0 ? -drive.friction : 0;
    const double limit = node.driveAxes[static_cast<std::size_t>(k)].maxTorque;
    c.torque = static_cast<int>(std::lround(std::clamp(inertial + friction, -limit, limit)));
}

} // namespace

void updateDriveTorques(ControllerState& s, double periodSeconds)
{
    for (BusNodeState& node : s.bus.nodes())
        for (DriveCycle& c : node.cycles)
            c.claimed = false;
    // The lowest axis that names a drive axis drives it.
    for (int axis = 0; axis < s.parameters.axisCount(); ++axis) {
        const AxisLink link = claimedLink(s, axis);
        if (link.kind != AxisLink::Kind::BusDrive)
            continue;
        BusNodeState* node = s.bus.node(link.slot, link.node);
        if (node && !node->cycles[static_cast<std::size_t>(link.hardwareAxis)].claimed)
            follow(s, *node, link.hardwareAxis, axis, periodSeconds);
    }
    for (BusNodeState& node : s.bus.nodes())
        for (DriveCycle& c : node.cycles)
            if (!c.claimed)
                c = DriveCycle{};
}

} // namespace korvan::controller
