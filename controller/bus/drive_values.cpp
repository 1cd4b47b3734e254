#include "controller/bus/drive_values.h"

#include "controller/bus/axis_link.h"
#include "controller/bus/drive_control.h"
#include "controller/bus/object_dictionary.h"
#include "controller/command_registry.h"
#include "controller/controller_state.h"

#include <string>

namespace korvan::controller {

using basic::ErrorCode;
using basic::HostResult;

namespace {

constexpr int statuswordIndex = 0x6041;
constexpr int positionActualIndex = 0x6064;
constexpr int targetPositionIndex = 0x607A;
constexpr int torqueActualIndex = 0x6077;
// The objects of axis k of a drive sit at index + 0x800 * k.
constexpr int driveAxisOffset = 0x800;

// Reads one object of the drive axis that a controller axis drives.
using DriveReader = double (*)(const ControllerState&, const BusNodeState&, int k);

double object(const ControllerState& s, const BusNodeState& node, int index, int k, SdoType type)
{
    double value = 0;
    // The objects exist on every drive axis, so a read cannot abort.
    sdoRead(s, node, index + driveAxisOffset * k, 0, type, value);
    return value;
}

double statusword(const ControllerState& s, const BusNodeState& node, int k)
{
    return object(s, node, statuswordIndex, k, SdoType::Uint16);
}

double followingError(const ControllerState& s, const BusNodeState& node, int k)
{
    return object(s, node, targetPositionIndex, k, SdoType::Int32) -
           object(s, node, positionActualIndex, k, SdoType::Int32);
}

double torque(const ControllerState& s, const BusNodeState& node, int k)
{
    return object(s, node, torqueActualIndex, k, SdoType::Int16);
}

// DRIVE_x(axis), or DRIVE_x with AXIS(n) or the BASE axis.
FunctionSpec driveValue(std::string name, DriveReader read)
{
    return {std::move(name), 0, 1, [read](CommandContext& c, double& out) {
                int axis = c.axis();
                if (!c.ref.args.empty()) {
                    const double a = c.ref.args[0];
                    if (!integral(a))
                        return HostResult::fail(ErrorCode::IndexRange, std::string(c.ref.name));
                    axis = static_cast<int>(a);
                }
                if (axis < 0 || axis >= c.state.parameters.axisCount())
                    return HostResult::fail(ErrorCode::IndexRange, std::string(c.ref.name) + "(" +
                                                                       std::to_string(axis) + ")");
                out = 0;
                const AxisLink link = axisLink(c.state, axis);
                if (link.kind != AxisLink::Kind::BusDrive)
                    return HostResult::ok();
                BusNodeState* node = c.state.bus.node(link.slot, link.node);
                if (node && axisOfDrive(c.state, link.slot, link.node, link.hardwareAxis) == axis) {
                    serveDrives(c.state, *node);
                    out = read(c.state, *node, link.hardwareAxis);
                }
                return HostResult::ok();
            }};
}

} // namespace

void registerDriveValues(CommandRegistry& registry)
{
    registry.addFunction(driveValue("DRIVE_STATUS", statusword));
    registry.addFunction(driveValue("DRIVE_FE", followingError));
    registry.addFunction(driveValue("DRIVE_TORQUE", torque));
}

} // namespace korvan::controller
