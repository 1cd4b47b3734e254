// The fake link keeps the link's contracts, so code tested against it sees
// what the real link gives.
#include "testing/fakelink/fake_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

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

TEST_F(FakeLinkTest, PresetsByFieldLandAtTheRecordsOffsets)
{
    SpecPreset spec;
    spec.servesDtRegisters = true;
    spec.virtualAxes = 0x0120;
    spec.inputs = 24;
    spec.flashKb = -2;
    spec.tableRegisters = 0x00030201;
    spec.scopeChannels = 8;
    link.setSpecRecord(spec);
    std::array<uint8_t, VXC_SPEC_RECORD_SIZE> got{};
    EXPECT_EQ(VXC_GetSysSpecification(h, got.data()), 0);
    EXPECT_EQ(got[1], 1);
    EXPECT_EQ(got[4], 0x20);
    EXPECT_EQ(got[5], 0x01);
    EXPECT_EQ(got[8], 24);
    EXPECT_EQ(got[16], 0xFE);
    EXPECT_EQ(got[19], 0xFF);
    EXPECT_EQ(got[32], 0x01);
    EXPECT_EQ(got[34], 0x03);
    EXPECT_EQ(got[55], 8);

    link.addChildCard(ChildCardPreset{0x01020304, 3, 8, 6, 4, 2, 1});
    std::array<uint8_t, VXC_CHILD_CARD_SIZE> card{};
    EXPECT_EQ(VXC_EnumChildCard(h, 65535, card.data()), 0);
    EXPECT_THAT(card, ElementsAre(4, 3, 2, 1, 3, 0, 8, 6, 4, 2, 1, 0));
}

TEST_F(FakeLinkTest, ScriptedChildCardAnswersComeFirstWhateverIsAsked)
{
    link.addChildCard(ChildCardPreset{0, 1});
    link.scriptChildCardAnswers({ChildCardBytes({0, 5}), ChildCardBytes({0, 5})});
    std::array<uint8_t, VXC_CHILD_CARD_SIZE> card{};
    EXPECT_EQ(VXC_EnumChildCard(h, 65535, card.data()), 0);
    EXPECT_EQ(card[4], 5);
    EXPECT_EQ(VXC_EnumChildCard(h, 5, card.data()), 0);
    EXPECT_EQ(card[4], 5);
    EXPECT_EQ(VXC_EnumChildCard(h, 65535, card.data()), 0);
    EXPECT_EQ(card[4], 1);
}

TEST_F(FakeLinkTest, ADroppedConnectionFailsFastUntilClosed)
{
    link.reply("?A", "1");
    ControllerHandle other = link.createHandle();
    link.dropConnection(h);
    char reply[8] = "x";
    EXPECT_EQ(VXC_Execute(h, "?A", 1000, reply, sizeof reply), VXC_ERR_CONNECTION_LOST);
    EXPECT_STREQ(reply, "x");
    uint8_t state = 7;
    EXPECT_EQ(VXC_GetState(h, &state), VXC_ERR_CONNECTION_LOST);
    EXPECT_EQ(state, 7);
    EXPECT_EQ(VXC_GetAxises(h), 0);
    EXPECT_EQ(VXC_GetConnectType(h), 0);
    // Handles are independent.
    EXPECT_EQ(VXC_DirectCommand(other, "?A", reply, sizeof reply), 0);
    EXPECT_STREQ(reply, "1");
    EXPECT_EQ(VXC_Close(h), 0);
    EXPECT_FALSE(link.isOpen(h));
    EXPECT_EQ(VXC_Close(h), VXC_ERR_BAD_HANDLE);
}

