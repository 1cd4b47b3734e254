#include "cmdlib/block_query.h"

#include "cmdlib/command.h"
#include "cmdlib/error_codes.h"
#include "cmdlib/parse.h"

#include <algorithm>
#include <functional>
#include <string>

KORVAN_CMD_BEGIN

namespace {

int parseInto(const char* text, int count, float* out)
{
    return ParseFloatList(text, count, out);
}
int parseInto(const char* text, int count, int32_t* out)
{
    return ParseIntList(text, count, out);
}

enum class EmptyReply
{
    Refused,
    Parsed
};

// Builds the command asking for n values from offset done of the block.
using BlockBuilder = std::function<CommandText(int done, int n)>;

template <typename T>
int readBlocks(ControllerHandle handle, Base base, int count, int perCommand, EmptyReply empty,
               const BlockBuilder& build, T* out)
{
    if (!out || count < 0)
        return kErrInvalidArgument;
    std::string reply;
    for (int done = 0; done < count; done += perCommand) {
        const int n = std::min(perCommand, count - done);
        const int code = SendQuery(handle, base, build(done, n), reply);
        if (code != 0 && !(code == kErrEmptyReply && empty == EmptyReply::Parsed))
            return code;
        if (const int parsed = parseInto(reply.c_str(), n, out + done); parsed != 0)
            return parsed;
    }
    return kOk;
}

// "?" followed by n items, each item formatted with the item's index;
// the last item may take its own format.
CommandText itemList(const char* item, const char* lastItem, int first, int n)
{
    CommandText command;
    command.add("?");
    for (int i = 0; i < n; ++i)
        command.add(i + 1 < n ? item : lastItem, first + i);
    return command;
}

template <typename T>
int readSpaceItems(ControllerHandle handle, const char* item, int start, int count, T* out)
{
    return readBlocks(
        handle, Base::Direct, count, kSpaceItemsPerCommand, EmptyReply::Refused,
        [&](int done, int n) { return itemList(item, item, start + done, n); }, out);
}

int readPwmBank(ControllerHandle handle, const char* item, int start, int count, float* out)
{
    if (start < 0 || bankCountRefused(count))
        return kErrInvalidArgument;
    return readBlocks(
        handle, Base::Command, count, kPwmItemsPerCommand, EmptyReply::Parsed,
        [&](int done, int n) { return itemList(item, item, start + done, n); }, out);
}

} // namespace

int QueryNamedBlock(ControllerHandle handle, const char* name, int count, float* out)
{
    if (!name || (kPolicy.checksArguments && count > kMaxNamedBlock))
        return kErrInvalidArgument;
    return readBlocks(
        handle, Base::Direct, count, std::max(count, 1), EmptyReply::Refused,
        [&](int, int) { return Format("?*%s", name); }, out);
}

int QueryRangeBlock(ControllerHandle handle, const char* name, int start, int count, float* out)
{
    if (!name)
        return kErrInvalidArgument;
    return readBlocks(
        handle, Base::Direct, count, kRangeItemsPerCommand, EmptyReply::Refused,
        [&](int done, int n) { return Format("?*%s(%d,%d)", name, start + done, n); }, out);
}

int QueryTableRange(ControllerHandle handle, int start, int count, float* out)
{
    return readBlocks(
        handle, Base::Direct, count, kRangeItemsPerCommand, EmptyReply::Refused,
        [&](int done, int) { return Format("?*TABLE(%d,30)", start + done); }, out);
}

int QueryInvertInBank(ControllerHandle handle, int start, int count, int32_t* out)
{
    if (bankCountRefused(count))
        return kErrInvalidArgument;
    return readBlocks(
        handle, Base::Command, count, kCommaItemsPerCommand, EmptyReply::Refused,
        [&](int done, int n) {
            return itemList("INVERT_IN(%d),", "INVERT_IN(%d)", start + done, n);
        },
        out);
}

int QueryPwmDutyBank(ControllerHandle handle, int start, int count, float* out)
{
    return readPwmBank(handle, "PWM_DUTY(%d),", start, count, out);
}

int QueryPwmFreqBank(ControllerHandle handle, int start, int count, float* out)
{
    return readPwmBank(handle, "PWM_FREQ(%d),", start, count, out);
}

int QueryVrBlock(ControllerHandle handle, int start, int count, float* out)
{
    return readSpaceItems(handle, "vr(%d) ", start, count, out);
}

int QueryVrIntBlock(ControllerHandle handle, int start, int count, int32_t* out)
{
    return readSpaceItems(handle, "vr_int(%d) ", start, count, out);
}

int QueryTableBlock(ControllerHandle handle, int start, int count, float* out)
{
    return readSpaceItems(handle, "TABLE(%d) ", start, count, out);
}

KORVAN_CMD_END
