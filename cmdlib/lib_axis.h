// Axis and I/O setters and queries of the library set. SetName / QueryName
// go through ExecuteCommand, the ...Direct forms through ExecuteDirect; all
// with a 2048-byte reply buffer and without argument checks (a null output
// still gives 30002). Queries follow the single-value rule.
#pragma once

#include "cmdlib/lib_send.h"

#include <cstdint>

// Buffered axis setters: name, format (axis, value), value type.
#define KORVAN_LIB_AXIS_SETTERS(X)                                                                 \
    X(Atype, "ATYPE(%d)=%d", int)                                                                  \
    X(Merge, "MERGE(%d)=%d", int)                                                                  \
    X(Units, "UNITS(%d)=%f", float)                                                                \
    X(Speed, "SPEED(%d)=%f", float)                                                                \
    X(Accel, "ACCEL(%d)=%f", float)                                                                \
    X(Decel, "DECEL(%d)=%f", float)                                                                \
    X(FastDec, "FASTDEC(%d)=%f", float)                                                            \
    X(ForceSpeed, "FORCE_SPEED(%d)=%f", float)                                                     \
    X(StartMoveSpeed, "STARTMOVE_SPEED(%d)=%f", float)                                             \
    X(EndMoveSpeed, "ENDMOVE_SPEED(%d)=%f", float)                                                 \
    X(Lspeed, "LSPEED(%d)=%f", float)                                                              \
    X(Creep, "CREEP(%d)=%f", float)                                                                \
    X(CornerMode, "CORNER_MODE(%d)=%d", int)                                                       \
    X(InvertStep, "INVERT_STEP(%d)=%d", int)                                                       \
    X(DecelAngle, "DECEL_ANGLE(%d)=%.3f", float)                                                   \
    X(StopAngle, "STOP_ANGLE(%d)=%.3f", float)                                                     \
    X(FullSpRadius, "FULL_SP_RADIUS(%d)=%.3f", float)                                              \
    X(Sramp, "SRAMP(%d)=%d", int)                                                                  \
    X(Dpos, "DPOS(%d)=%f", float)                                                                  \
    X(Mpos, "MPOS(%d)=%f", float)                                                                  \
    X(Offpos, "OFFPOS(%d)=%f", float)                                                              \
    X(Aout, "AOUT(%d)=%f", float)                                                                  \
    X(InvertIn, "INVERT_IN(%d,%d)", int)

// Direct axis setters: name, format (axis, value).
#define KORVAN_LIB_DIRECT_SETTERS(X)                                                               \
    X(ForceSpeed, "FORCE_SPEED(%d)=%f")                                                            \
    X(Speed, "SPEED(%d)=%f")

// Queries of one number: name, format (axis or channel), type, buffered form, direct form.
#define KORVAN_LIB_QUERIES(X)                                                                      \
    X(Dpos, "?DPOS(%d)", float, 1, 1)                                                              \
    X(Mpos, "?MPOS(%d)", float, 1, 1)                                                              \
    X(VpSpeed, "?VP_SPEED(%d)", float, 1, 1)                                                       \
    X(Endmove, "?ENDMOVE(%d)", float, 1, 1)                                                        \
    X(EndmoveBuffer, "?ENDMOVE_BUFFER(%d)", float, 1, 1)                                           \
    X(VectorBuffered, "?VECTOR_BUFFERED(%d)", float, 0, 1)                                         \
    X(RegPos, "?REG_POS(%d)", float, 1, 1)                                                         \
    X(Aout, "?AOUT(%d)", float, 1, 0)                                                              \
    X(Ain, "?AIN(%d)", float, 1, 0)                                                                \
    X(Mtype, "?MTYPE(%d)", int32_t, 1, 1)                                                          \
    X(Idle, "?IDLE(%d)", int32_t, 1, 1)                                                            \
    X(Loaded, "?LOADED(%d)", int32_t, 0, 1)                                                        \
    X(AxisStatus, "?AXISSTATUS(%d)", int32_t, 1, 1)                                                \
    X(Encoder, "?ENCODER(%d)", int32_t, 1, 1)                                                      \
    X(RemainBuffer1, "?REMAIN_BUFFER(1) AXIS(%d)", int32_t, 1, 1)                                  \
    X(RemainBuffer, "?REMAIN_BUFFER() AXIS(%d)", int32_t, 1, 1)                                    \
    X(Mark, "?MARK(%d)", int32_t, 1, 1)                                                            \
    X(MarkB, "?MARKB(%d)", int32_t, 1, 1)                                                          \
    X(In, "?IN(%d)", int32_t, 1, 1)                                                                \
    X(Op, "?OP(%d)", int32_t, 1, 1)

