// A scripted AxisPort that records every operation as one line of text.
#pragma once

#include "workbench/axis/axis_port.h"

#include <map>
#include <string>
#include <vector>

namespace korvan::axis::testing {

class FakeAxisPort final : public AxisPort
{
public:
    struct Answer
    {
        int code = 0;
        std::string reply;
    };

    std::vector<std::string> log;          ///< commands and reads, in order
    std::map<std::string, Answer> answers; ///< by exact command text
    std::optional<Answer> defaultAnswer;   ///< for commands without an answer
    std::optional<ControllerCounts> counts = ControllerCounts{8, 4, 16};
    std::vector<ChildCardInputs> cards;
    std::optional<std::uint32_t> id = 1002;
    std::map<std::string, std::vector<float>> blocks; ///< block and range reader values by name
    std::map<std::string, int> rangeCodes;            ///< range reader codes by name
    std::vector<float> stepFirst, stepSecond, encoderFirst, encoderSecond;
    int makeProjectCode = 0; ///< what makeProject returns
    int downloadCode = 0;    ///< what downloadToRom returns

    /// The recorded lines that are commands (not reads), in order.
    std::vector<std::string> commands() const;

    int execute(std::string_view command, std::string* reply) final;
    int direct(std::string_view command, std::string* reply) final;
    std::optional<ControllerCounts> specification() final;
    std::vector<ChildCardInputs> childCards() final { return cards; }
    std::optional<std::uint32_t> hardId() final { return id; }
    int readBlock(std::string_view name, std::span<float> out) final;
    int readRange(std::string_view name, int start, std::span<float> out) final;
    int readStepRatios(std::span<float> first, std::span<float> second) final;
    int readEncoderRatios(std::span<float> first, std::span<float> second) final;
    int writeValues(std::string_view name, int start, std::span<const float> values) final;
    /// Both queries answer from `answers` by their command text (missing: 0).
    std::optional<int> invertIn(int input) final;
    std::optional<int> nodeCount(int bus) final;
    int setTimeout(std::uint32_t ms) final;
    int makeProject(const std::string& basPath, RomProject& project) final;
    int downloadToRom(const RomProject& project) final;
    int resume() final;

private:
    int answer(std::string_view command, std::string* reply);
    std::optional<int> queryInt(const std::string& command);
};

} // namespace korvan::axis::testing
