#include "cmdlib/axis.h"

#include "cmdlib/command.h"
#include "cmdlib/error_codes.h"

KORVAN_CMD_BEGIN

namespace {

#define KORVAN_FORMAT_ENTRY(name, format) format,
constexpr const char* kRealSetters[] = {KORVAN_AXIS_REAL_SETTERS(KORVAN_FORMAT_ENTRY)};
constexpr const char* kIntSetters[] = {KORVAN_AXIS_INT_SETTERS(KORVAN_FORMAT_ENTRY)};
constexpr const char* kIntQueries[] = {KORVAN_AXIS_INT_QUERIES(KORVAN_FORMAT_ENTRY)};
constexpr const char* kRealQueries[] = {KORVAN_AXIS_REAL_QUERIES(KORVAN_FORMAT_ENTRY)};
#undef KORVAN_FORMAT_ENTRY

template <typename Enum> const char* formatOf(const char* const* table, Enum which)
{
    return table[static_cast<int>(which)];
}

} // namespace

int SetAxisReal(ControllerHandle handle, AxisReal which, int axis, float value)
{
    if (axisRefused(axis))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, Format(formatOf(kRealSetters, which), axis, value));
}

int SetAxisInt(ControllerHandle handle, AxisInt which, int axis, int value)
{
    if (axisRefused(axis))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, Format(formatOf(kIntSetters, which), axis, value));
}

int QueryAxisInt(ControllerHandle handle, AxisIntQuery which, int axis, int32_t* out)
{
    if (axisRefused(axis) || !out)
        return kErrInvalidArgument;
    return QueryInt(handle, Base::Direct, Format(formatOf(kIntQueries, which), axis), out);
}

int QueryAxisReal(ControllerHandle handle, AxisRealQuery which, int axis, float* out)
{
    if (axisRefused(axis) || !out)
        return kErrInvalidArgument;
    return QueryFloat(handle, Base::Direct, Format(formatOf(kRealQueries, which), axis), out);
}

int QueryAxisParameter(ControllerHandle handle, const char* name, int axis, float* out)
{
    if (!name || axisRefused(axis) || !out)
        return kErrInvalidArgument;
    return QueryFloat(handle, Base::Direct, Format("?%s(%d)", name, axis), out);
}

int QueryRemainBuffer(ControllerHandle handle, int mode, int axis, int32_t* out)
{
    if (axisRefused(axis) || !out)
        return kErrInvalidArgument;
    return QueryInt(handle, Base::Direct, Format("?REMAIN_BUFFER(%d) AXIS(%d)", mode, axis), out);
}

int QueryNamedValue(ControllerHandle handle, const char* name, float* out)
{
    if (!name || !out)
        return kErrInvalidArgument;
    return QueryFloat(handle, Base::Direct, Format("?%s", name), out);
}

int SetNamedValue(ControllerHandle handle, const char* name, float value)
{
    if (!name || (kPolicy.checksArguments && value == 0.0f))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, Format("%s = %f", name, value));
}

KORVAN_CMD_END
