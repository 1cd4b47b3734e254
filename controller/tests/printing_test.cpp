#include "controller/basic/value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace korvan::controller::basic {
namespace {

struct FormatCase
{
    double value;
    const char* text;
};

TEST(FormatNumber, IntegersPlainRealsShortest)
{
    const FormatCase cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {100, "100"},
        {-1, "-1"},
        {200000000, "200000000"},
        {-200000000, "-200000000"},
        {100.5, "100.5"},
        {0.0001, "0.0001"},
        {0.1, "0.1"},
        {-2.25, "-2.25"},
        {1.0000004, "1"},
        {1.5e-5, "1.5e-05"},
        {184549503, "184549503"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(formatNumber(c.value), c.text) << c.value;
}

TEST(FormatNumber, EveryFormReadsBackWithScanf)
{
    for (double v : {3.0, -7.0, 12.125, 0.0001, 1.5e-5, 123456.75, -0.5}) {
        const std::string text = formatNumber(v);
        float f = 0;
        ASSERT_EQ(std::sscanf(text.c_str(), "%f", &f), 1) << text;
        EXPECT_NEAR(f, v, std::fabs(v) * 1e-6 + 1e-9) << text;
        EXPECT_NEAR(std::strtod(text.c_str(), nullptr), v, std::fabs(v) * 1e-6) << text;
    }
}

} // namespace
} // namespace korvan::controller::basic
