#include "scope/core/controller_limits.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace korvan::scope {
namespace {

int decimalBetween(std::string_view text, std::size_t from, std::size_t to)
{
    return leadingInt(text.substr(from, to - from));
}

// "max_in:" and its kind: the value sits between the first comma after the
// key and the line end after that comma.
int countAfterComma(std::string_view reply, std::string_view key)
{
    const auto at = reply.find(key);
    if (at == std::string_view::npos)
        return 0;
    const auto comma = reply.find(',', at);
    if (comma == std::string_view::npos)
        return 0;
    const auto end = reply.find('\n', comma + 1);
    if (end == std::string_view::npos)
        return 0;
    return decimalBetween(reply, comma + 1, end);
}

// "max_table:" and "max_vr:": the value runs from the key's end to the line end.
int countAfterKey(std::string_view reply, std::string_view key)
{
    const auto at = reply.find(key);
    if (at == std::string_view::npos)
        return 0;
    const auto from = at + key.size();
    const auto end = reply.find('\n', from);
    if (end == std::string_view::npos)
        return 0;
    return decimalBetween(reply, from, end);
}

struct LatchProbe
{
    std::string_view source;
    std::string_view probe;
    std::string_view fallback;
};

constexpr std::array<LatchProbe, 4> kLatchProbes = {{
    {"MARKC", "?*MARKC", "MARK"},
    {"REG_POSC", "?*REG_POSC", "REG_POS"},
    {"MARKD", "?*MARKD", "MARK"},
    {"REG_POSD", "?*REG_POSD", "REG_POS"},
}};

} // namespace

void parseMaxReply(std::string_view reply, ControllerLimits& limits)
{
    limits.inputs = countAfterComma(reply, "max_in:");
    limits.outputs = countAfterComma(reply, "max_out:");
    limits.analogInputs = countAfterComma(reply, "max_ain:");
    limits.analogOutputs = countAfterComma(reply, "max_aout:");
    limits.tableSize = countAfterKey(reply, "max_table:");
    limits.vrCount = countAfterKey(reply, "max_vr:");
}

NumberRange numberRangeFor(std::string_view source, const ControllerLimits& limits)
{
    if (sameSource(source, "IN"))
        return {limits.inputs, true};
    if (sameSource(source, "OUT"))
        return {limits.outputs, true};
    if (sameSource(source, "AIN"))
        return {limits.analogInputs, true};
    if (sameSource(source, "AOUT"))
        return {limits.analogOutputs, true};
    if (sameSource(source, "TABLE"))
        return {limits.tableSize, false};
    if (sameSource(source, "VR"))
        return {limits.vrCount, true};
    if (sameSource(source, "MODBUS_BIT"))
        return {4096, true};
    if (sameSource(source, "MODBUS_REG"))
        return {2048, true};
    return {limits.axes, true};
}

bool ControllerLimitsLoader::load(ScopeLink& link, std::array<RowBoxes, kMaxChannels>& rows,
                                  const MessageSink& message)
{
    if (!link.connected()) {
        m_limits.loaded = false;
        return false;
    }
    if (m_limits.loaded)
        return false;

    m_limits = ControllerLimits{};
    m_limits.loaded = true;
    m_limits.axes = link.axes();
    std::string reply;
    if (link.execute("?*max", 1000, reply, 2048) == 0)
        parseMaxReply(reply, m_limits);

    for (RowBoxes& row : rows) {
        const std::string remembered = row.numberText;
        row.listCount = 0;
        for (const LatchProbe& latch : kLatchProbes) {
            if (!sameSource(row.source, latch.source))
                continue;
            std::string probeReply;
            if (link.direct(latch.probe, probeReply) != 0) {
                if (message)
                    message("不支持的源!");
                row.source = std::string(latch.fallback);
            }
            break;
        }
        const NumberRange range = numberRangeFor(row.source, m_limits);
        if (range.listed)
            row.listCount = std::max(0, range.count);
        // The clamp may give −1 when the controller reported no such items.
        row.number = std::min(leadingInt(remembered), range.count - 1);
        row.numberText = std::to_string(row.number);
    }
    return true;
}

} // namespace korvan::scope
