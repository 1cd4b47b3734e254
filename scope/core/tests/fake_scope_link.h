// A scripted controller behind the ScopeLink interface: a TABLE array, a
// SCOPE recording that the test advances sample by sample, and a log of every
// command text sent.
#pragma once

#include "scope/core/capture_engine.h"
#include "scope/core/scope_link.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace korvan::scope::testing {

class FakeScopeLink final : public ScopeLink
{
public:
    bool isConnected = true;
    std::uint8_t type = 2;
    std::int32_t tableSize = 10000;
    std::vector<float> table = std::vector<float>(10000, 0.0F);
    std::array<std::uint8_t, 64> spec{};
    std::vector<std::string> commands;
    std::map<std::string, std::string> replies;
    std::map<std::string, std::int32_t> codes; ///< execute's result per command (default 0)
    std::int32_t servoPeriodUs = 1000;         ///< "?SERVO_PERIOD"; 0: the query fails
    std::vector<int> readSizes;
    bool failScopePos = false;
    std::uint8_t axisCount = 4;

    // The recording the SCOPE command set up.
    int start = 0, count = 0, depth = 0, interval = 1;
    int pos = 0;
    bool recording = false;
    bool autoRestart = false;   ///< armed continuous trigger: wrap to 0 at depth
    int sequence = 0;           ///< the next sample's number
    bool stallsInWaits = false; ///< a lagging controller takes no sample during waitMs

    FakeScopeLink() { spec[55] = 8; }

    static float value(int channel, int seq) { return static_cast<float>(channel * 100000 + seq); }

    /// The controller records n more samples per channel.
    void produce(int n)
    {
        for (int i = 0; i < n && recording; ++i) {
            if (pos == depth) {
                if (!autoRestart)
                    return;
                pos = 0;
            }
            for (int c = 0; c < count; ++c)
                table[static_cast<std::size_t>(start + c * depth + pos)] = value(c, sequence);
            ++pos;
            ++sequence;
        }
    }

    bool connected() const override { return isConnected; }
    std::int32_t queryInt(std::string_view name, std::int32_t& v) override
    {
        commands.push_back("?" + std::string(name));
        if (name == "TSIZE") {
            v = tableSize;
            return 0;
        }
        if (name == "SERVO_PERIOD") {
            v = servoPeriodUs;
            return servoPeriodUs > 0 ? 0 : 2002;
        }
        if (name == "SCOPE_POS") {
            if (failScopePos)
                return 3400;
            v = pos;
            return 0;
        }
        return 30000;
    }
    std::int32_t execute(std::string_view command, std::uint32_t, std::string& reply,
                         std::uint32_t capacity) override
    {
        commands.emplace_back(command);
        const auto it = replies.find(std::string(command));
        reply = it == replies.end() ? "" : it->second.substr(0, capacity - 1);
        const auto code = codes.find(std::string(command));
        const std::int32_t rc = code == codes.end() ? 0 : code->second;
        // A refused setup keeps the previous one, as a controller does.
        if (command.starts_with("SCOPE(1,") && rc == 0 && reply.find("ERROR") == std::string::npos)
            parseScope(std::string(command));
        if (command == "TRIGGER(1)" && reply.find("ERROR") == std::string::npos) {
            trigger();
            autoRestart = true;
        }
        return rc;
    }
    std::int32_t executeNoAck(std::string_view command, std::uint32_t) override
    {
        commands.emplace_back(command);
        if (command == "TRIGGER" || command == "TRIGGER(1)")
            trigger();
        if (command == "SCOPE(0)")
            recording = false;
        return isConnected ? 0 : 3101;
    }
    std::int32_t direct(std::string_view command, std::string& reply) override
    {
        commands.emplace_back(command);
        const auto it = replies.find(std::string(command));
        reply = it == replies.end() ? "" : it->second;
        return it == replies.end() ? 2002 : 0;
    }
    std::int32_t readRegisters(std::int32_t first, std::int32_t n, float* values) override
    {
        return copyOut(first, n, values);
    }
    std::int32_t readTable(std::int32_t first, std::int32_t n, float* values) override
    {
        return copyOut(first, n, values);
    }
    std::uint8_t connectType() override { return isConnected ? type : 0; }
    std::int32_t readSpecification(std::array<std::uint8_t, 64>& record) override
    {
        record = spec;
        return 0;
    }
    std::uint8_t axes() override { return axisCount; }
    void waitMs(int ms) override
    {
        if (!stallsInWaits)
            produce(std::max(1, ms / std::max(1, interval)));
    }

private:
    void trigger()
    {
        pos = 0;
        recording = true;
    }
    std::int32_t copyOut(std::int32_t first, std::int32_t n, float* values)
    {
        readSizes.push_back(n);
        if (first < 0 || first + n > static_cast<std::int32_t>(table.size()))
            return 30001;
        std::copy_n(table.begin() + first, n, values);
        return 0;
    }
    void parseScope(const std::string& command)
    {
        int last = 0;
        std::sscanf(command.c_str(), "SCOPE(1,%d,%d,%d", &interval, &start, &last);
        count = static_cast<int>(std::count(command.begin(), command.end(), ',')) - 3;
        depth = count > 0 ? (last - start + 1) / count : 0;
        pos = 0;
        recording = false;
    }
};

/// Records what the engine asks of the panel.
class FakeCaptureHost final : public CaptureHost
{
public:
    std::vector<std::string> messages;
    int width = 500;
    int view = 0;
    int repaintAllCount = 0, labelRepaints = 0, started = 0, stopped = 0;
    std::vector<std::pair<int, int>> sampleRepaints;

    void showMessage(std::string_view text) override { messages.emplace_back(text); }
    void loadControllerLimits() override {}
    void syncRowsFromBoxes() override {}
    void captureStarted() override { ++started; }
    void captureStopped() override { ++stopped; }
    void repaintAll() override { ++repaintAllCount; }
    void repaintLabels() override { ++labelRepaints; }
    void repaintSamples(int first, int last) override { sampleRepaints.emplace_back(first, last); }
    void updateScrollBar() override {}
    int displayWidth() const override { return width; }
    int viewStart() const override { return view; }
    void setViewStart(int s) override { view = s; }
};

} // namespace korvan::scope::testing
