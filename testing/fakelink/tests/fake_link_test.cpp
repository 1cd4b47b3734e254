// The fake link keeps the link's contracts, so code tested against it sees
// what the real link gives.
#include "testing/fakelink/fake_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace korvan::testing;
using ::testing::ElementsAre;

namespace {

class FakeLinkTest : public ::testing::Test
{
protected:
    FakeLink link;
    ControllerHandle h = link.handle();
};

TEST_F(FakeLinkTest, RepliesByExactTextThenLongestPrefixThenResponderThenDefault)
{
    link.reply("?DPOS(0)", "1");
    link.replyPrefix("?DPOS", "2");
    link.replyPrefix("?DPOS(1", "3");
    link.respond([](std::string_view c) -> std::optional<Reply> {
        if (c == "?X")
            return Reply{"4"};
        return std::nullopt;
    });
    link.defaultReply("5");
    char reply[16];
    const char* commands[] = {"?DPOS(0)", "?DPOS(2)", "?DPOS(12)", "?X", "?Y"};
    std::string got;
    for (const char* c : commands) {
        ASSERT_EQ(VXC_DirectCommand(h, c, reply, sizeof reply), 0);
        got += reply;
    }
    EXPECT_EQ(got, "12345");
}

TEST_F(FakeLinkTest, OneShotRepliesComeFirstAndInOrder)
{
    link.reply("?A", "fixed");
    link.replyOnce("?A", "first");
    link.replyOnce("?A", "second", 2002);
    char reply[16];
    EXPECT_EQ(VXC_Execute(h, "?A", 1000, reply, sizeof reply), 0);
    EXPECT_STREQ(reply, "first");
    EXPECT_EQ(VXC_Execute(h, "?A", 1000, reply, sizeof reply), 2002);
    EXPECT_STREQ(reply, "second");
    EXPECT_EQ(VXC_Execute(h, "?A", 1000, reply, sizeof reply), 0);
    EXPECT_STREQ(reply, "fixed");
}

TEST_F(FakeLinkTest, RecordsTextTimeoutCapacityAndBaseOperation)
{
    char reply[8];
    VXC_Execute(h, "A=1", 500, reply, sizeof reply);
    VXC_DirectCommand(h, "B=1", nullptr, 0);
    VXC_ExecuteNoAck(h, "C=1", 500);
    EXPECT_THAT(link.sent(), ElementsAre(Buffered("A=1"), Direct("B=1"), NoAck("C=1")));
    EXPECT_THAT(link.commands(), ElementsAre("A=1", "B=1", "C=1"));
    EXPECT_EQ(link.viaOf(1), Via::Direct);
    const auto& first = link.calls().front();
    EXPECT_EQ(first.handle, h);
    EXPECT_EQ(first.timeoutMs, 500u);
    EXPECT_EQ(first.capacity, 8u);
    link.clearCalls();
    EXPECT_TRUE(link.calls().empty());
}

TEST_F(FakeLinkTest, RepliesAreCutToCapacityAndTerminated)
{
    link.defaultReply("0123456789");
    char reply[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(VXC_DirectCommand(h, "?A", reply, sizeof reply), 0);
    EXPECT_STREQ(reply, "0123");
    EXPECT_EQ(VXC_DirectCommand(h, "?A", nullptr, 0), 0);
    EXPECT_EQ(VXC_DirectCommand(h, "?A", nullptr, 10), VXC_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(VXC_DirectCommand(h, nullptr, reply, sizeof reply), VXC_ERR_INVALID_ARGUMENT);
    const std::string overlong(VXC_MAX_COMMAND, 'A');
    EXPECT_EQ(VXC_DirectCommand(h, overlong.c_str(), nullptr, 0), VXC_ERR_TOO_LONG);
}

TEST_F(FakeLinkTest, NullAndClosedHandlesTouchNoOutput)
{
    char reply[8] = "keep";
    EXPECT_EQ(VXC_DirectCommand(nullptr, "?A", reply, sizeof reply), VXC_ERR_BAD_HANDLE);
    EXPECT_STREQ(reply, "keep");
    EXPECT_EQ(VXC_GetAxises(nullptr), 0);
    EXPECT_EQ(VXC_GetConnectType(nullptr), 0);
    EXPECT_EQ(VXC_Close(h), 0);
    EXPECT_FALSE(link.isOpen(h));
    EXPECT_EQ(VXC_Execute(h, "?A", 1000, reply, sizeof reply), VXC_ERR_BAD_HANDLE);
    EXPECT_EQ(VXC_Close(h), VXC_ERR_BAD_HANDLE);
}

TEST_F(FakeLinkTest, FailedOpensLeaveTheHandleNull)
{
    link.refuseOpen("127.0.0.99");
    ControllerHandle opened = nullptr;
    EXPECT_EQ(VXC_OpenEth("127.0.0.99", &opened), VXC_ERR_OPEN_FAILED);
    EXPECT_EQ(opened, nullptr);
    link.fail("VXC_FastOpen", VXC_ERR_TIMEOUT);
    EXPECT_EQ(VXC_FastOpen(2, "127.0.0.12", 500, &opened), VXC_ERR_TIMEOUT);
    EXPECT_EQ(opened, nullptr);
    EXPECT_EQ(VXC_OpenEth("127.0.0.12", &opened), 0);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(VXC_GetConnectType(opened), VXC_LINK_ETHERNET);
    EXPECT_EQ(VXC_Open(4, "PCI1", &opened), 0);
    EXPECT_EQ(VXC_GetConnectType(opened), VXC_LINK_PCI);
    char ip[VXC_IP_TEXT_CAPACITY];
    EXPECT_EQ(VXC_GetCurIpAddr(opened, ip), VXC_ERR_NOT_SUPPORTED);
}

TEST_F(FakeLinkTest, FailuresPerFunctionPerCommandAndNth)
{
    link.fail("VXC_Execute", "?B", 2002);
    link.failNth("VXC_DirectCommand", 1, 3400);
    char reply[8];
    EXPECT_EQ(VXC_Execute(h, "?A", 1000, reply, sizeof reply), 0);
    EXPECT_EQ(VXC_Execute(h, "?B", 1000, reply, sizeof reply), 2002);
    EXPECT_EQ(VXC_DirectCommand(h, "?A", reply, sizeof reply), 0);
    EXPECT_EQ(VXC_DirectCommand(h, "?A", reply, sizeof reply), 3400);
    EXPECT_EQ(VXC_DirectCommand(h, "?A", reply, sizeof reply), 0);
    link.fail("VXC_GetState", 3402);
    uint8_t state = 7;
    EXPECT_EQ(VXC_GetState(h, &state), 3402);
    EXPECT_EQ(state, 7);
}

TEST_F(FakeLinkTest, PendingMessagesThatDoNotFitStayPending)
{
    link.pushMessage("hello world");
    char buffer[6];
    uint32_t length = 0;
    EXPECT_EQ(VXC_ReadMessage(h, buffer, sizeof buffer, &length), 0);
    EXPECT_STREQ(buffer, "hello");
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(VXC_ReadMessage(h, buffer, sizeof buffer, &length), 0);
    EXPECT_STREQ(buffer, " worl");
    link.pushReceive("x");
    EXPECT_EQ(VXC_ExecuteGetReceive(h, buffer, sizeof buffer, &length, 0), 0);
    EXPECT_STREQ(buffer, "x");
    EXPECT_EQ(VXC_ExecuteGetReceive(h, buffer, sizeof buffer, &length, 0), 0);
    EXPECT_EQ(length, 0u);
}

TEST_F(FakeLinkTest, PresetRecordsAndChildCardWalk)
{
    std::array<uint8_t, VXC_SPEC_RECORD_SIZE> spec{};
    spec[55] = 8;
    link.setSpecRecord(spec);
    std::array<uint8_t, 64> out{};
    out[60] = 0xAA;
    EXPECT_EQ(VXC_GetSysSpecification(h, out.data()), 0);
    EXPECT_EQ(out[55], 8);
    EXPECT_EQ(out[60], 0xAA); // exactly 60 bytes written

    std::array<uint8_t, VXC_CHILD_CARD_SIZE> card{};
    card[4] = 2;
    link.addChildCard(card);
    card[4] = 0;
    link.addChildCard(card);
    std::array<uint8_t, VXC_CHILD_CARD_SIZE> got{};
    EXPECT_EQ(VXC_EnumChildCard(h, 65535, got.data()), 0);
    EXPECT_EQ(got[4], 0);
    EXPECT_EQ(VXC_EnumChildCard(h, 0, got.data()), 0);
    EXPECT_EQ(got[4], 2);
    EXPECT_EQ(VXC_EnumChildCard(h, 2, got.data()), 0);
    EXPECT_GE(got[4] | got[5] << 8, 128);
}

TEST_F(FakeLinkTest, ModbusBitsPackLowestAddressFirst)
{
    link.setModbusBit(10016, true);
    link.setModbusBit(10025, true);
    uint8_t bits[2] = {0xFF, 0xFF};
    EXPECT_EQ(VXC_Modbus_Get0x(h, 10016, 10, bits), 0);
    EXPECT_EQ(bits[0], 0x01);
    EXPECT_EQ(bits[1], 0x02);
    const uint8_t set[1] = {0x05};
    EXPECT_EQ(VXC_Modbus_Set0x(h, 20000, 3, set), 0);
    EXPECT_TRUE(link.modbusBit(20000));
    EXPECT_FALSE(link.modbusBit(20001));
    EXPECT_TRUE(link.modbusBit(20002));
    const uint16_t regs[2] = {1, 2};
    EXPECT_EQ(VXC_Modbus_Set4x(h, 100, 2, regs), 0);
    EXPECT_EQ(link.modbusRegister(101), 2);
}

TEST_F(FakeLinkTest, IdentityPresets)
{
    link.setSoftVersion(4.5f, "KV-TEST", 20250102);
    link.setAxisCount(12);
    link.setHardId(0x00020001);
    link.setAxisFeatures(3, 0x800);
    link.setRegister("DT", 5, 2.5f);
    float version = 0;
    char type[VXC_SOFT_TYPE_CAPACITY];
    int32_t date = 0;
    EXPECT_EQ(VXC_GetSoftVersion(h, &version, type, &date), 0);
    EXPECT_EQ(version, 4.5f);
    EXPECT_STREQ(type, "KV-TEST");
    EXPECT_EQ(VXC_GetAxises(h), 12);
    uint32_t value = 0;
    EXPECT_EQ(VXC_GetAxisFeatures(h, 3, &value), 0);
    EXPECT_EQ(value, 0x800u);
    float dt[2] = {};
    EXPECT_EQ(VXC_RegisterRead(h, "DT", 32, 4, 2, dt), 0);
    EXPECT_EQ(dt[1], 2.5f);
    link.setSearchResult("127.0.0.11 127.0.0.12");
    char found[64];
    EXPECT_EQ(VXC_SearchEth(found, sizeof found, 100), 0);
    EXPECT_STREQ(found, "127.0.0.11 127.0.0.12");
}

TEST(FakeLinkReset, ResetInvalidatesHandlesAndForgetsScripts)
{
    ControllerHandle old = nullptr;
    {
        FakeLink link;
        link.reply("?A", "1");
        old = link.handle();
    }
    FakeLink link;
    EXPECT_FALSE(link.isOpen(old));
    char reply[8];
    EXPECT_EQ(VXC_DirectCommand(link.handle(), "?A", reply, sizeof reply), 0);
    EXPECT_STREQ(reply, "");
}

} // namespace
