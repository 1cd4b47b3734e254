#include "workbench/axis/tests/fake_axis_port.h"

#include <algorithm>
#include <cstdio>

namespace korvan::axis::testing {

std::vector<std::string> FakeAxisPort::commands() const
{
    std::vector<std::string> result;
    for (const std::string& line : log)
        if (line.rfind("read ", 0) != 0)
            result.push_back(line);
    return result;
}

int FakeAxisPort::answer(std::string_view command, std::string* reply)
{
    log.emplace_back(command);
    const auto found = answers.find(std::string(command));
    if (found == answers.end()) {
        if (!defaultAnswer)
            return 0;
        if (reply)
            *reply = defaultAnswer->reply;
        return defaultAnswer->code;
    }
    if (reply)
        *reply = found->second.reply;
    return found->second.code;
}

int FakeAxisPort::execute(std::string_view command, std::string* reply)
{
    return answer(command, reply);
}

int FakeAxisPort::direct(std::string_view command, std::string* reply)
{
    return answer(command, reply);
}

std::optional<ControllerCounts> FakeAxisPort::specification()
{
    log.emplace_back("read spec");
    return counts;
}

int FakeAxisPort::readBlock(std::string_view name, std::span<float> out)
{
    log.push_back("read ?*" + std::string(name));
    const auto found = blocks.find(std::string(name));
    if (found == blocks.end())
        return 30000;
    std::copy_n(found->second.begin(), std::min(found->second.size(), out.size()), out.begin());
    return 0;
}

int FakeAxisPort::readRange(std::string_view name, int start, std::span<float> out)
{
    log.push_back("read ?*" + std::string(name) + "(" + std::to_string(start) + "," +
                  std::to_string(out.size()) + ")");
    const auto code = rangeCodes.find(std::string(name));
    if (code != rangeCodes.end() && code->second != 0)
        return code->second;
    const auto found = blocks.find(std::string(name));
    if (found != blocks.end())
        std::copy_n(found->second.begin(), std::min(found->second.size(), out.size()), out.begin());
    return 0;
}

static int CopyPairs(const std::vector<float>& a, const std::vector<float>& b,
                     std::span<float> first, std::span<float> second)
{
    std::copy_n(a.begin(), std::min(a.size(), first.size()), first.begin());
    std::copy_n(b.begin(), std::min(b.size(), second.size()), second.begin());
    return 0;
}

int FakeAxisPort::readStepRatios(std::span<float> first, std::span<float> second)
{
    log.emplace_back("read ?*SET STEP_RATIO");
    return CopyPairs(stepFirst, stepSecond, first, second);
}

int FakeAxisPort::readEncoderRatios(std::span<float> first, std::span<float> second)
{
    log.emplace_back("read ?*SET ENCODER_RATIO");
    return CopyPairs(encoderFirst, encoderSecond, first, second);
}

int FakeAxisPort::writeValues(std::string_view name, int start, std::span<const float> values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        char text[256];
        std::snprintf(text, sizeof text, "%.*s(%d) =  %f ", static_cast<int>(name.size()),
                      name.data(), start + static_cast<int>(i), static_cast<double>(values[i]));
        log.emplace_back(text);
    }
    return 0;
}

std::optional<int> FakeAxisPort::queryInt(const std::string& command)
{
    log.push_back("read " + command);
    const auto found = answers.find(command);
    const Answer given = found != answers.end() ? found->second
                         : defaultAnswer        ? *defaultAnswer
                                                : Answer{0, "0"};
    int value = 0;
    if (given.code != 0 || std::sscanf(given.reply.c_str(), "%d", &value) != 1)
        return std::nullopt;
    return value;
}

std::optional<int> FakeAxisPort::invertIn(int input)
{
    return queryInt("?INVERT_IN(" + std::to_string(input) + ")");
}

std::optional<int> FakeAxisPort::nodeCount(int bus)
{
    return queryInt("?NODE_COUNT(" + std::to_string(bus) + ")");
}

int FakeAxisPort::setTimeout(std::uint32_t ms)
{
    log.push_back("timeout " + std::to_string(ms));
    return 0;
}

int FakeAxisPort::makeProject(const std::string& basPath, RomProject& project)
{
    log.push_back("make project " + basPath);
    project = {basPath + ".kpj", "dir"};
    return makeProjectCode;
}

int FakeAxisPort::downloadToRom(const RomProject& project)
{
    log.push_back("download " + project.first);
    return downloadCode;
}

int FakeAxisPort::resume()
{
    log.emplace_back("resume");
    return 0;
}

} // namespace korvan::axis::testing
