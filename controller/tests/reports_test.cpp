// The special reports, read back the way the tools read them.
#include "controller_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace korvan::controller::testing {
namespace {

// The value-list parse the tools apply to multi-value replies.
int parseFloatList(const char* text, int count, std::vector<float>& out)
{
    while (*text == ' ')
        ++text;
    if (!((*text >= '0' && *text <= '9') || *text == '-'))
        return 30001;
    for (int i = 0; i < count; ++i) {
        while (*text == ' ' || *text == '\t')
            ++text;
        if (*text == 0 || *text == '\n' || *text == '\r')
            return 0;
        if (!((*text >= '0' && *text <= '9') || *text == '-'))
            return 0;
        char* end = nullptr;
        const double v = std::strtod(text, &end);
        if (end == text)
            return 30001;
        out.push_back(static_cast<float>(v));
        text = end;
    }
    return 0;
}

using ReportsTest = ControllerTest;

TEST_F(ReportsTest, SetReportReadsBackAsRatioPairs)
{
    ok("base(2)\r\nSTEP_RATIO(10,3)");
    ok("base(5)\r\nENCODER_RATIO(4,-9)");
    const std::string reply = ok("?*SET");
    const auto step = reply.find("STEP_RATIO:");
    const auto enc = reply.find("ENCODER_RATIO:");
    ASSERT_NE(step, std::string::npos);
    ASSERT_NE(enc, std::string::npos);
    ASSERT_LT(step, enc);
    auto pairs = [](std::string section, std::vector<float>& values) {
        const auto n = std::count(section.begin(), section.end(), '~');
        std::replace(section.begin(), section.end(), '~', ' ');
        EXPECT_EQ(parseFloatList(section.c_str(), static_cast<int>(2 * n), values), 0);
        return n;
    };
    std::vector<float> stepValues;
    std::vector<float> encValues;
    EXPECT_EQ(pairs(reply.substr(step + 12, enc - step - 12), stepValues), 8);
    EXPECT_EQ(pairs(reply.substr(enc + 15), encValues), 8);
    ASSERT_EQ(stepValues.size(), 16u);
    ASSERT_EQ(encValues.size(), 16u);
    EXPECT_EQ(stepValues[4], 10);
    EXPECT_EQ(stepValues[5], 3);
    EXPECT_EQ(encValues[10], 4);
    EXPECT_EQ(encValues[11], -9);
    EXPECT_EQ(stepValues[0], 1);
}

// The "?*max" parse of the oscilloscope: value between the comma after the
// key and the next '\n'; table and VR from the key's end to the '\n'.
int maxValue(const std::string& reply, const std::string& key, bool afterComma)
{
    auto at = reply.find(key);
    if (at == std::string::npos)
        return 0;
    std::size_t from = at + key.size();
    if (afterComma) {
        const auto comma = reply.find(',', at);
        if (comma == std::string::npos)
            return 0;
        from = comma + 1;
    }
    const auto nl = reply.find('\n', from);
    if (nl == std::string::npos)
        return 0;
    return std::atoi(reply.substr(from, nl - from).c_str());
}

TEST_F(ReportsTest, MaxReportInBothSpellings)
{
    const std::string lower = ok("?*max");
    EXPECT_EQ(lower, ok("?*MAX"));
    EXPECT_EQ(maxValue(lower, "max_in:", true), 48); // local 24, module up to 47
    EXPECT_EQ(maxValue(lower, "max_out:", true), 48);
    EXPECT_EQ(maxValue(lower, "max_ain:", true), 2);
    EXPECT_EQ(maxValue(lower, "max_aout:", true), 2);
    EXPECT_EQ(maxValue(lower, "max_table:", false), 5000);
    EXPECT_EQ(maxValue(lower, "max_vr:", false), 100);
    // The PWM reader skips to the first digit after "max_pwm:".
    const auto pwm = lower.find("max_pwm:");
    ASSERT_NE(pwm, std::string::npos);
    EXPECT_EQ(std::atoi(lower.c_str() + pwm + 8), 4);
}

TEST_F(ReportsTest, SlotReportNamesTheBusesInDotSeparatedTokens)
{
    const std::string reply = ok("?*SLOT");
    std::vector<int> modes;
    std::size_t start = 0;
    while (start <= reply.size()) {
        const auto dot = reply.find('.', start);
        const std::string token = reply.substr(start, dot - start);
        if (token.find("ETHERCAT") != std::string::npos)
            modes.push_back(1);
        else if (token.find("RTEX") != std::string::npos)
            modes.push_back(2);
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    EXPECT_EQ(modes, (std::vector<int>{1, 2}));
}

TEST_F(ReportsTest, IpAddressReadsAsIntegerWithTheFirstOctetLowest)
{
    int value = 0;
    ASSERT_EQ(std::sscanf(ok("?IP_ADDRESS").c_str(), "%d", &value), 1);
    const auto u = static_cast<uint32_t>(value);
    EXPECT_EQ(u & 0xff, 127u);
    EXPECT_EQ(u >> 24, 60u);
    // A high last octet still reads with "%d" (as a negative number).
    ok("IP_ADDRESS = 127.1.2.200");
    ASSERT_EQ(std::sscanf(ok("?IP_ADDRESS").c_str(), "%d", &value), 1);
    EXPECT_EQ(static_cast<uint32_t>(value), 127u | (1u << 8) | (2u << 16) | (200u << 24));
}

TEST_F(ReportsTest, IpChangeDropsTheLink)
{
    const Outcome o = controller->execute(task, "IP_ADDRESS = 127.0.0.61");
    EXPECT_EQ(o.code, 0);
    EXPECT_TRUE(o.dropLink);
    EXPECT_EQ(controller->ipAddressText(), "127.0.0.61");
    EXPECT_FALSE(controller->execute(task, "?IP_ADDRESS").dropLink);
}

// "Sys_version" tells the workbench that the bus program runs; the
// controller itself must not answer it, or a controller without the program
// would be shown in the field-bus form.
TEST_F(ReportsTest, VersionProbeBelongsToTheBusProgram)
{
    EXPECT_EQ(code("?Sys_version"), 2002);
}

} // namespace
} // namespace korvan::controller::testing
