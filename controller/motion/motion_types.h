#pragma once
// Value types shared by the motion engine and its host: results, move types, status bits.
//
// Result codes: kResultCodes below is the one table from MotionResult to the controller
// error code and its text (docs/motion.md lists it). Results that mean what the
// interpreter's own codes mean share them (2002 unknown name, 2003 axis out of range,
// 2004 bad argument, 2005 read-only); refusals only motion gives have the range
// 2301-2399 of their own, apart from the link's 3xxx codes.
//
// MTYPE codes (MoveType): 0 idle, 1 MOVE, 2 MOVEABS, 3 MOVEMODIFY, 10 VMOVE forward,
//   11 VMOVE reverse, 12 homing (DATUM), 20 MOVE_WA / MOVE_OP / MOVE_AOUT (buffered
//   non-motion entries), 21 CONNECT, 22 CAM, 23 CAMBOX, 24 MOVELINK, 25 CONNPATH,
//   30 MOVECIRC / MOVECIRC2, 31 MSPHERICAL, 32 MHELICAL / MHELICAL2, 33 MECLIPSE,
//   40 MOVESP, 41 MOVEABSSP. A ZSMOOTH chamfer runs with the type of the move after it.

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
    NotBusAxis,
    NoOriginInput,
    OffEllipse,
};

struct ResultCode
{
    MotionResult result;
    int code;
    std::string_view text;
};

inline constexpr ResultCode kResultCodes[] = {
    {MotionResult::Ok, 0, "ok"},
    {MotionResult::UnknownName, 2002, "unknown parameter"},
    {MotionResult::BadAxis, 2003, "axis number out of range"},
    {MotionResult::BadArgument, 2004, "invalid argument"},
    {MotionResult::ReadOnly, 2005, "parameter is read-only"},
    {MotionResult::BufferFull, 2301, "motion buffer full"},
    {MotionResult::AxisDisabled, 2302, "bus axis not enabled (AXIS_ENABLE 0, WDOG 0 or drive fault)"},
    {MotionResult::BadArc, 2303, "arc points are collinear"},
    {MotionResult::LimitActive, 2304, "limit active in the direction of motion"},
    {MotionResult::NotBusAxis, 2305, "drive homing needs a bus axis (ATYPE 50 or more)"},
    {MotionResult::NoOriginInput, 2306, "homing mode needs an origin input (DATUM_IN)"},
    {MotionResult::OffEllipse, 2307, "start or end point is not on the ellipse"},
};

// The controller error code of a result.
constexpr int controllerCode(MotionResult r)
{
    for (const auto& entry : kResultCodes)
        if (entry.result == r)
            return entry.code;
    return -1;
}

// The text of a result.
constexpr std::string_view resultText(MotionResult r)
{
    for (const auto& entry : kResultCodes)
        if (entry.result == r)
            return entry.text;
    return {};
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
    Cam = 22,
    CamBox = 23,
    MoveLink = 24,
    ConnPath = 25,
    Circ = 30,
    Spherical = 31,
    Helical = 32,
    Ellipse = 33,
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
