#include "cmdlib/controller_data.h"

#include "cmdlib/command.h"
#include "cmdlib/error_codes.h"
#include "cmdlib/parse.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

KORVAN_CMD_BEGIN

namespace {

constexpr std::string_view kStepSection = "STEP_RATIO:";
constexpr std::string_view kEncoderSection = "ENCODER_RATIO:";

int setRatio(ControllerHandle handle, const char* format, int axis, int first, int second)
{
    CommandText command;
    command.add("base(%d)", axis).separator().add(format, first, second);
    return Send(handle, Base::Command, command);
}

// Parses "a~b c~d ..." into pairs; the number of '~' is the number of pairs.
int parsePairs(std::string section, RatioPairs& out)
{
    int pairs = 0;
    for (char& c : section) {
        if (c == '~') {
            c = ' ';
            ++pairs;
        }
    }
    pairs = std::min(pairs, kMaxRatioPairs);
    out.count = pairs;
    if (pairs == 0)
        return kOk;
    std::vector<float> values(static_cast<std::size_t>(2 * pairs));
    for (int i = 0; i < pairs; ++i) {
        values[2 * i] = out.first[i];
        values[2 * i + 1] = out.second[i];
    }
    const int code = ParseFloatList(section.c_str(), 2 * pairs, values.data());
    for (int i = 0; i < pairs; ++i) {
        out.first[i] = values[2 * i];
        out.second[i] = values[2 * i + 1];
    }
    return code;
}

// The text from skip characters after the start of the section's name up to
// end (npos: the end of the reply); empty when the name is longer than that.
std::string sectionText(const std::string& reply, std::size_t start, std::size_t skip,
                        std::size_t end)
{
    const std::size_t from = start + skip;
    const std::size_t to = std::min(end, reply.size());
    return from < to ? reply.substr(from, to - from) : std::string();
}

int readSetReply(ControllerHandle handle, std::string& reply)
{
    return SendQuery(handle, Base::Command, Format("?*SET"), reply, kLargeReplyCapacity);
}

} // namespace

int SetStepRatio(ControllerHandle handle, int axis, int first, int second)
{
    if (kPolicy.checksArguments && (axis > kMaxAxis || first < 1 || second < 1 ||
                                    first > kMaxRatioTerm || second > kMaxRatioTerm))
        return kErrInvalidArgument;
    return setRatio(handle, "STEP_RATIO(%d,%d)", axis, first, second);
}

int SetEncoderRatio(ControllerHandle handle, int axis, int first, int second)
{
    if (kPolicy.checksArguments &&
        (axis > kMaxAxis || first > kMaxRatioTerm || second > kMaxRatioTerm))
        return kErrInvalidArgument;
    return setRatio(handle, "ENCODER_RATIO(%d,%d)", axis, first, second);
}

int QueryStepRatios(ControllerHandle handle, RatioPairs& out)
{
    std::string reply;
    if (const int code = readSetReply(handle, reply); code != 0)
        return code;
    const std::size_t step = reply.find(kStepSection);
    const std::size_t encoder = reply.find(kEncoderSection);
    if (step == std::string::npos || encoder == std::string::npos || encoder < step)
        return kErrNotNumeric;
    return parsePairs(sectionText(reply, step, kStepSection.size() + 1, encoder), out);
}

int QueryEncoderRatios(ControllerHandle handle, RatioPairs& out)
{
    std::string reply;
    if (const int code = readSetReply(handle, reply); code != 0)
        return code;
    const std::size_t encoder = reply.find(kEncoderSection);
    if (encoder == std::string::npos)
        return kErrNotNumeric;
    return parsePairs(sectionText(reply, encoder, kEncoderSection.size() + 1, std::string::npos),
                      out);
}

int QueryPwmCount(ControllerHandle handle, int32_t* count)
{
    if (!count)
        return kErrInvalidArgument;
    *count = 0;
    std::string reply;
    if (const int code = SendQuery(handle, Base::Command, Format("?*MAX"), reply); code != 0)
        return code;
    constexpr std::string_view key = "max_pwm:";
    const std::size_t at = reply.find(key);
    if (at == std::string::npos)
        return kOk;
    const std::size_t digit = reply.find_first_of("0123456789", at + key.size());
    if (digit == std::string::npos)
        return kOk;
    ParseIntList(reply.c_str() + digit, 1, count);
    return kOk;
}

bool ProbeSysVersion(ControllerHandle handle)
{
    std::string reply;
    const int code = SendQuery(handle, Base::Command, Format("?Sys_version"), reply);
    return (code == 0 || code == kErrEmptyReply) && reply.size() <= 19;
}

int QueryIpAddress(ControllerHandle handle, int32_t* address)
{
    if (!address)
        return kErrInvalidArgument;
    std::string reply;
    if (const int code = SendQuery(handle, Base::Command, Format("?IP_ADDRESS"), reply); code != 0)
        return code;
    char* end = nullptr;
    const long long value = std::strtoll(reply.c_str(), &end, 10);
    if (end != reply.c_str())
        *address = static_cast<int32_t>(static_cast<uint32_t>(value));
    return kOk;
}

KORVAN_CMD_END