TEST_F(FakeLinkTest, PackagesAndProjectsNeedReadableFiles)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("fakelink-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path krx = dir / "app.krx";
    std::ofstream(krx, std::ios::binary) << std::string("KRX\0\x01", 5);
    EXPECT_EQ(VXC_DownKrx(h, krx.c_str(), 0), 0);
    EXPECT_EQ(link.lastPackage(), std::string("KRX\0\x01", 5));
    EXPECT_EQ(VXC_DownKrxToRamAndRun(h, (dir / "missing.krx").c_str()), VXC_ERR_NO_SUCH_FILE);
    EXPECT_EQ(VXC_DownKrx(h, dir.c_str(), 0), VXC_ERR_NO_SUCH_FILE);
    EXPECT_EQ(VXC_DownKrx(h, nullptr, 0), VXC_ERR_INVALID_ARGUMENT);

    const fs::path bas = dir / "Axis.bas";
    std::ofstream(bas) << "BASE(0)\r\n";
    char first[VXC_KPJ_BUFFER_SIZE] = "x";
    char second[VXC_KPJ_BUFFER_SIZE] = "x";
    ASSERT_EQ(VXC_MakeOneFileKpj(first, second, bas.c_str()), 0);
    EXPECT_EQ(fs::path(first), dir / "Axis.kpj");
    EXPECT_EQ(fs::path(second), dir);
    EXPECT_EQ(VXC_MakeKrxAndRamRun2(h, first, second, 0, 0), 0);
    EXPECT_EQ(VXC_MakeKrxAndDown2(h, first, second, 0, 0), 0);
    link.setKpjTexts("p.kpj", "p");
    ASSERT_EQ(VXC_MakeOneFileKpj(first, second, bas.c_str()), 0);
    EXPECT_STREQ(first, "p.kpj");
    EXPECT_EQ(VXC_MakeOneFileKpj(first, second, (dir / "none.bas").c_str()), VXC_ERR_NO_SUCH_FILE);
    EXPECT_STREQ(first, "");
    EXPECT_EQ(VXC_MakeOneFileKpj(nullptr, second, bas.c_str()), VXC_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(VXC_Resume(h), 0);
    fs::remove_all(dir);

    const auto calls = link.calls("VXC_MakeKrxAndDown2");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, (dir / "Axis.kpj").string());
    EXPECT_THAT(calls[0].args, ElementsAre(0, 0));
}

TEST_F(FakeLinkTest, SerialOpensRecordPortAndSettings)
{
    EXPECT_EQ(VXC_SetComDefaultBaud(38400, 8, 2, 0), 0);
    ControllerHandle com = nullptr;
    EXPECT_EQ(VXC_OpenCom(3, &com), 0);
    ASSERT_NE(com, nullptr);
    EXPECT_EQ(VXC_GetConnectType(com), VXC_LINK_SERIAL);
    char ip[VXC_IP_TEXT_CAPACITY];
    EXPECT_EQ(VXC_GetCurIpAddr(com, ip), VXC_ERR_NOT_SUPPORTED);
    link.refuseOpen("COM4");
    ControllerHandle none = nullptr;
    EXPECT_EQ(VXC_PeakCom(4, 300, &none), VXC_ERR_OPEN_FAILED);
    EXPECT_EQ(none, nullptr);
    EXPECT_THAT(link.calls("VXC_SetComDefaultBaud").at(0).args, ElementsAre(38400, 8, 2, 0));
    EXPECT_EQ(link.calls("VXC_PeakCom").at(0).timeoutMs, 300u);
    EXPECT_EQ(link.calls("VXC_OpenCom").at(0).text, "COM3");
}

TEST_F(FakeLinkTest, TimeoutErrorIdentityFlashAndRegisters)
{
    EXPECT_EQ(VXC_SetTimeOut(h, 250), 0);
    EXPECT_EQ(link.calls("VXC_SetTimeOut").at(0).timeoutMs, 250u);

    link.setControllerError(2002);
    int32_t code = 0;
    EXPECT_EQ(VXC_GetError(h, &code), 0);
    EXPECT_EQ(code, 2002);

    link.setHardId(0x00050102);
    uint32_t id = 0;
    EXPECT_EQ(VXC_GetHardId(h, &id), 0);
    EXPECT_EQ(id, 0x00050102u);
    link.setControllerIdDate(77, 2026, 12, 10, 5);
    int32_t cid = 0, year = 0, serial = 0;
    EXPECT_EQ(VXC_GetControllerIDDate(h, &cid, &year, nullptr, nullptr, &serial), 0);
    EXPECT_EQ(cid, 77);
    EXPECT_EQ(year, 2026);
    EXPECT_EQ(serial, 5);

    link.setPciCardCount(2);
    EXPECT_EQ(VXC_GetMaxPciCards(), 2);

    const float values[3] = {1.5f, 2.5f, 3.5f};
    EXPECT_EQ(VXC_FlashWritef(h, 10, 3, values), 0);
    EXPECT_EQ(link.flash()[11], 2.5f);
    EXPECT_THAT(link.calls("VXC_FlashWritef").at(0).values, ElementsAre(1.5, 2.5, 3.5));

    link.setModbusRegister(13001, 0xBEEF);
    uint16_t regs[2] = {};
    EXPECT_EQ(VXC_Modbus_Get4x(h, 13000, 2, regs), 0);
    EXPECT_EQ(regs[1], 0xBEEF);
    const uint16_t out[1] = {42};
    EXPECT_EQ(VXC_Modbus_Set4x(h, 100, 1, out), 0);
    EXPECT_EQ(link.modbusRegister(100), 42);
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
