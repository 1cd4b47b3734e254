#pragma once
// Per-axis parameters and status as plain structs, and the name table that lets an
// interpreter read and write them by their Korbasic names.

#include "controller/motion/motion_types.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace korvan::motion {

// Writable motion parameters of one axis, with factory defaults.
struct AxisParameters
{
    int atype = 1;               // ATYPE: 1 pulse, 3 encoder, 4 pulse+encoder, 8 module, 65-67 bus
    double units = 1;            // UNITS: pulses per user unit
    double speed = 100;          // SPEED units/s
    double accel = 1000;         // ACCEL units/s²
    double decel = 0;            // DECEL units/s², 0 = ACCEL
    double fastdec = 0;          // FASTDEC units/s², 0 = DECEL
    double sramp = 0;            // SRAMP ms
    double lspeed = 0;           // LSPEED start speed
    double creep = 10;           // CREEP homing creep speed
    double fsLimit = 200000000;  // FS_LIMIT
    double rsLimit = -200000000; // RS_LIMIT
    double datumOffset = 0;      // DATUM_OFFSET: position given to the home point
    double forceSpeed = 100;     // FORCE_SPEED for SP moves
    double startMoveSpeed = -1;  // STARTMOVE_SPEED for SP moves, -1 = not used
    double endMoveSpeed = -1;    // ENDMOVE_SPEED for SP moves, -1 = not used
    int merge = 0;               // MERGE: blend consecutive moves
    int cornerMode = 0;          // CORNER_MODE bits 2, 8, 32
    double decelAngle = 0.2618;  // DECEL_ANGLE rad: corners above it slow down
    double stopAngle = 0.7854;   // STOP_ANGLE rad: corners above it stop
    double fullSpRadius = 0;     // FULL_SP_RADIUS: arcs below it slow down
    double zsmooth = 0;          // ZSMOOTH chamfer radius (stored)
    int datumIn = -1;            // DATUM_IN origin input
    int fwdIn = -1;              // FWD_IN forward limit input
    int revIn = -1;              // REV_IN reverse limit input
    int almIn = -1;              // ALM_IN drive alarm input
    int invertStep = 0;          // INVERT_STEP pulse mode (stored)
    int axisAddress = -1;        // AXIS_ADDRESS of module axes
    int moveMark = 0;            // MOVE_MARK given to the next buffered move
    int servo = 1;               // SERVO: 0 opens the position loop
    double servoLagSeconds = 0.002; // time constant of the feedback lag
    // Speed, in counts (units x UNITS) per second, that the full analogue output
    // (DAC_OUT kDacFullScale, 10 V) commands.
    double dacFullScaleSpeed = 100000;
    double feLimit = 1000; // FE_LIMIT following error limit
};

// Read-back state of one axis.
struct AxisStatus
{
    double dpos = 0;              // DPOS demand position
    double mpos = 0;              // MPOS measured position
    double vpSpeed = 0;           // VP_SPEED demand speed
    double mspeed = 0;            // MSPEED measured speed
    double endmove = 0;           // ENDMOVE end of the current move
    double endmoveBuffer = 0;     // ENDMOVE_BUFFER end of the last buffered move
    double vectorBuffered = 0;    // VECTOR_BUFFERED path length still buffered
    double regPos = 0;            // REG_POS
    double regPosB = 0;           // REG_POSB
    double regPosC = 0;           // REG_POSC
    double regPosD = 0;           // REG_POSD
    std::int64_t encoder = 0;     // ENCODER counts
    int idle = -1;                // IDLE: -1 idle, 0 moving
    int mtype = 0;                // MTYPE of the move in progress
    int loaded = -1;              // LOADED: -1 when nothing waits in the buffer
    std::uint32_t axisStatus = 0; // AXISSTATUS bits
    std::uint32_t stopReason = 0; // AXIS_STOPREASON
    int mark = 0;                 // MARK: -1 triggered
    int markB = 0;                // MARKB: -1 triggered
    int markC = 0;                // MARKC: -1 triggered
    int markD = 0;                // MARKD: -1 triggered
    int moveCurmark = -1;         // MOVE_CURMARK of the executing move
    int enabled = 1;              // AXIS_ENABLE
    int dacOut = 0;               // DAC_OUT: analogue speed command, ±kDacFullScale
};

// DAC_OUT of the full analogue output (10 V); the output is 16 bits, signed.
inline constexpr int kDacFullScale = 32767;

class MotionEngine;

// One entry of the name table: getter, optional setter (null = read-only).
struct ParameterBinding
{
    std::string_view name;
    double (*get)(const MotionEngine&, int axis);
    MotionResult (*set)(MotionEngine&, int axis, double value);
};

// All named axis values, sorted by name; lookup is case-insensitive.
std::span<const ParameterBinding> parameterBindings();
// The binding of a name, or null.
const ParameterBinding* findParameter(std::string_view name);
// False for the read-only status values.
bool isWritable(const ParameterBinding& binding);

} // namespace korvan::motion
