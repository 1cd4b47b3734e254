#include "workbench/axis/link_axis_port.h"

#include "cmdlib/block_query.h"
#include "cmdlib/error_codes.h"
#include "cmdlib/execute.h"
#include "cmdlib/parse.h"

#include <algorithm>
#include <array>
#include <vector>

namespace korvan::axis {

namespace {

constexpr int kMaxEnumeratedCards = 128;

int Send(bool buffered, ControllerHandle handle, std::string_view command, std::string* reply)
{
    const std::string text(command);
    if (!reply)
        return buffered ? cmd::ExecuteCommand(handle, text.c_str(), nullptr, 0)
                        : cmd::ExecuteDirect(handle, text.c_str(), nullptr, 0);
    std::array<char, cmd::kReplyCapacity> buffer{};
    const int code = buffered
                         ? cmd::ExecuteCommand(handle, text.c_str(), buffer.data(), buffer.size())
                         : cmd::ExecuteDirect(handle, text.c_str(), buffer.data(), buffer.size());
    *reply = buffer.data();
    return code;
}

unsigned Byte(const std::array<unsigned char, VXC_SPEC_RECORD_SIZE>& record, int offset)
{
    return record[offset];
}

} // namespace

int LinkAxisPort::execute(std::string_view command, std::string* reply)
{
    return Send(true, m_handle, command, reply);
}

int LinkAxisPort::direct(std::string_view command, std::string* reply)
{
    return Send(false, m_handle, command, reply);
}

std::optional<ControllerCounts> LinkAxisPort::specification()
{
    std::array<unsigned char, VXC_SPEC_RECORD_SIZE> record{};
    if (VXC_GetSysSpecification(m_handle, record.data()) != 0)
        return std::nullopt;
    ControllerCounts counts;
    counts.virtualAxes = static_cast<int>(Byte(record, 4) | (Byte(record, 5) << 8));
    counts.realAxes = static_cast<int>(Byte(record, 6));
    counts.localInputs = static_cast<int>(Byte(record, 8));
    return counts;
}

std::vector<ChildCardInputs> LinkAxisPort::childCards()
{
    std::vector<ChildCardInputs> cards;
    std::uint16_t previous = 65535;
    // A link that keeps naming cards below 128 cannot hold the loop forever.
    for (int i = 0; i < kMaxEnumeratedCards; ++i) {
        std::array<unsigned char, VXC_CHILD_CARD_SIZE> record{};
        if (VXC_EnumChildCard(m_handle, previous, record.data()) != 0)
            break;
        const int card = record[4] | (record[5] << 8);
        if (card >= 128)
            break;
        cards.push_back({card, record[6]});
        previous = static_cast<std::uint16_t>(card);
    }
    return cards;
}

std::optional<std::uint32_t> LinkAxisPort::hardId()
{
    std::uint32_t id = 0;
    if (VXC_GetHardId(m_handle, &id) != 0)
        return std::nullopt;
    return id;
}

int LinkAxisPort::readBlock(std::string_view name, std::span<float> out)
{
    const std::string text(name);
    return cmd::QueryNamedBlock(m_handle, text.c_str(), static_cast<int>(out.size()), out.data());
}

int LinkAxisPort::readRange(std::string_view name, int start, std::span<float> out)
{
    const std::string text(name);
    return cmd::QueryRangeBlock(m_handle, text.c_str(), start, static_cast<int>(out.size()),
                                out.data());
}

int ParseRatioSection(const std::string& reply, bool step, std::span<float> first,
                      std::span<float> second)
{
    if (reply.empty())
        return cmd::kErrEmptyReply;
    const std::size_t stepAt = reply.find("STEP_RATIO:");
    const std::size_t encoderAt = reply.find("ENCODER_RATIO:");
    std::string section;
    if (step) {
        if (stepAt == std::string::npos || encoderAt == std::string::npos || encoderAt < stepAt)
            return cmd::kErrNotNumeric;
        section = reply.substr(stepAt + 12, encoderAt > stepAt + 12 ? encoderAt - stepAt - 12 : 0);
    } else {
        if (encoderAt == std::string::npos)
            return cmd::kErrNotNumeric;
        section = reply.size() > encoderAt + 15 ? reply.substr(encoderAt + 15) : std::string();
    }
    int pairs = 0;
    for (char& c : section) {
        if (c == '~') {
            c = ' ';
            ++pairs;
        }
    }
    pairs = std::min({pairs, 128, static_cast<int>(first.size()), static_cast<int>(second.size())});
    if (pairs == 0)
        return 0;
    std::vector<float> values(2 * pairs);
    // Pairs the reply did not hold keep the caller's values.
    for (int i = 0; i < pairs; ++i) {
        values[2 * i] = first[i];
        values[2 * i + 1] = second[i];
    }
    const int code = cmd::ParseFloatList(section.c_str(), 2 * pairs, values.data());
    if (code != 0)
        return code;
    for (int i = 0; i < pairs; ++i) {
        first[i] = values[2 * i];
        second[i] = values[2 * i + 1];
    }
    return 0;
}

int LinkAxisPort::readRatios(bool step, std::span<float> first, std::span<float> second)
{
    std::vector<char> buffer(cmd::kLargeReplyCapacity, '\0');
    const int code = cmd::ExecuteCommand(m_handle, "?*SET", buffer.data(),
                                         static_cast<std::uint32_t>(buffer.size()));
    if (code != 0)
        return code;
    return ParseRatioSection(buffer.data(), step, first, second);
}

int LinkAxisPort::readStepRatios(std::span<float> first, std::span<float> second)
{
    return readRatios(true, first, second);
}

int LinkAxisPort::readEncoderRatios(std::span<float> first, std::span<float> second)
{
    return readRatios(false, first, second);
}

int LinkAxisPort::writeValues(std::string_view name, int start, std::span<const float> values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string command =
            FormatCommand("%.*s(%d) =  %f ", static_cast<int>(name.size()), name.data(),
                          start + static_cast<int>(i), static_cast<double>(values[i]));
        const int code = cmd::ExecuteDirect(m_handle, command.c_str(), nullptr, 0);
        if (code != 0)
            return code;
    }
    return 0;
}

} // namespace korvan::axis
