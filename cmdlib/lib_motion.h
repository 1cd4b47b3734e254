// Motion commands of the library set. Name(h, ...) sends the command through
// ExecuteCommand with a reply buffer; NameDirect(h, ...), where the table's
// last column is 1, sends it through ExecuteDirect without one. No argument
// checks; the arguments follow the format's placeholders in order.
#pragma once

#include "cmdlib/lib_send.h"

// name, format, parameters, arguments, has a direct form
#define KORVAN_LIB_MOTION(X)                                                                       \
    X(MoveCirc, "MOVECIRC(%f,%f,%f,%f,%d)", (float a, float b, float c, float d, int e),           \
      (a, b, c, d, e), 1)                                                                          \
    X(MoveCircSp, "MOVECIRCSP(%f,%f,%f,%f,%d)", (float a, float b, float c, float d, int e),       \
      (a, b, c, d, e), 1)                                                                          \
    X(MoveCircAbs, "MOVECIRCABS(%f,%f,%f,%f,%d)", (float a, float b, float c, float d, int e),     \
      (a, b, c, d, e), 1)                                                                          \
    X(MoveCircAbsSp, "MOVECIRCABSSP(%f,%f,%f,%f,%d)", (float a, float b, float c, float d, int e), \
      (a, b, c, d, e), 1)                                                                          \
    X(MoveCirc2, "MOVECIRC2(%f,%f,%f,%f)", (float a, float b, float c, float d), (a, b, c, d), 1)  \
    X(MoveCirc2Abs, "MOVECIRC2ABS(%f,%f,%f,%f)", (float a, float b, float c, float d),             \
      (a, b, c, d), 1)                                                                             \
    X(MoveCirc2Sp, "MOVECIRC2SP(%f,%f,%f,%f)", (float a, float b, float c, float d), (a, b, c, d), \
      1)                                                                                           \
    X(MoveCirc2AbsSp, "MOVECIRC2ABSSP(%f,%f,%f,%f)", (float a, float b, float c, float d),         \
      (a, b, c, d), 1)                                                                             \
    X(MHelical, "MHELICAL(%f,%f,%f,%f,%d,%f,%d)",                                                  \
      (float a, float b, float c, float d, int e, float f, int g), (a, b, c, d, e, f, g), 1)       \
    X(MHelicalAbs, "MHELICALABS(%f,%f,%f,%f,%d,%f,%d)",                                            \
      (float a, float b, float c, float d, int e, float f, int g), (a, b, c, d, e, f, g), 1)       \
    X(MHelicalSp, "MHELICALSP(%f,%f,%f,%f,%d,%f,%d)",                                              \
      (float a, float b, float c, float d, int e, float f, int g), (a, b, c, d, e, f, g), 1)       \
    X(MHelicalAbsSp, "MHELICALABSSP(%f,%f,%f,%f,%d,%f,%d)",                                        \
      (float a, float b, float c, float d, int e, float f, int g), (a, b, c, d, e, f, g), 1)       \
    X(MHelical2, "MHELICAL2(%f,%f,%f,%f,%f,%d)",                                                   \
      (float a, float b, float c, float d, float e, int f), (a, b, c, d, e, f), 1)                 \
    X(MHelical2Abs, "MHELICAL2ABS(%f,%f,%f,%f,%f,%d)",                                             \
      (float a, float b, float c, float d, float e, int f), (a, b, c, d, e, f), 1)                 \
    X(MHelical2Sp, "MHELICAL2SP(%f,%f,%f,%f,%f,%d)",                                               \
      (float a, float b, float c, float d, float e, int f), (a, b, c, d, e, f), 1)                 \
    X(MHelical2AbsSp, "MHELICAL2ABSSP(%f,%f,%f,%f,%f,%d)",                                         \
      (float a, float b, float c, float d, float e, int f), (a, b, c, d, e, f), 1)                 \
    X(MEclipse, "MECLIPSE(%f,%f,%f,%f,%d,%f,%f)",                                                  \
      (float a, float b, float c, float d, int e, float f, float g), (a, b, c, d, e, f, g), 1)     \
    X(MEclipseAbs, "MECLIPSEABS(%f,%f,%f,%f,%d,%f,%f)",                                            \
      (float a, float b, float c, float d, int e, float f, float g), (a, b, c, d, e, f, g), 1)     \
    X(MEclipseSp, "MECLIPSESP(%f,%f,%f,%f,%d,%f,%f)",                                              \
      (float a, float b, float c, float d, int e, float f, float g), (a, b, c, d, e, f, g), 1)     \
    X(MEclipseAbsSp, "MECLIPSEABSSP(%f,%f,%f,%f,%d,%f,%f)",                                        \
      (float a, float b, float c, float d, int e, float f, float g), (a, b, c, d, e, f, g), 1)     \
    X(MEclipse8, "MECLIPSE(%f,%f,%f,%f,%d,%f,%f,%f)",                                              \
      (float a, float b, float c, float d, int e, float f, float g, float i),                      \
      (a, b, c, d, e, f, g, i), 1)                                                                 \
    X(MEclipse8Abs, "MECLIPSEABS(%f,%f,%f,%f,%d,%f,%f,%f)",                                        \
      (float a, float b, float c, float d, int e, float f, float g, float i),                      \
      (a, b, c, d, e, f, g, i), 1)                                                                 \
    X(MEclipse8Sp, "MECLIPSESP(%f,%f,%f,%f,%d,%f,%f,%f)",                                          \
      (float a, float b, float c, float d, int e, float f, float g, float i),                      \
      (a, b, c, d, e, f, g, i), 1)                                                                 \
    X(MEclipse8AbsSp, "MECLIPSEABSSP(%f,%f,%f,%f,%d,%f,%f,%f)",                                    \
      (float a, float b, float c, float d, int e, float f, float g, float i),                      \
      (a, b, c, d, e, f, g, i), 1)                                                                 \
    X(MSpherical, "MSPHERICAL(%f,%f,%f,%f,%f,%f,%d)",                                              \
      (float a, float b, float c, float d, float e, float f, int g), (a, b, c, d, e, f, g), 1)     \
    X(MSphericalSp, "MSPHERICALSP(%f,%f,%f,%f,%f,%f,%d)",                                          \
      (float a, float b, float c, float d, float e, float f, int g), (a, b, c, d, e, f, g), 1)     \
    X(MovePause, "MOVE_PAUSE(%d)", (int mode), (mode), 1)                                          \
    X(MoveOp, "MOVE_OP(%d,%d)", (int output, int state), (output, state), 1)                       \
    X(MoveOp3, "MOVE_OP(%d,%d,%d)", (int output, int count, int state), (output, count, state), 1) \
    X(MoveOp2, "MOVE_OP2(%d,%d,%d)", (int output, int state, int time), (output, state, time), 1)  \
    X(MoveWa, "MOVE_WA(%d)", (int time), (time), 1)                                                \
    X(Cam, "CAM(%d,%d,%f,%f)", (int first, int last, float multiplier, float distance),            \
      (first, last, multiplier, distance), 1)                                                      \
    X(CamBox, "CAMBOX(%d,%d,%f,%f,%d,%d,%f)",                                                      \
      (int first, int last, float multiplier, float distance, int linkAxis, int option,            \
       float linkPosition),                                                                        \
      (first, last, multiplier, distance, linkAxis, option, linkPosition), 1)                      \
    X(ConnPath, "CONNPATH(%f,%d)", (float ratio, int axis), (ratio, axis), 0)                      \
    X(Connect, "CONNECT(%f,%d)", (float ratio, int axis), (ratio, axis), 0)                        \
    X(MoveLink, "MOVELINK(%f,%f,%f,%f,%d,%d,%f)",                                                  \
      (float distance, float linkDistance, float accelDistance, float decelDistance, int linkAxis, \
       int option, float linkPosition),                                                            \
      (distance, linkDistance, accelDistance, decelDistance, linkAxis, option, linkPosition), 1)   \
    X(Regist, "REGIST(%d)", (int mode), (mode), 1)                                                 \
    X(RapidStop, "RAPIDSTOP(%d)", (int mode), (mode), 1)                                           \
    X(VMove, "VMOVE(%d) AXIS(%d)", (int direction, int axis), (direction, axis), 0)                \
    X(Move, "MOVE(%f) AXIS(%d)", (float distance, int axis), (distance, axis), 1)                  \
    X(MoveAbs, "MOVEABS(%f) AXIS(%d)", (float position, int axis), (position, axis), 1)            \
    X(MoveModify, "MOVEMODIFY(%f) AXIS(%d)", (float position, int axis), (position, axis), 0)      \
    X(AddAx, "ADDAX(%d) AXIS(%d)", (int source, int axis), (source, axis), 0)                      \
    X(Cancel, "CANCEL(%d) AXIS(%d)", (int mode, int axis), (mode, axis), 1)                        \
    X(Datum, "DATUM(%d) AXIS(%d)", (int mode, int axis), (mode, axis), 0)                          \
    X(EncoderRatio, "ENCODER_RATIO(%d,%d) AXIS(%d)", (int first, int second, int axis),            \
      (first, second, axis), 0)                                                                    \
    X(StepRatio, "STEP_RATIO(%d,%d) AXIS(%d)", (int first, int second, int axis),                  \
      (first, second, axis), 0)                                                                    \
    X(Op, "OP(%d,%d)", (int output, int state), (output, state), 1)

