#include "cmdlib/lib_axis.h"

#include "cmdlib/error_codes.h"

KORVAN_CMD_BEGIN

namespace lib {

int SetAxisParameter(ControllerHandle handle, const char* name, int axis, float value)
{
    if (!name)
        return kErrInvalidArgument;
    return detail::send(handle, Base::Command, ReplyBuffer::Given, "%s(%d)=%f", name, axis, value);
}

int SetAxisParameterDirect(ControllerHandle handle, const char* name, int axis, float value)
{
    if (!name)
        return kErrInvalidArgument;
    return detail::send(handle, Base::Direct, ReplyBuffer::Given, "%s(%d)=%f", name, axis, value);
}

int SetLimits(ControllerHandle handle, int axis, float forward, float reverse)
{
    CommandText command;
    command.add("FS_LIMIT(%d)=%f", axis, forward).separator().add("RS_LIMIT(%d)=%f", axis, reverse);
    return Send(handle, Base::Command, command);
}

int SetHomeInputs(ControllerHandle handle, int axis, int datumIn, int forwardIn, int reverseIn)
{
    CommandText command;
    command.add("DATUM_IN(%d)=%d", axis, datumIn)
        .separator()
        .add("FWD_IN(%d)=%d", axis, forwardIn)
        .separator()
        .add("REV_IN(%d)=%d", axis, reverseIn);
    return Send(handle, Base::Command, command);
}

int QueryAxisParameter(ControllerHandle handle, const char* name, int axis, float* out)
{
    if (!name)
        return kErrInvalidArgument;
    return detail::queryFloat(handle, Base::Command, out, "?%s(%d)", name, axis);
}

int QueryAxisParameterDirect(ControllerHandle handle, const char* name, int axis, float* out)
{
    if (!name)
        return kErrInvalidArgument;
    return detail::queryFloat(handle, Base::Direct, out, "?%s(%d)", name, axis);
}

int QueryNamedFloat(ControllerHandle handle, const char* name, float* out)
{
    if (!name)
        return kErrInvalidArgument;
    return detail::queryFloat(handle, Base::Command, out, "?%s", name);
}

int QueryNamedInt(ControllerHandle handle, const char* name, int32_t* out)
{
    if (!name)
        return kErrInvalidArgument;
    return detail::queryInt(handle, Base::Command, out, "?%s", name);
}

int QueryNamedFloatDirect(ControllerHandle handle, const char* name, float* out)
{
    if (!name)
        return kErrInvalidArgument;
    return detail::queryFloat(handle, Base::Direct, out, "?%s", name);
}

int QueryNamedIntDirect(ControllerHandle handle, const char* name, int32_t* out)
{
    if (!name)
        return kErrInvalidArgument;
    return detail::queryInt(handle, Base::Direct, out, "?%s", name);
}

} // namespace lib

KORVAN_CMD_END
