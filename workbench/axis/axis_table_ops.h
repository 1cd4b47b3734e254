// Exchanging AxisTable with the controller: load, send and factory reset.
#pragma once

#include "workbench/axis/axis_port.h"
#include "workbench/axis/axis_table.h"
#include "workbench/axis/hardware_defaults.h"

namespace korvan::axis {

/// The controller code with which an output table read fails when the
/// controller has no such table; the hardware defaults fill it in then.
inline constexpr int kNoOutputTableCode = 2002;

/// Reads every editable parameter of all axes (rows 0..18, 26, 27).
void LoadAxisTable(AxisPort& port, AxisTable& table, const HardwareDefaultsFile& defaults);

/// Writes the editable parameters of every real axis to the controller.
void SendAxisTable(AxisPort& port, const AxisTable& table);

/// Sends one editable parameter of one axis the way SendAxisTable does: a
/// ratio only with terms the controller takes, the output rows with the
/// per-value writer, nothing for the status rows.
void SendAxisParameter(AxisPort& port, const AxisTable& table, AxisRow row, int axis);

/// Writes factory defaults, applies the hardware defaults file and clears
/// the inversion of every local and expansion input.
void ResetAxisTable(AxisPort& port, AxisTable& table, const HardwareDefaultsFile& defaults);

} // namespace korvan::axis
