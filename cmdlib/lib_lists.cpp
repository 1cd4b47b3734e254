#include "cmdlib/lib_lists.h"

#include "cmdlib/axis_list.h"
#include "cmdlib/command.h"
#include "cmdlib/error_codes.h"

KORVAN_CMD_BEGIN

namespace lib {

namespace {

#define KORVAN_OPENING_ENTRY(name, opening) opening,
constexpr const char* kFloatLists[] = {KORVAN_LIB_FLOAT_LISTS(KORVAN_OPENING_ENTRY)};
constexpr const char* kDirectFloatLists[] = {KORVAN_LIB_DIRECT_FLOAT_LISTS(KORVAN_OPENING_ENTRY)};
#undef KORVAN_OPENING_ENTRY

// The first value is read before the list is built, so an empty list is refused.
bool listRefused(const void* values, int count)
{
    return !values || count < 1;
}

} // namespace

int BaseList(ControllerHandle handle, const int* axes, int count)
{
    if (listRefused(axes, count))
        return kErrInvalidArgument;
    return Send(handle, Base::Command, korvan::cmd::detail::intList("BASE(", axes, count));
}

int BaseListDirect(ControllerHandle handle, const int* axes, int count)
{
    if (listRefused(axes, count))
        return kErrInvalidArgument;
    return Send(handle, Base::Direct, korvan::cmd::detail::intList("BASE(", axes, count),
                ReplyBuffer::None);
}

int SendFloatList(ControllerHandle handle, FloatList which, const float* values, int count)
{
    if (listRefused(values, count))
        return kErrInvalidArgument;
    return Send(
        handle, Base::Command,
        korvan::cmd::detail::floatList(kFloatLists[static_cast<int>(which)], values, count));
}

int SendFloatListDirect(ControllerHandle handle, DirectFloatList which, const float* values,
                        int count)
{
    if (listRefused(values, count))
        return kErrInvalidArgument;
    return Send(
        handle, Base::Direct,
        korvan::cmd::detail::floatList(kDirectFloatLists[static_cast<int>(which)], values, count),
        ReplyBuffer::None);
}

int BaseMoveAbsDirect(ControllerHandle handle, const int* axes, const float* positions, int count)
{
    if (listRefused(axes, count) || !positions)
        return kErrInvalidArgument;
    CommandText command = korvan::cmd::detail::intList("BASE(", axes, count);
    command.separator().add("%s",
                            korvan::cmd::detail::floatList("MOVEABS(", positions, count).c_str());
    return Send(handle, Base::Direct, command, ReplyBuffer::None);
}

int CancelAxesDirect(ControllerHandle handle, int mode, const int* axes, int count)
{
    if (listRefused(axes, count))
        return kErrInvalidArgument;
    CommandText command;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            command.separator();
        command.add("CANCEL(%d) AXIS(%d)", mode, axes[i]);
    }
    return Send(handle, Base::Direct, command, ReplyBuffer::None);
}

int MoveSpWithProfile(ControllerHandle handle, float startSpeed, float endSpeed, float forceSpeed,
                      const float* distances, int count)
{
    if (!distances || count < 1 || count > kMaxProfileValues)
        return kErrInvalidArgument;
    CommandText profile;
    profile.add("STARTMOVE_SPEED=%.4f", startSpeed)
        .separator()
        .add("ENDMOVE_SPEED=%.4f", endSpeed)
        .separator()
        .add("FORCE_SPEED=%.4f", forceSpeed);
    if (const int code = Send(handle, Base::Command, profile); code != 0)
        return code;
    return Send(handle, Base::Command, korvan::cmd::detail::floatList("MOVESP(", distances, count));
}

} // namespace lib

KORVAN_CMD_END
