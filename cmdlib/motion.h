// Motion, homing and axis lists of the workbench set, all through
// ExecuteDirect except PSWITCH. The workbench build refuses axes above 128
// and lists longer than 128 with 30002.
#pragma once

#include "cmdlib/command.h"
#include "cmdlib/variant.h"
#include "link/korvan.h"

#include <cstdint>

KORVAN_CMD_BEGIN

// "BASE(%d)" and "MOVE_WA(%d)" in one command (axis, time).
int MoveWait(ControllerHandle handle, int axis, int timeMs);
// "VMOVE(%d) AXIS(%d)" (direction, axis).
int VMove(ControllerHandle handle, int direction, int axis);
// "CANCEL(%d) AXIS(%d)" with mode 2.
int CancelAxis(ControllerHandle handle, int axis);
// Without a reply buffer: "REGIST(%d) AXIS(%d)" (mode, axis),
// "MOVE(%f) AXIS(%d)" and "MOVEABS(%f) AXIS(%d)" (distance or position, axis).
int Regist(ControllerHandle handle, int mode, int axis);
int Move(ControllerHandle handle, float distance, int axis);
int MoveAbs(ControllerHandle handle, float position, int axis);
// "PSWITCH(%d,%d,%d,%d,%d,%f,%f)" through ExecuteCommand: comparator, enable,
// axis, output, output state, first and second compare position.
int PSwitch(ControllerHandle handle, int comparator, int enable, int axis, int output,
            int outputState, float firstPosition, float secondPosition);

// "AXIS_STOPREASON(%d) = 0" and "DATUM(21,%d) AXIS(%d)" in one command
// (axis, mode, axis).
int DatumWithStopReasonReset(ControllerHandle handle, int axis, int mode);
// The text of the homing script: "BASE(%d)", "Axis_stopreason=0", "Speed=%f"
// and "Creep=%f" (axis, speed, creep), then "datum(%d)" with the mode; modes 31
// to 36, 38 and 39 home in two passes instead: a datum with mode - 20, a move
// by distance at creep speed, and the same datum again. For callers that send
// the text through their own channel; the axis is not checked here.
CommandText HomingScriptText(int axis, int mode, float speed, float creep, float distance);
// Sends HomingScriptText through ExecuteDirect. Returns true on failure, as its
// callers expect; an axis above 128 is refused (true) without sending.
bool RunHomingScript(ControllerHandle handle, int axis, int mode, float speed, float creep,
                     float distance);

// Without a reply buffer: "BASE(" with the axes, "MOVESP(" and "MOVEABSSP("
// with the values, and "MOVEMODIFY(" with one value. A count below 1 gives
// 30002.
int BaseList(ControllerHandle handle, const int* axes, int count);
int MoveSpList(ControllerHandle handle, const float* distances, int count);
int MoveAbsSpList(ControllerHandle handle, const float* positions, int count);
int MoveModifyList(ControllerHandle handle, float position);

KORVAN_CMD_END
