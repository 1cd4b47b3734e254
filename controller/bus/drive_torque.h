// The torque a bus drive reports for each of its axes (object 6077, read as
// DRIVE_TORQUE): once per servo cycle, after the motion update, every drive
// axis takes the demand speed of the controller axis that drives it and
// works out the torque that follows that demand:
//   torque = 1000 × inertia × α / rated torque + friction × sign(speed)
// in per mille of the rated torque, α the commanded angular acceleration
// (the change of the demand speed in counts/s per cycle, × 2π / counts per
// revolution), friction while the demand moves, and held within the drive's
// max torque (object 6072). A drive that no axis drives, that is not in
// operation enabled (AXIS_ENABLE 0, WDOG 0, a fault) or whose loop is open
// (SERVO 0) produces no torque. The first cycle after an axis takes the drive over
// counts no acceleration.
#pragma once

namespace korvan::controller {

struct ControllerState;

/// One servo cycle of every bus drive axis.
void updateDriveTorques(ControllerState& state, double periodSeconds);

} // namespace korvan::controller