KORVAN_CMD_BEGIN

namespace lib {

namespace detail {
inline int query(ControllerHandle h, Base base, float* out, const char* format, int index)
{
    return queryFloat(h, base, out, format, index);
}
inline int query(ControllerHandle h, Base base, int32_t* out, const char* format, int index)
{
    return queryInt(h, base, out, format, index);
}
} // namespace detail

#define KORVAN_LIB_SETTER(name, format, type)                                                      \
    inline int Set##name(ControllerHandle handle, int axis, type value)                            \
    {                                                                                              \
        return detail::send(handle, Base::Command, ReplyBuffer::Given, format, axis, value);       \
    }
KORVAN_LIB_AXIS_SETTERS(KORVAN_LIB_SETTER)
#undef KORVAN_LIB_SETTER

#define KORVAN_LIB_DIRECT_SETTER(name, format)                                                     \
    inline int Set##name##Direct(ControllerHandle handle, int axis, float value)                   \
    {                                                                                              \
        return detail::send(handle, Base::Direct, ReplyBuffer::Given, format, axis, value);        \
    }
KORVAN_LIB_DIRECT_SETTERS(KORVAN_LIB_DIRECT_SETTER)
#undef KORVAN_LIB_DIRECT_SETTER

#define KORVAN_LIB_QUERY(name, format, type, buffered, direct)                                     \
    KORVAN_IF(                                                                                     \
        buffered, inline int Query##name(ControllerHandle handle, int index, type* out) {          \
            return detail::query(handle, Base::Command, out, format, index);                       \
        })                                                                                         \
    KORVAN_IF(                                                                                     \
        direct, inline int Query##name##Direct(ControllerHandle handle, int index, type* out) {    \
            return detail::query(handle, Base::Direct, out, format, index);                        \
        })
KORVAN_LIB_QUERIES(KORVAN_LIB_QUERY)
#undef KORVAN_LIB_QUERY

// "%s(%d)=%f" (name, axis, value), buffered and direct.
int SetAxisParameter(ControllerHandle handle, const char* name, int axis, float value);
int SetAxisParameterDirect(ControllerHandle handle, const char* name, int axis, float value);
// "FS_LIMIT(%d)=%f" and "RS_LIMIT(%d)=%f" in one command (axis, forward, axis, reverse).
int SetLimits(ControllerHandle handle, int axis, float forward, float reverse);
// "DATUM_IN(%d)=%d", "FWD_IN(%d)=%d" and "REV_IN(%d)=%d" in one command.
int SetHomeInputs(ControllerHandle handle, int axis, int datumIn, int forwardIn, int reverseIn);

// "?%s(%d)" (name, axis) as a float, buffered and direct.
int QueryAxisParameter(ControllerHandle handle, const char* name, int axis, float* out);
int QueryAxisParameterDirect(ControllerHandle handle, const char* name, int axis, float* out);
// "?%s" (name) as a float or an integer, buffered and direct.
int QueryNamedFloat(ControllerHandle handle, const char* name, float* out);
int QueryNamedInt(ControllerHandle handle, const char* name, int32_t* out);
int QueryNamedFloatDirect(ControllerHandle handle, const char* name, float* out);
int QueryNamedIntDirect(ControllerHandle handle, const char* name, int32_t* out);

} // namespace lib

KORVAN_CMD_END