KORVAN_CMD_BEGIN

namespace lib {

#define KORVAN_LIB_MOTION_WRAPPERS(name, format, params, args, direct)                             \
    inline int name(ControllerHandle handle, KORVAN_STRIP params)                                  \
    {                                                                                              \
        return detail::send(handle, Base::Command, ReplyBuffer::Given, format, KORVAN_STRIP args); \
    }                                                                                              \
    KORVAN_IF(                                                                                     \
        direct, inline int name##Direct(ControllerHandle handle, KORVAN_STRIP params) {            \
            return detail::send(handle, Base::Direct, ReplyBuffer::None, format,                   \
                                KORVAN_STRIP args);                                                \
        })
KORVAN_LIB_MOTION(KORVAN_LIB_MOTION_WRAPPERS)
#undef KORVAN_LIB_MOTION_WRAPPERS

// "MOVE_RESUME", buffered and direct.
inline int MoveResume(ControllerHandle handle)
{
    return detail::send(handle, Base::Command, ReplyBuffer::Given, "%s", "MOVE_RESUME");
}
inline int MoveResumeDirect(ControllerHandle handle)
{
    return detail::send(handle, Base::Direct, ReplyBuffer::None, "%s", "MOVE_RESUME");
}

} // namespace lib

KORVAN_CMD_END
