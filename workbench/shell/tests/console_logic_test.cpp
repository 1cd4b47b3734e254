#include "workbench/shell/console_logic.h"
#include "workbench/shell/tests/scripted_link.h"

#include <gtest/gtest.h>

namespace korvan::shell {
namespace {

using namespace korvan::shell::fakes;

TEST(CommandHistory, SameCommandInAnyCaseIsStoredOnce)
{
    CommandHistory history;
    history.remember("?dpos(0)");
    history.remember("?DPOS(0)");
    EXPECT_EQ(history.entry(0), "?dpos(0)");
    EXPECT_TRUE(history.entry(1).empty());
    EXPECT_FALSE(history.older().has_value());
}

TEST(CommandHistory, KeepsTwentyAndWalksUpAndDown)
{
    CommandHistory history;
    for (int i = 0; i < 21; ++i)
        history.remember("cmd" + std::to_string(i));
    EXPECT_EQ(history.entry(0), "cmd20");
    EXPECT_EQ(history.entry(19), "cmd1"); // cmd0 dropped out
    int ups = 0;
    std::string last;
    while (auto entry = history.older()) {
        last = *entry;
        ++ups;
    }
    EXPECT_EQ(ups, 19);
    EXPECT_EQ(last, "cmd1");
    EXPECT_EQ(history.cursor(), 19);
    EXPECT_EQ(history.newer(), std::optional<std::string>("cmd2"));
    history.remember("new");
    EXPECT_EQ(history.cursor(), 0);
    EXPECT_FALSE(history.newer().has_value());
}

TEST(ConsoleTranscript, LineFeedsBecomeWindowsLineEnds)
{
    ConsoleTranscript transcript;
    transcript.append("1\n2\n");
    EXPECT_EQ(transcript.text(), "1\r\n2\r\n");
}

TEST(ConsoleTranscript, PastAMillionCharactersTheFirstThousandLinesGo)
{
    ConsoleTranscript transcript;
    const std::string line(998, 'x'); // 1000 characters with "\r\n"
    for (int i = 0; i < 1001; ++i)
        transcript.append(line + "\n");
    ASSERT_EQ(transcript.size(), 1'001'000u);
    const auto change = transcript.append("tail");
    EXPECT_EQ(change.removedLines, 1000u);
    EXPECT_EQ(change.removedFront, 1'000'000u);
    EXPECT_EQ(transcript.text(), line + "\r\ntail");
}

TEST(ConsoleTranscript, AtAMillionNothingIsTrimmed)
{
    ConsoleTranscript transcript;
    transcript.append(std::string(1'000'000, 'a'));
    EXPECT_EQ(transcript.append("b").removedFront, 0u);
}

TEST(ConsoleTranscript, NeverHoldsMoreThanItsCapacity)
{
    ConsoleTranscript transcript;
    transcript.append(std::string(900'000, 'a'));
    transcript.append(std::string(1'500'000, 'b')); // one line: nothing to trim
    EXPECT_EQ(transcript.size(), ConsoleTranscript::kCapacity);
}

TEST(ConsoleErrors, SendErrorLines)
{
    const std::vector<std::pair<int, std::string>> cases{
        {210, "Error:210, Over Ram Size, Need down to flash!\r\n"},
        {212, "Error:212, Controller state error!\r\n"},
        {3204, "Error:3204, Controller state error!\r\n"},
        {277, "Error:277, File Compile error!\r\n"},
        {3205, "Error:3205, Controller not support!\r\n"},
        {20020, "Error:20020, Firmware and Controller mismatch!\r\n"},
        {20021, "Error:20021, Not Supported!\r\n"},
        {3400, "Error:3400, Operate Failed!\r\n"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(sendErrorText(code), text);
    EXPECT_EQ(sendErrorText(0), "");
    EXPECT_TRUE(sendErrorHasReport(210));
    EXPECT_FALSE(sendErrorHasReport(3204));
    EXPECT_FALSE(sendErrorHasReport(3205));
    EXPECT_TRUE(sendErrorHasReport(3400));
}

TEST(ConsoleErrors, ControllerErrorLines)
{
    EXPECT_EQ(controllerErrorText(262), "Controller has error of rtc.\r\n");
    EXPECT_EQ(controllerErrorText(274), "Controller has error sys file err.\r\n");
    EXPECT_EQ(controllerErrorText(276), "Controller krx file error.\r\n");
    EXPECT_EQ(controllerErrorText(277), "Controller krx file error.\r\n");
    EXPECT_EQ(controllerErrorText(281), "Controller can id error.\r\n");
    EXPECT_EQ(controllerErrorText(999), "Controller Error:999\r\n");
    EXPECT_EQ(controllerErrorText(0), "");
}

TEST(Lostcount, NumberAfterTheWordGivesTheZeroBasedLine)
{
    EXPECT_EQ(lostcountLine("Task 1 Lostcount:12 in MAIN.BAS"), std::optional<int>(11));
    EXPECT_EQ(lostcountLine("Lostcount:123456789"), std::optional<int>(12345677));
    EXPECT_FALSE(lostcountLine("Lostcount: 5").has_value());
    EXPECT_FALSE(lostcountLine("lostcount:5").has_value());
    EXPECT_FALSE(lostcountLine("Lostcount:").has_value());
    EXPECT_FALSE(lostcountLine("Lostcount:0").has_value());
}

class ConsoleSessionTest : public ::testing::Test
{
protected:
    ScriptedLink link;
    CommandHistory history;
    ConsoleSession session{history};
    ControllerHandle handle = nullptr;
    void SetUp() override
    {
        link.add("127.0.0.70");
        handle = link.handleOf("127.0.0.70");
    }
};

TEST_F(ConsoleSessionTest, SuccessEchoesTheCommandAndTheReply)
{
    link.controller("127.0.0.70").replies["?DPOS(0)"] = "12.5\n";
    const auto result = session.send(handle, "?DPOS(0)");
    EXPECT_EQ(result.output, ">>?DPOS(0)\n12.5\n");
    EXPECT_EQ(history.entry(0), "?DPOS(0)");
}

TEST_F(ConsoleSessionTest, FailureShowsOnlyTheErrorAndTheControllerReport)
{
    link.controller("127.0.0.70").codes["RUN \"X\""] = 277;
    link.controller("127.0.0.70").errorCode = 276;
    const auto result = session.send(handle, "RUN \"X\"");
    EXPECT_EQ(result.output, "Error:277, File Compile error!\r\nController krx file error.\r\n");
    link.controller("127.0.0.70").codes["X"] = 3204;
    EXPECT_EQ(session.send(handle, "X").output, "Error:3204, Controller state error!\r\n");
}

TEST_F(ConsoleSessionTest, NoConnectionLeavesTheHistoryAlone)
{
    const auto result = session.send(nullptr, "?VERSION");
    EXPECT_TRUE(result.noConnection);
    EXPECT_TRUE(history.entry(0).empty());
}

TEST_F(ConsoleSessionTest, LongCommandsAreCutAndEmptyOnesIgnored)
{
    EXPECT_FALSE(session.send(handle, "").sent);
    session.send(handle, std::string(600, 'a'));
    EXPECT_EQ(link.controller("127.0.0.70").sent.back().size(), 512u);
}

TEST_F(ConsoleSessionTest, PollCollectsMessagesAndReceivedOutput)
{
    link.controller("127.0.0.70").messages = "task1 hello\n";
    link.controller("127.0.0.70").received = "async\n";
    EXPECT_EQ(session.poll(handle), "task1 hello\nasync\n");
    EXPECT_EQ(session.poll(handle), "");
    EXPECT_EQ(session.poll(nullptr), "");
}

TEST_F(ConsoleSessionTest, UnsolicitedOutputOf2048BytesOrMoreIsDropped)
{
    link.controller("127.0.0.70").received = std::string(2048, 'r');
    EXPECT_EQ(session.poll(handle), "");
}

} // namespace
} // namespace korvan::shell
