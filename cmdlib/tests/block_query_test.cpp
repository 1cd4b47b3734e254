// Block queries of every item shape: the commands they split into, the base
// operation, and the codes of failed blocks.
#include "cmdlib/block_query.h"
#include "cmdlib/error_codes.h"
#include "testing/fakelink/fake_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvan::cmd;
using namespace korvan::testing;
using ::testing::Each;
using ::testing::ElementsAre;

namespace {

constexpr bool kScope = KORVAN_CMD_IS_SCOPE;

// "1 2 3 ..." with n numbers starting at first.
std::string numbers(int first, int n, const char* separator = " ")
{
    std::string text;
    for (int i = 0; i < n; ++i)
        text += (i ? separator : "") + std::to_string(first + i);
    return text;
}

class BlockQueryTest : public ::testing::Test
{
protected:
    FakeLink link;
    ControllerHandle h = link.handle();
};

TEST_F(BlockQueryTest, SpaceItemsFifteenPerCommand)
{
    link.respond([](std::string_view command) -> std::optional<Reply> {
        // Answers "?vr(a) vr(a+1) ..." with the indices themselves.
        std::string reply;
        std::size_t pos = 0;
        while ((pos = command.find('(', pos)) != std::string_view::npos) {
            reply += std::string(command.substr(pos + 1, command.find(')', pos) - pos - 1)) + " ";
            ++pos;
        }
        return Reply{reply};
    });
    std::vector<float> out(16, -1);
    EXPECT_EQ(QueryVrBlock(h, 3, 16, out.data()), 0);
    ASSERT_EQ(link.sent().size(), 2u);
    EXPECT_EQ(link.sent()[0],
              Direct("?vr(3) vr(4) vr(5) vr(6) vr(7) vr(8) vr(9) vr(10) vr(11) vr(12) vr(13) "
                     "vr(14) vr(15) vr(16) vr(17) "));
    EXPECT_EQ(link.sent()[1], Direct("?vr(18) "));
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[15], 18);

    std::vector<int32_t> ints(2, -1);
    EXPECT_EQ(QueryVrIntBlock(h, 0, 2, ints.data()), 0);
    EXPECT_EQ(link.sent().back(), Direct("?vr_int(0) vr_int(1) "));
    EXPECT_THAT(ints, ElementsAre(0, 1));

    EXPECT_EQ(QueryTableBlock(h, 100, 1, out.data()), 0);
    EXPECT_EQ(link.sent().back(), Direct("?TABLE(100) "));
}

TEST_F(BlockQueryTest, RangeItemsThirtyPerCommandSplitAt31)
{
    link.reply("?*P_SlotNodeNum(0,30)", numbers(0, 30));
    link.reply("?*P_SlotNodeNum(30,1)", "30");
    std::vector<float> out(31, -1);
    EXPECT_EQ(QueryRangeBlock(h, "P_SlotNodeNum", 0, 31, out.data()), 0);
    EXPECT_THAT(link.sent(),
                ElementsAre(Direct("?*P_SlotNodeNum(0,30)"), Direct("?*P_SlotNodeNum(30,1)")));
    EXPECT_EQ(out[29], 29);
    EXPECT_EQ(out[30], 30);
}

TEST_F(BlockQueryTest, TableRangeAlwaysAsksThirtyParsesWhatIsNeeded)
{
    link.reply("?*TABLE(10,30)", numbers(10, 30));
    link.reply("?*TABLE(40,30)", numbers(40, 30));
    std::vector<float> out(33, -1);
    out.push_back(-7); // guard: must stay
    EXPECT_EQ(QueryTableRange(h, 10, 32, out.data()), 0);
    EXPECT_THAT(link.sent(), ElementsAre(Direct("?*TABLE(10,30)"), Direct("?*TABLE(40,30)")));
    EXPECT_EQ(out[31], 41);
    EXPECT_EQ(out[32], -1);
    EXPECT_EQ(out[33], -7);
}

