#include "workbench/axis/link_axis_port.h"

#include "cmdlib/block_query.h"
#include "cmdlib/bus.h"
#include "cmdlib/controller_data.h"
#include "cmdlib/execute.h"
#include "cmdlib/io.h"
#include "cmdlib/records.h"

#include <algorithm>
#include <array>

namespace korvan::axis {

namespace {

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

using RatioReader = int (*)(ControllerHandle, cmd::RatioPairs&);

// The pairs the reply does not hold keep the caller's values, so they go in first.
int ReadRatios(ControllerHandle handle, RatioReader reader, std::span<float> first,
               std::span<float> second)
{
    cmd::RatioPairs pairs;
    const std::size_t count =
        std::min({first.size(), second.size(), static_cast<std::size_t>(cmd::kMaxRatioPairs)});
    std::copy_n(first.begin(), count, pairs.first.begin());
    std::copy_n(second.begin(), count, pairs.second.begin());
    const int code = reader(handle, pairs);
    std::copy_n(pairs.first.begin(), count, first.begin());
    std::copy_n(pairs.second.begin(), count, second.begin());
    return code;
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
    cmd::ControllerSpecRecord record;
    if (cmd::ReadControllerSpec(m_handle, record) != 0)
        return std::nullopt;
    return ControllerCounts{record.virtualAxisCount(), record.realAxisCount(),
                            record.digitalInputCount()};
}

std::vector<ChildCardInputs> LinkAxisPort::childCards()
{
    std::vector<ChildCardInputs> cards;
    for (const cmd::ChildCardRecord& card : cmd::EnumerateModules(m_handle))
        cards.push_back(
            {cmd::ModuleIoNumbering(card.cardNumber()).digital, card.digitalInputCount()});
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

int LinkAxisPort::readStepRatios(std::span<float> first, std::span<float> second)
{
    return ReadRatios(m_handle, cmd::QueryStepRatios, first, second);
}

int LinkAxisPort::readEncoderRatios(std::span<float> first, std::span<float> second)
{
    return ReadRatios(m_handle, cmd::QueryEncoderRatios, first, second);
}

int LinkAxisPort::writeValues(std::string_view name, int start, std::span<const float> values)
{
    const std::string text(name);
    return cmd::WriteValues(m_handle, text.c_str(), start, values.data(),
                            static_cast<int>(values.size()));
}

std::optional<int> LinkAxisPort::invertIn(int input)
{
    int32_t value = 0;
    if (cmd::QueryInvertIn(m_handle, input, &value) != 0)
        return std::nullopt;
    return value;
}

std::optional<int> LinkAxisPort::nodeCount(int bus)
{
    int32_t count = 0;
    if (cmd::QueryNodeCount(m_handle, bus, &count) != 0)
        return std::nullopt;
    return count;
}

int LinkAxisPort::setTimeout(std::uint32_t ms)
{
    return VXC_SetTimeOut(m_handle, ms);
}

int LinkAxisPort::makeProject(const std::string& basPath, RomProject& project)
{
    std::array<char, VXC_KPJ_BUFFER_SIZE> first{};
    std::array<char, VXC_KPJ_BUFFER_SIZE> second{};
    const int code = VXC_MakeOneFileKpj(first.data(), second.data(), basPath.c_str());
    // The link terminates both texts; the last byte stays 0 whatever it wrote.
    first.back() = '\0';
    second.back() = '\0';
    project = {first.data(), second.data()};
    return code;
}

int LinkAxisPort::downloadToRom(const RomProject& project)
{
    return VXC_MakeKrxAndDown2(m_handle, project.first.c_str(), project.second.c_str(), 0, 0);
}

int LinkAxisPort::resume()
{
    return VXC_Resume(m_handle);
}

} // namespace korvan::axis
