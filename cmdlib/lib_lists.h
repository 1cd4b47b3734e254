// Axis lists of the library set: "NAME(v0,v1,...,vn)". A count below 1 (or a
// null list) gives 30002 and sends nothing.
#pragma once

#include "cmdlib/variant.h"
#include "link/korvan.h"

KORVAN_CMD_BEGIN

namespace lib {

// Buffered float lists: name, opening.
#define KORVAN_LIB_FLOAT_LISTS(X)                                                                  \
    X(DefPos, "DEFPOS(")                                                                           \
    X(Move, "MOVE(")                                                                               \
    X(MoveSp, "MOVESP(")                                                                           \
    X(MoveAbs, "MOVEABS(")                                                                         \
    X(MoveAbsSp, "MOVEABSSP(")                                                                     \
    X(MoveModify, "MOVEMODIFY(")

// Direct float lists without reply buffer: name, opening.
#define KORVAN_LIB_DIRECT_FLOAT_LISTS(X)                                                           \
    X(Move, "MOVE(")                                                                               \
    X(MoveSp, "MOVESP(")                                                                           \
    X(MoveAbs, "MOVEABS(")                                                                         \
    X(MoveAbsSp, "MOVEABSSP(")                                                                     \
    X(MoveModify, "MOVEMODIFY(")

#define KORVAN_ENUM_ENTRY(name, opening) name,
enum class FloatList
{
    KORVAN_LIB_FLOAT_LISTS(KORVAN_ENUM_ENTRY)
};
enum class DirectFloatList
{
    KORVAN_LIB_DIRECT_FLOAT_LISTS(KORVAN_ENUM_ENTRY)
};
#undef KORVAN_ENUM_ENTRY

// "BASE(" with the axes: buffered with reply buffer, and direct without.
int BaseList(ControllerHandle handle, const int* axes, int count);
int BaseListDirect(ControllerHandle handle, const int* axes, int count);
// One of the float lists above.
int SendFloatList(ControllerHandle handle, FloatList which, const float* values, int count);
int SendFloatListDirect(ControllerHandle handle, DirectFloatList which, const float* values,
                        int count);
// The "BASE(" list and the "MOVEABS(" list joined into one direct command.
int BaseMoveAbsDirect(ControllerHandle handle, const int* axes, const float* positions, int count);
// One "CANCEL(%d) AXIS(%d)" per axis (mode, axis) in one direct command.
int CancelAxesDirect(ControllerHandle handle, int mode, const int* axes, int count);

// The most values a speed-profile move takes.
inline constexpr int kMaxProfileValues = 32;
// Buffered "STARTMOVE_SPEED=%.4f", "ENDMOVE_SPEED=%.4f" and "FORCE_SPEED=%.4f"
// in one command, then, if it succeeded, the buffered "MOVESP(" list.
// count must be 1 to 32 (else 30002).
int MoveSpWithProfile(ControllerHandle handle, float startSpeed, float endSpeed, float forceSpeed,
                      const float* distances, int count);

} // namespace lib

KORVAN_CMD_END