TEST_F(BlockQueryTest, InvertInCommaSeparatedThirtyPerCommand)
{
    link.defaultReply("1 0 1");
    std::vector<int32_t> out(31, -1);
    EXPECT_EQ(QueryInvertInBank(h, 5, 31, out.data()), 0);
    ASSERT_EQ(link.sent().size(), 2u);
    std::string first = "?";
    for (int i = 5; i < 35; ++i)
        first += "INVERT_IN(" + std::to_string(i) + ")" + (i < 34 ? "," : "");
    EXPECT_EQ(link.sent()[0], Buffered(first));
    EXPECT_EQ(link.sent()[1], Buffered("?INVERT_IN(35)"));
    EXPECT_THAT(std::vector<int32_t>(out.begin(), out.begin() + 3), ElementsAre(1, 0, 1));
}

TEST_F(BlockQueryTest, PwmCommaTerminatedTenPerCommand)
{
    link.defaultReply(numbers(0, 10));
    std::vector<float> out(11, -1);
    EXPECT_EQ(QueryPwmDutyBank(h, 0, 11, out.data()), 0);
    EXPECT_THAT(
        link.sent(),
        ElementsAre(Buffered("?PWM_DUTY(0),PWM_DUTY(1),PWM_DUTY(2),PWM_DUTY(3),PWM_DUTY(4),"
                             "PWM_DUTY(5),PWM_DUTY(6),PWM_DUTY(7),PWM_DUTY(8),PWM_DUTY(9),"),
                    Buffered("?PWM_DUTY(10),")));
    link.clearCalls();
    EXPECT_EQ(QueryPwmFreqBank(h, 2, 1, out.data()), 0);
    EXPECT_THAT(link.sent(), ElementsAre(Buffered("?PWM_FREQ(2),")));
}

TEST_F(BlockQueryTest, PwmBanksParseAnEmptyReplyInsteadOfRefusingIt)
{
    link.defaultReply("");
    float out[2] = {-1, -1};
    EXPECT_EQ(QueryPwmDutyBank(h, 0, 2, out), kErrNotNumeric);
    EXPECT_EQ(QueryVrBlock(h, 0, 2, out), kErrEmptyReply);
}

TEST_F(BlockQueryTest, NotNumericReplyFailsTheBlock)
{
    link.defaultReply("abc");
    float out[2] = {-1, -1};
    EXPECT_EQ(QueryRangeBlock(h, "X", 0, 2, out), kErrNotNumeric);
    EXPECT_EQ(QueryNamedBlock(h, "X", 2, out), kErrNotNumeric);
    EXPECT_THAT(out, Each(-1.0f));
}

TEST_F(BlockQueryTest, LinkCodeStopsAtTheFailingBlock)
{
    link.defaultReply(numbers(0, 30));
    link.failNth("VXC_DirectCommand", 1, 3400);
    std::vector<float> out(90, -1);
    EXPECT_EQ(QueryRangeBlock(h, "X", 0, 90, out.data()), 3400);
    EXPECT_EQ(link.sent().size(), 2u);
}

TEST_F(BlockQueryTest, NamedBlockOneCommand)
{
    link.reply("?*MPOS", "1 2 3");
    float out[3] = {};
    EXPECT_EQ(QueryNamedBlock(h, "MPOS", 3, out), 0);
    EXPECT_THAT(link.sent(), ElementsAre(Direct("?*MPOS")));
    EXPECT_THAT(out, ElementsAre(1, 2, 3));
}

TEST_F(BlockQueryTest, ArgumentChecks)
{
    std::vector<float> out(900);
    std::vector<int32_t> ints(900);
    // Refused in every build: nothing to write into, nothing to count.
    EXPECT_EQ(QueryRangeBlock(h, "X", 0, 3, nullptr), kErrInvalidArgument);
    EXPECT_EQ(QueryRangeBlock(h, "X", 0, -1, out.data()), kErrInvalidArgument);
    EXPECT_EQ(QueryPwmDutyBank(h, -1, 3, out.data()), kErrInvalidArgument);
    EXPECT_TRUE(link.sent().empty());
    // Refused by the workbench build only.
    link.defaultReply("0");
    const int expected = kScope ? 0 : kErrInvalidArgument;
    EXPECT_EQ(QueryInvertInBank(h, 0, 801, ints.data()), expected);
    EXPECT_EQ(QueryPwmFreqBank(h, 0, 801, out.data()), expected);
    EXPECT_EQ(QueryNamedBlock(h, "X", 129, out.data()), expected);
    EXPECT_EQ(link.sent().empty(), !kScope);
    EXPECT_EQ(QueryInvertInBank(h, 0, 800, ints.data()), 0);
}

} // namespace
