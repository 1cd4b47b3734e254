#include "cmdlib/motion.h"

#include "cmdlib/axis_list.h"
#include "cmdlib/command.h"
#include "cmdlib/error_codes.h"

KORVAN_CMD_BEGIN

namespace {

// A list of count values: at least one; the workbench build takes at most 128.
bool listRefused(const void* values, int count)
{
    return !values || count < 1 || (kPolicy.checksArguments && count > kMaxAxis);
}

} // namespace

int MoveWait(ControllerHandle handle, int axis, int timeMs)
{
    CommandText command;
    command.add("BASE(%d)", axis).separator().add("MOVE_WA(%d)", timeMs);
    return Send(handle, Base::Direct, command);
}

int VMove(ControllerHandle handle, int direction, int axis)
{
    if (axisRefused(axis))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, Format("VMOVE(%d) AXIS(%d)", direction, axis));
}

int CancelAxis(ControllerHandle handle, int axis)
{
    if (axisRefused(axis))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, Format("CANCEL(%d) AXIS(%d)", 2, axis));
}

int Regist(ControllerHandle handle, int mode, int axis)
{
    if (axisRefused(axis))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, Format("REGIST(%d) AXIS(%d)", mode, axis), ReplyBuffer::None);
}

int Move(ControllerHandle handle, float distance, int axis)
{
    if (axisRefused(axis))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, Format("MOVE(%f) AXIS(%d)", distance, axis),
                ReplyBuffer::None);
}

int MoveAbs(ControllerHandle handle, float position, int axis)
{
    if (axisRefused(axis))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, Format("MOVEABS(%f) AXIS(%d)", position, axis),
                ReplyBuffer::None);
}

int PSwitch(ControllerHandle handle, int comparator, int enable, int axis, int output,
            int outputState, float firstPosition, float secondPosition)
{
    return Send(handle, Base::Command,
                Format("PSWITCH(%d,%d,%d,%d,%d,%f,%f)", comparator, enable, axis, output,
                       outputState, firstPosition, secondPosition));
}

int DatumWithStopReasonReset(ControllerHandle handle, int axis, int mode)
{
    if (axisRefused(axis))
        return kErrInvalidArgument;
    CommandText command;
    command.add("AXIS_STOPREASON(%d) = 0", axis)
        .separator()
        .add("DATUM(21,%d) AXIS(%d)", mode, axis);
    return Send(handle, Base::Direct, command);
}

CommandText HomingScriptText(int axis, int mode, float speed, float creep, float distance)
{
    CommandText command;
    command.add("BASE(%d)", axis).separator();
    command.add("Axis_stopreason=0").separator();
    command.add("Speed=%f", speed).separator();
    command.add("Creep=%f", creep).separator();
    // Modes 31 to 39 except 37 search in two passes: a datum with mode - 20,
    // a move away at creep speed, then the same datum again.
    if (mode >= 31 && mode <= 39 && mode != 37) {
        command.add("datum(%d)", mode - 20).separator();
        command.add("Move_Para(Speed,%d,%f)", axis, creep).separator();
        command.add("MOVE(%f)", distance).separator();
        command.add("datum(%d)", mode - 20);
    } else {
        command.add("datum(%d)", mode);
    }
    return command;
}

bool RunHomingScript(ControllerHandle handle, int axis, int mode, float speed, float creep,
                     float distance)
{
    if (axisRefused(axis))
        return true;
    return Send(handle, Base::Direct, HomingScriptText(axis, mode, speed, creep, distance)) != 0;
}

int BaseList(ControllerHandle handle, const int* axes, int count)
{
    if (listRefused(axes, count))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, detail::intList("BASE(", axes, count), ReplyBuffer::None);
}

int MoveSpList(ControllerHandle handle, const float* distances, int count)
{
    if (listRefused(distances, count))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, detail::floatList("MOVESP(", distances, count),
                ReplyBuffer::None);
}

int MoveAbsSpList(ControllerHandle handle, const float* positions, int count)
{
    if (listRefused(positions, count))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, detail::floatList("MOVEABSSP(", positions, count),
                ReplyBuffer::None);
}

int MoveModifyList(ControllerHandle handle, float position)
{
    return Send(handle, Base::Direct, detail::floatList("MOVEMODIFY(", &position, 1),
                ReplyBuffer::None);
}

KORVAN_CMD_END
