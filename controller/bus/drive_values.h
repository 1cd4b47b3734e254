// What a bus drive reports about the controller axis that drives it, read
// like axis parameters ("?DRIVE_STATUS(2)", "DRIVE_FE AXIS(2)") and
// recordable by SCOPE:
//   DRIVE_STATUS(axis)  the drive's CiA 402 statusword (object 6041);
//   DRIVE_FE(axis)      target position minus position actual (607A - 6064),
//                       in the drive's counts;
//   DRIVE_TORQUE(axis)  torque actual (6077), per mille of the rated torque
//                       (drive_torque.h).
// An axis that drives no bus drive gets no report: all read 0.
#pragma once

namespace korvan::controller {

class CommandRegistry;

void registerDriveValues(CommandRegistry& registry);

} // namespace korvan::controller
