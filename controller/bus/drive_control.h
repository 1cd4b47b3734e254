// The controller as the master of its bus drives. Each drive axis has its own
// power state machine (drive_power.h); the controller axis that drives it
// (axis_link.h) asks for a mode of operation through its ATYPE and for
// "operation enabled" through AXIS_ENABLE while WDOG is on, and the master
// writes the controlwords that get the drive there: shutdown, switch on and
// enable operation in turn, or shutdown when the axis is switched off.
//
// Faults: the drive of a bus axis faults while the axis's drive alarm input
// (ALM_IN) is on. The controller keeps the alarm in AXISSTATUS until DATUM(0)
// or DRIVE_CLEAR; once that is cleared and the cause is gone, the master
// resets the drive's fault (controlword bit 7) and enables it again if
// AXIS_ENABLE still asks for it. A master of its own may reset it through SDO
// instead: a rising edge of bit 7 with the cause gone.
//
// The master answers in every servo cycle and before every SDO access and
// drive report, so what a command line changes is seen by its next read.
#pragma once

namespace korvan::controller {

struct ControllerState;
struct BusNodeState;

/// Modes of operation (objects 6060, 6061) of ATYPE 65..67.
inline constexpr int cyclicPositionMode = 8;
inline constexpr int cyclicTorqueMode = 10;
/// The mode a bus axis of that ATYPE runs its drive in.
int driveModeOfType(int atype);

/// True while the axis's drive alarm input (ALM_IN) is on.
bool driveFaultCause(const ControllerState& state, int axis);
/// Brings every axis of node in line with the controller axis that drives it.
void serveDrives(ControllerState& state, BusNodeState& node);
/// One servo cycle of every drive axis: its own transitions (end of
/// initialisation, of a fault reaction, of a quick stop; a new fault), then
/// the master's commands.
void cycleDrives(ControllerState& state);
/// A controlword that arrives by SDO at drive axis k of node. A controller
/// axis that drives it is enabled exactly when the drive ends in operation
/// enabled, so the master then asks for what the SDO writer chose. False
/// when that axis refused the change.
bool writeControlword(ControllerState& state, BusNodeState& node, int k, int word);
/// False while the drive of a bus axis cannot follow motion: WDOG is off,
/// or the drive is in fault, fault reaction or quick stop and the master
/// would not bring it back by itself. True for every other axis.
bool driveCanFollow(const ControllerState& state, int axis);

} // namespace korvan::controller
