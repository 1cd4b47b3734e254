// Axis setters and queries of the workbench set, and named values. All go
// through ExecuteDirect with a 2048-byte reply buffer; the workbench build
// refuses axes above 128 (an axis of 128 is accepted) and null outputs with
// 30002 and sends nothing then.
#pragma once

#include "cmdlib/variant.h"
#include "link/korvan.h"

#include <cstdint>

// Real-valued axis setters: name, command format (axis, value).
#define KORVAN_AXIS_REAL_SETTERS(X)                                                                \
    X(Accel, "ACCEL(%d)=%f")                                                                       \
    X(Creep, "CREEP(%d)=%f")                                                                       \
    X(DatumOffset, "DATUM_OFFSET(%d)=%f")                                                          \
    X(Decel, "DECEL(%d)=%f")                                                                       \
    X(DecelAngle, "DECEL_ANGLE(%d)=%.3f")                                                          \
    X(Dpos, "DPOS(%d)=%f")                                                                         \
    X(FastDec, "FASTDEC(%d)=%f")                                                                   \
    X(FsLimit, "FS_LIMIT(%d)=%f")                                                                  \
    X(FullSpRadius, "FULL_SP_RADIUS(%d)=%f")                                                       \
    X(Lspeed, "LSPEED(%d)=%f")                                                                     \
    X(Mpos, "MPOS(%d)=%f")                                                                         \
    X(RsLimit, "RS_LIMIT(%d)=%f")                                                                  \
    X(Speed, "SPEED(%d)=%f")                                                                       \
    X(Sramp, "SRAMP(%d)=%f")                                                                       \
    X(StopAngle, "STOP_ANGLE(%d)=%f")                                                              \
    X(Units, "UNITS(%d)=%f")                                                                       \
    X(Zsmooth, "ZSMOOTH(%d)=%f")

// Integer axis setters: name, command format (axis, value).
#define KORVAN_AXIS_INT_SETTERS(X)                                                                 \
    X(AlmIn, "ALM_IN(%d)=%d")                                                                      \
    X(DatumIn, "DATUM_IN(%d)=%d")                                                                  \
    X(FwdIn, "FWD_IN(%d)=%d")                                                                      \
    X(InvertStep, "INVERT_STEP(%d)=%d")                                                            \
    X(RevIn, "Rev_In(%d)=%d")

// Integer axis queries: name, command format (axis).
#define KORVAN_AXIS_INT_QUERIES(X)                                                                 \
    X(AxisEnable, "?AXIS_ENABLE(%d)")                                                              \
    X(Idle, "?IDLE(%d)")                                                                           \
    X(Mark, "?MARK(%d)")                                                                           \
    X(MarkB, "?MARKB(%d)")                                                                         \
    X(MoveCurmark, "?MOVE_CURMARK(%d)")                                                            \
    X(Mtype, "?MTYPE(%d)")                                                                         \
    X(RemainBuffer1, "?REMAIN_BUFFER(1) AXIS(%d)")

// Real axis queries: name, command format (axis).
#define KORVAN_AXIS_REAL_QUERIES(X)                                                                \
    X(EndmoveBuffer, "?ENDMOVE_BUFFER(%d)")                                                        \
    X(RegPos, "?REG_POS(%d)")                                                                      \
    X(RegPosB, "?REG_POSB(%d)")

KORVAN_CMD_BEGIN

#define KORVAN_ENUM_ENTRY(name, format) name,
enum class AxisReal
{
    KORVAN_AXIS_REAL_SETTERS(KORVAN_ENUM_ENTRY)
};
enum class AxisInt
{
    KORVAN_AXIS_INT_SETTERS(KORVAN_ENUM_ENTRY)
};
enum class AxisIntQuery
{
    KORVAN_AXIS_INT_QUERIES(KORVAN_ENUM_ENTRY)
};
enum class AxisRealQuery
{
    KORVAN_AXIS_REAL_QUERIES(KORVAN_ENUM_ENTRY)
};
#undef KORVAN_ENUM_ENTRY

// Sends one setter of the tables above.
int SetAxisReal(ControllerHandle handle, AxisReal which, int axis, float value);
int SetAxisInt(ControllerHandle handle, AxisInt which, int axis, int value);
// Runs one query of the tables above.
int QueryAxisInt(ControllerHandle handle, AxisIntQuery which, int axis, int32_t* out);
int QueryAxisReal(ControllerHandle handle, AxisRealQuery which, int axis, float* out);

// SetAccel(h, axis, value), QueryIdle(h, axis, &out), ...: one per table row.
#define KORVAN_REAL_SETTER(name, format)                                                           \
    inline int Set##name(ControllerHandle handle, int axis, float value)                           \
    {                                                                                              \
        return SetAxisReal(handle, AxisReal::name, axis, value);                                   \
    }
#define KORVAN_INT_SETTER(name, format)                                                            \
    inline int Set##name(ControllerHandle handle, int axis, int value)                             \
    {                                                                                              \
        return SetAxisInt(handle, AxisInt::name, axis, value);                                     \
    }
#define KORVAN_INT_QUERY(name, format)                                                             \
    inline int Query##name(ControllerHandle handle, int axis, int32_t* out)                        \
    {                                                                                              \
        return QueryAxisInt(handle, AxisIntQuery::name, axis, out);                                \
    }
#define KORVAN_REAL_QUERY(name, format)                                                            \
    inline int Query##name(ControllerHandle handle, int axis, float* out)                          \
    {                                                                                              \
        return QueryAxisReal(handle, AxisRealQuery::name, axis, out);                              \
    }
KORVAN_AXIS_REAL_SETTERS(KORVAN_REAL_SETTER)
KORVAN_AXIS_INT_SETTERS(KORVAN_INT_SETTER)
KORVAN_AXIS_INT_QUERIES(KORVAN_INT_QUERY)
KORVAN_AXIS_REAL_QUERIES(KORVAN_REAL_QUERY)
#undef KORVAN_REAL_SETTER
#undef KORVAN_INT_SETTER
#undef KORVAN_INT_QUERY
#undef KORVAN_REAL_QUERY

// "?%s(%d)" (name, axis) read as a float.
int QueryAxisParameter(ControllerHandle handle, const char* name, int axis, float* out);
// "?REMAIN_BUFFER(%d) AXIS(%d)" (mode, axis).
int QueryRemainBuffer(ControllerHandle handle, int mode, int axis, int32_t* out);

// "?%s" (name) read as a float.
int QueryNamedValue(ControllerHandle handle, const char* name, float* out);
// "%s = %f" (name, value); the workbench build refuses the value 0 with 30002.
int SetNamedValue(ControllerHandle handle, const char* name, float value);

KORVAN_CMD_END
