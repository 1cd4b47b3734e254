// The base operations, the reply rules, the value-list parser and the
// command log, for whichever build of the library this suite links.
#include "cmdlib/command.h"
#include "cmdlib/error_codes.h"
#include "cmdlib/execute.h"
#include "cmdlib/parse.h"
#include "testing/fakelink/fake_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace korvan::cmd;
using namespace korvan::testing;
using ::testing::ElementsAre;

namespace {

constexpr bool kScope = KORVAN_CMD_IS_SCOPE;

// Runs a test in a fresh temporary working directory.
class TempCwd
{
public:
    TempCwd()
    {
        m_previous = std::filesystem::current_path();
        m_dir = std::filesystem::temp_directory_path() /
                ("cmdlib-" + std::to_string(::getpid()) + "-" + std::to_string(++s_counter));
        std::filesystem::create_directories(m_dir);
        std::filesystem::current_path(m_dir);
    }
    ~TempCwd()
    {
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_dir);
    }
    std::string read(const std::string& name) const
    {
        std::ifstream in(m_dir / name, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    std::filesystem::path path(const std::string& name) const { return m_dir / name; }

private:
    static inline int s_counter = 0;
    std::filesystem::path m_previous;
    std::filesystem::path m_dir;
};

// Switches the log on for this build and off again at the end.
class LogOn
{
public:
    explicit LogOn(const TempCwd& cwd)
    {
#if KORVAN_CMD_IS_SCOPE
        SetCommandLog(1, cwd.path("scope.log").c_str());
#else
        (void)cwd;
        SetCommandLogEnabled(true);
#endif
    }
    ~LogOn()
    {
#if KORVAN_CMD_IS_SCOPE
        SetCommandLog(0, "");
#else
        SetCommandLogEnabled(false);
#endif
    }
    static std::string fileName()
    {
        return kScope ? "scope.log" : "kauxcmd.txt";
    }
};

class CoreTest : public ::testing::Test
{
protected:
    FakeLink link;
    ControllerHandle h = link.handle();
};

TEST_F(CoreTest, BaseOperationsPassTextTimeoutAndCapacity)
{
    link.reply("?DPOS(0)", "12.5\r\n");
    char reply[2048] = "x";
    EXPECT_EQ(ExecuteCommand(h, "?DPOS(0)", reply, sizeof reply), 0);
    EXPECT_STREQ(reply, "12.5\r\n");
    EXPECT_EQ(ExecuteDirect(h, "?DPOS(0)", reply, 100), 0);
    EXPECT_EQ(ExecuteDirect(h, "OP(1,1)", nullptr, 0), 0);

    EXPECT_THAT(link.sent(),
                ElementsAre(Buffered("?DPOS(0)"), Direct("?DPOS(0)"), Direct("OP(1,1)")));
    const auto calls = link.calls();
    EXPECT_EQ(calls[0].timeoutMs, 1000u);
    EXPECT_EQ(calls[0].capacity, 2048u);
    EXPECT_EQ(calls[1].capacity, 100u);
    EXPECT_EQ(calls[2].capacity, 0u);
    EXPECT_FALSE(calls[2].outputGiven);
}

TEST_F(CoreTest, LinkCodesPassThroughUnchanged)
{
    link.reply("?DPOS(0)", "", 2002);
    char reply[16];
    EXPECT_EQ(ExecuteCommand(h, "?DPOS(0)", reply, sizeof reply), 2002);
    EXPECT_EQ(ExecuteDirect(nullptr, "?DPOS(0)", reply, sizeof reply), VXC_ERR_BAD_HANDLE);
}

TEST_F(CoreTest, ScopeBuildOffersAtMost2048Bytes)
{
    std::string big(kLargeReplyCapacity, '\0');
    char small[64];
    EXPECT_EQ(ExecuteCommand(h, "?*SET", big.data(), kLargeReplyCapacity), 0);
    EXPECT_EQ(ExecuteCommand(h, "?A", small, sizeof small), 0);
    EXPECT_EQ(ExecuteCommand(h, "B=1", nullptr, 0), 0);
    const auto calls = link.calls("VXC_Execute");
    EXPECT_EQ(calls[0].capacity, kScope ? 2048u : kLargeReplyCapacity);
    // A smaller buffer is never overrun, and no buffer means no capacity.
    EXPECT_EQ(calls[1].capacity, 64u);
    EXPECT_EQ(calls[2].capacity, 0u);
}

TEST_F(CoreTest, OverlongCommandIsRefusedNotTruncated)
{
    const std::string longest(VXC_MAX_COMMAND - 1, 'A');
    const std::string overlong(VXC_MAX_COMMAND, 'A');
    EXPECT_EQ(ExecuteDirect(h, longest.c_str(), nullptr, 0), 0);
    EXPECT_EQ(ExecuteDirect(h, overlong.c_str(), nullptr, 0), kErrInvalidArgument);
    EXPECT_EQ(ExecuteCommand(h, overlong.c_str(), nullptr, 0), kErrInvalidArgument);
    EXPECT_EQ(ExecuteCommand(h, nullptr, nullptr, 0), kErrInvalidArgument);
    EXPECT_THAT(link.commands(), ElementsAre(longest));

    CommandText built;
    for (int i = 0; i < 300; ++i)
        built.add("MOVE(%f),", 1.0f);
    EXPECT_FALSE(built.fits());
    EXPECT_EQ(Send(h, Base::Direct, built), kErrInvalidArgument);
    EXPECT_EQ(link.commands().size(), 1u);
}

TEST_F(CoreTest, SingleValueQueryRules)
{
    float value = 7.0f;
    int32_t number = 7;
    link.reply("?DPOS(0)", "");
    EXPECT_EQ(QueryFloat(h, Base::Direct, Format("?DPOS(%d)", 0), &value), kErrEmptyReply);
    EXPECT_EQ(value, 7.0f);

    link.reply("?DPOS(0)", "abc");
    EXPECT_EQ(QueryFloat(h, Base::Direct, Format("?DPOS(%d)", 0), &value), 0);
    EXPECT_EQ(value, 7.0f);

    link.reply("?DPOS(0)", "  -12.5\r\n");
    EXPECT_EQ(QueryFloat(h, Base::Direct, Format("?DPOS(%d)", 0), &value), 0);
    EXPECT_EQ(value, -12.5f);

    link.reply("?IDLE(0)", "-1 3");
    EXPECT_EQ(QueryInt(h, Base::Command, Format("?IDLE(%d)", 0), &number), 0);
    EXPECT_EQ(number, -1);
    // A hostile number saturates instead of overflowing.
    link.reply("?IDLE(0)", "99999999999");
    EXPECT_EQ(QueryInt(h, Base::Command, Format("?IDLE(%d)", 0), &number), 0);
    EXPECT_EQ(number, INT32_MAX);

    link.reply("?IDLE(0)", "1", 2002);
    number = 5;
    EXPECT_EQ(QueryInt(h, Base::Command, Format("?IDLE(%d)", 0), &number), 2002);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(QueryInt(h, Base::Command, Format("?IDLE(%d)", 0), nullptr), kErrInvalidArgument);
}

TEST_F(CoreTest, RealsAreFormattedInTheCLocaleWhateverTheHostSets)
{
    // A locale with a decimal comma, when the machine has one.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    const CommandText command = Format("SPEED(%d)=%f", 1, 2.5f);
    float value = 0;
    const bool scanned = ScanFloat("1.25", value);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(command.str(), "SPEED(1)=2.500000");
    EXPECT_TRUE(scanned);
    EXPECT_EQ(value, 1.25f);
}

struct FloatListCase
{
    const char* text;
    int count;
    int code;
    std::vector<float> expected; // outputs after the call; sentinel 99 untouched
};

class FloatListTest : public ::testing::TestWithParam<FloatListCase>
{
};

TEST_P(FloatListTest, Parses)
{
    const FloatListCase& c = GetParam();
    std::vector<float> out(c.expected.size(), 99.0f);
    EXPECT_EQ(ParseFloatList(c.text, c.count, out.data()), c.code);
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FloatListTest,
                         ::testing::Values(FloatListCase{"-1.5 2 3", 3, 0, {-1.5f, 2, 3}},
                                           FloatListCase{"1 2", 5, 0, {1, 2, 99, 99, 99}},
                                           FloatListCase{"1,2", 2, 0, {1, 99}},
                                           FloatListCase{"\t1 2", 2, 30001, {99, 99}},
                                           FloatListCase{"1\t2", 2, 0, {1, 2}},
                                           FloatListCase{"   4 5\r\n6", 3, 0, {4, 5, 99}},
                                           FloatListCase{"abc", 1, 30001, {99}},
                                           FloatListCase{"", 1, 30001, {99}},
                                           FloatListCase{"1 - 2", 3, 30001, {1, 99, 99}},
                                           FloatListCase{"1 x 2", 3, 0, {1, 99, 99}},
                                           FloatListCase{"1 2 3", 2, 0, {1, 2, 99}}));

TEST(IntListTest, TruncatesTowardZeroAndSaturates)
{
    int32_t out[4] = {9, 9, 9, 9};
    EXPECT_EQ(ParseIntList("-1.5 2 3", 3, out), 0);
    EXPECT_THAT(out, ElementsAre(-1, 2, 3, 9));
    EXPECT_EQ(ParseIntList("1e20 -1e20 2.9", 3, out), 0);
    EXPECT_THAT(out, ElementsAre(INT32_MAX, INT32_MIN, 2, 9));
    EXPECT_EQ(ParseIntList("-nan", 1, out), 30001);
    EXPECT_EQ(ParseIntList(nullptr, 1, out), 30001);
    EXPECT_EQ(ParseIntList("1", 1, nullptr), kErrInvalidArgument);
}

class LogTest : public CoreTest
{
protected:
    TempCwd cwd;
};

TEST_F(LogTest, OffByDefaultWritesNothing)
{
    EXPECT_FALSE(CommandLogEnabled());
    ExecuteCommand(h, "A=1", nullptr, 0);
    EXPECT_FALSE(std::filesystem::exists(cwd.path(LogOn::fileName())));
}

TEST_F(LogTest, FailedCommandAppendsErrorEntry)
{
    const LogOn on(cwd);
    link.fail("VXC_Execute", 2002);
    char reply[2048];
    EXPECT_EQ(ExecuteCommand(h, "MOVE(1) AXIS(0)", reply, sizeof reply), 2002);
    EXPECT_EQ(cwd.read(LogOn::fileName()), "MOVE(1) AXIS(0) Error:2002\r\n");
}

TEST_F(LogTest, ReplyPartsFollowTheBuildsRules)
{
    const LogOn on(cwd);
    link.reply("?A", "1.5");
    link.reply("?E", "");
    char reply[2048];
    ExecuteCommand(h, "?A", reply, sizeof reply);
    ExecuteCommand(h, "?E", reply, sizeof reply);
    ExecuteCommand(h, "B=1", nullptr, 0);
    ExecuteDirect(h, "?A", reply, sizeof reply);
    ExecuteDirect(h, "?E", reply, sizeof reply);
    ExecuteDirect(h, "C=1", nullptr, 0);
    const std::string expected = kScope ? "?A Re:1.5\r\n?E\r\nB=1\r\n?A Re:1.5\r\n?E\r\nC=1\r\n"
                                        : "?A Re:1.5\r\n?E Re:\r\nB=1 Re:\r\n"
                                          "?A Re:1.5\r\n?E Re:\r\nC=1\r\n";
    EXPECT_EQ(cwd.read(LogOn::fileName()), expected);
}

TEST_F(LogTest, UnwritableLogChangesNoCode)
{
#if KORVAN_CMD_IS_SCOPE
    SetCommandLog(1, "/nonexistent-dir/x/scope.log");
#else
    std::filesystem::create_directory(cwd.path("kauxcmd.txt")); // a directory cannot be appended
    SetCommandLogEnabled(true);
#endif
    link.reply("?A", "1");
    char reply[16];
    EXPECT_EQ(ExecuteCommand(h, "?A", reply, sizeof reply), 0);
    link.fail("VXC_DirectCommand", 3400);
    EXPECT_EQ(ExecuteDirect(h, "?A", reply, sizeof reply), 3400);
#if KORVAN_CMD_IS_SCOPE
    SetCommandLog(0, "");
#else
    SetCommandLogEnabled(false);
#endif
}

} // namespace
