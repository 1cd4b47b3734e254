#include "scope/core/controller_limits.h"
#include "scope/core/tests/fake_scope_link.h"

#include <gtest/gtest.h>

namespace korvan::scope {
namespace {

using testing::FakeScopeLink;

TEST(ControllerLimits, ParsesMaxReply)
{
    ControllerLimits limits;
    parseMaxReply("max_axis:8\nmax_in:0,24\nmax_out:0,16\nmax_ain:1,4\nmax_aout:2,2\n"
                  "max_table:320000\nmax_vr:1024\n",
                  limits);
    EXPECT_EQ(limits.inputs, 24);
    EXPECT_EQ(limits.outputs, 16);
    EXPECT_EQ(limits.analogInputs, 4);
    EXPECT_EQ(limits.analogOutputs, 2);
    EXPECT_EQ(limits.tableSize, 320000);
    EXPECT_EQ(limits.vrCount, 1024);

    ControllerLimits cut;
    parseMaxReply("max_in:0,24", cut); // no line end after the value
    EXPECT_EQ(cut.inputs, 0);
}

TEST(ControllerLimits, RowsGetListsClampsAndLatchFallbacks)
{
    FakeScopeLink link;
    link.axisCount = 4;
    link.replies["?*max"] = "max_in:0,24\nmax_out:0,16\nmax_table:500\nmax_vr:10\n";
    link.replies["?*MARKD"] = "1"; // MARKD is served, MARKC is not
    ControllerLimitsLoader loader;
    std::array<RowBoxes, kMaxChannels> rows;
    const std::pair<const char*, const char*> setup[] = {
        {"OP", "9"},    {"IN", "30"}, {"TABLE", "900"},       {"markc", "1"},
        {"MARKD", "2"}, {"VR", "3"},  {"MODBUS_REG", "5000"}, {"DPOS", "2"}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].source = setup[i].first;
        rows[i].numberText = setup[i].second;
    }
    std::vector<std::string> messages;
    ASSERT_TRUE(loader.load(link, rows, [&](std::string_view m) { messages.emplace_back(m); }));
    EXPECT_EQ(rows[0].listCount, 4) << "OP offers the axes, not the outputs";
    EXPECT_EQ(rows[0].number, 3);
    EXPECT_EQ(rows[1].number, 23);
    EXPECT_EQ(rows[2].listCount, 0);
    EXPECT_EQ(rows[2].number, 499);
    EXPECT_EQ(rows[3].source, "MARK");
    EXPECT_EQ(rows[4].source, "MARKD");
    EXPECT_EQ(rows[6].number, 2047);
    EXPECT_EQ(rows[7].numberText, "2");
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0], "不支持的源!");

    EXPECT_FALSE(loader.load(link, rows, {})) << "once per link";
    loader.invalidate();
    EXPECT_TRUE(loader.load(link, rows, {}));
    link.isConnected = false;
    EXPECT_FALSE(loader.load(link, rows, {}));
    EXPECT_FALSE(loader.limits().loaded);
}

} // namespace
} // namespace korvan::scope
