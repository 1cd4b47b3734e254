// The capture engine through the module's link access, against the recording
// fake link: the exact command texts, their base operations and the samples.
#include "scope/control/link_scope_access.h"
#include "scope/core/capture_engine.h"
#include "scope/core/tests/fake_scope_link.h"
#include "testing/fakelink/fake_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace korvan::scope {
namespace {

using korvan::testing::Buffered;
using korvan::testing::Direct;
using korvan::testing::FakeLink;
using korvan::testing::NoAck;
using ::testing::Contains;

class LinkCaptureTest : public ::testing::Test
{
protected:
    LinkCaptureTest()
    {
        std::array<std::uint8_t, VXC_SPEC_RECORD_SIZE> record{};
        record[55] = 8;
        link.setSpecRecord(record);
        link.reply("?TSIZE", "10000\r\n");
        link.respond([this](std::string_view command) -> std::optional<korvan::testing::Reply> {
            if (command == "?SCOPE_POS")
                return korvan::testing::Reply{std::to_string(position) + "\r\n", 0};
            // "?TABLE(i) TABLE(i+1) ...": each value is its own index.
            if (command.starts_with("?TABLE(")) {
                std::ostringstream out;
                std::string text(command.substr(1));
                int index = 0;
                for (std::size_t at = 0; (at = text.find("TABLE(", at)) != std::string::npos;
                     at += 6) {
                    index = std::stoi(text.substr(at + 6));
                    out << index << ' ';
                }
                return korvan::testing::Reply{out.str() + "\r\n", 0};
            }
            return std::nullopt;
        });
        handle = link.handle();
        rows[1].source = "DPOS";
        rows[1].number = 1;
    }

    FakeLink link;
    ControllerHandle handle = nullptr;
    LinkScopeAccess access{handle};
    ControllerSpec spec;
    ScopeSettings settings;
    ScopeChannels rows = defaultChannels();
    ScopeRecord record;
    korvan::scope::testing::FakeCaptureHost host;
    CaptureEngine engine{access, spec, settings, rows, record, host};
    int position = 0;
};

TEST_F(LinkCaptureTest, StartTriggerAndReadSendTheExactTexts)
{
    engine.start();
    const auto sent = link.sent();
    EXPECT_THAT(sent, Contains(Buffered("?TSIZE")));
    EXPECT_THAT(sent, Contains(Buffered("SCOPE(1,1,8000,9999,VP_SPEED(0),DPOS(1))")));
    const auto executes = link.calls("VXC_Execute");
    ASSERT_FALSE(executes.empty());
    EXPECT_EQ(executes.back().timeoutMs, 1000U);
    EXPECT_EQ(executes.back().capacity, 255U);

    engine.manualTrigger();
    EXPECT_EQ(link.sent().back(), NoAck("TRIGGER"));

    link.clearCalls();
    position = 20;
    engine.poll();
    EXPECT_THAT(link.sent(), Contains(Buffered("?SCOPE_POS")));
    std::string first = "?";
    for (int i = 0; i < 15; ++i)
        first += "TABLE(" + std::to_string(8000 + i) + ") ";
    EXPECT_THAT(link.sent(), Contains(Direct(first)));
    ASSERT_EQ(record.total, 20);
    for (int s = 0; s < 20; ++s) {
        EXPECT_EQ(record.sample(0, s), 8000.0F + s);
        EXPECT_EQ(record.sample(1, s), 9000.0F + s);
    }

    engine.stop();
    EXPECT_EQ(link.sent().back(), NoAck("SCOPE(0)"));
}

TEST_F(LinkCaptureTest, FastReadUsesRegisterReadsOfTwoHundred)
{
    std::array<std::uint8_t, VXC_SPEC_RECORD_SIZE> fast{};
    fast[1] = 1;
    fast[55] = 8;
    link.setSpecRecord(fast);
    for (int i = 0; i < 2000; ++i)
        link.setRegister("DT", static_cast<std::uint32_t>(8000 + i), static_cast<float>(i));
    engine.start();
    engine.manualTrigger();
    position = 450;
    engine.poll();
    const auto reads = link.calls("VXC_RegisterRead");
    ASSERT_EQ(reads.size(), 6U); // 200 + 200 + 50 for each channel
    for (const auto& call : reads)
        EXPECT_EQ(call.text, "DT");
    EXPECT_EQ(record.sample(1, 449), 1449.0F);
}

} // namespace
} // namespace korvan::scope
