#pragma once
// Value types shared by the motion engine and its host: results, move types, status bits.
//
// Result codes (MotionResult → controller error code, table kResultCodes):
//   Ok 0, BadAxis 3001 (axis outside the engine), BadArgument 3002, BufferFull 3003,
//   AxisDisabled 3004 (bus axis with AXIS_ENABLE 0 refuses motion), BadArc 3005
//   (arc points on one line), LimitActive 3006 (move towards an active limit),
//   ReadOnly 3007 (parameter cannot be written), UnknownName 3008.
//
// MTYPE codes (MoveType): 0 idle, 1 MOVE, 2 MOVEABS, 3 MOVEMODIFY, 10 VMOVE forward,
//   11 VMOVE reverse, 12 homing (DATUM), 20 MOVE_WA / MOVE_OP / MOVE_AOUT (buffered
//   non-motion entries), 21 CONNECT, 30 MOVECIRC / MOVECIRC2, 31 MSPHERICAL, 40 MOVESP,
//   41 MOVEABSSP.

#include <cstdint>
#include <string_view>

namespace korvan::motion {

enum class MotionResult : std::uint8_t
{
    Ok,
    BadAxis,
    BadArgument,
    BufferFull,
    AxisDisabled,
    BadArc,
    LimitActive,
    ReadOnly,
    UnknownName,
};

struct ResultCode
{
    MotionResult result;
    int code;
    std::string_view text;
};

inline constexpr ResultCode kResultCodes[] = {
    {MotionResult::Ok, 0, "ok"},
    {MotionResult::BadAxis, 3001, "axis number out of range"},
    {MotionResult::BadArgument, 3002, "invalid argument"},
    {MotionResult::BufferFull, 3003, "motion buffer full"},
    {MotionResult::AxisDisabled, 3004, "axis not enabled"},
    {MotionResult::BadArc, 3005, "arc points are collinear"},
    {MotionResult::LimitActive, 3006, "limit active in the direction of motion"},
    {MotionResult::ReadOnly, 3007, "parameter is read-only"},
    {MotionResult::UnknownName, 3008, "unknown parameter"},
};

// The controller error code of a result.
constexpr int controllerCode(MotionResult r)
{
    for (const auto& entry : kResultCodes)
        if (entry.result == r)
            return entry.code;
    return -1;
}

enum class MoveType : int
{
    Idle = 0,
    Move = 1,
    MoveAbs = 2,
    MoveModify = 3,
    VmoveForward = 10,
    VmoveReverse = 11,
    Datum = 12,
    BufferedIo = 20,
    Connect = 21,
    Circ = 30,
    Spherical = 31,
    MoveSp = 40,
    MoveAbsSp = 41,
};

// AXISSTATUS bits.
namespace status_bits {
inline constexpr std::uint32_t FollowingError = 0x2;
inline constexpr std::uint32_t RemoteComms = 0x4;
inline constexpr std::uint32_t DriveAlarm = 0x8;
inline constexpr std::uint32_t FwdHardLimit = 0x10;
inline constexpr std::uint32_t RevHardLimit = 0x20;
inline constexpr std::uint32_t Homing = 0x40;
inline constexpr std::uint32_t FwdSoftLimit = 0x200;
inline constexpr std::uint32_t RevSoftLimit = 0x400;
inline constexpr std::uint32_t Cancelling = 0x800;
inline constexpr std::uint32_t MaxPulseFreq = 0x1000;
inline constexpr std::uint32_t ServoAlarm = 0x400000;
inline constexpr std::uint32_t Paused = 0x800000;
} // namespace status_bits

// AXIS_STOPREASON keeps the status bits that stopped the axis, cleared by writing 0.

// Kinds of buffered entries, as counted by REMAIN_BUFFER(type).
enum class BufferType : int
{
    Any = 1,
    Line = 7,
    Output = 28,
    Wait = 29,
    Arc = 31,
};

} // namespace korvan::motion
