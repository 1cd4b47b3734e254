// libkorvan against a link server over loopback TCP.
#include "link/tests/link_fixture.h"

#include <cstring>
#include <thread>

namespace korvan::link::testing {
namespace {

using EthernetLink = LinkFixture;

TEST_F(EthernetLink, ExecuteAndDirectCommandReturnTheControllerOutput)
{
    ControllerHandle handle = open();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(VXC_GetConnectType(handle), VXC_LINK_ETHERNET);
    char reply[2048];
    EXPECT_EQ(VXC_Execute(handle, "?DPOS(0)", 1000, reply, sizeof reply), VXC_OK);
    EXPECT_STREQ(reply, "12.5000\n");
    std::strcpy(reply, "stale");
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_OK);
    EXPECT_STREQ(reply, "12.5000\n");
    // The controller's own code passes through with its text.
    EXPECT_EQ(VXC_DirectCommand(handle, "BOGUS", reply, sizeof reply), 2002);
    EXPECT_STREQ(reply, "ERROR: unknown command\n");
    EXPECT_EQ(VXC_Execute(handle, "?DPOS(0)", 1000, nullptr, 0), VXC_OK);
    EXPECT_EQ(VXC_DirectCommand(handle, "?TRANSPORT", reply, sizeof reply), VXC_OK);
    EXPECT_STREQ(reply, "2\n");
}

TEST_F(EthernetLink, RepliesAreCutToCapacityAndTerminated)
{
    m_endpoint.replies["LONG"] = std::string(5000, 'x');
    ControllerHandle handle = open();
    for (const uint32_t capacity : {1u, 2u, 8u, 4999u, 5000u, 5001u, 6000u}) {
        std::vector<char> reply(capacity + 16, '#');
        ASSERT_EQ(VXC_Execute(handle, "LONG", 1000, reply.data(), capacity), VXC_OK);
        const std::size_t expected = std::min<std::size_t>(5000, capacity - 1);
        EXPECT_EQ(std::strlen(reply.data()), expected) << capacity;
        for (std::size_t i = capacity; i < reply.size(); ++i)
            ASSERT_EQ(reply[i], '#') << "written past capacity " << capacity;
    }
}

TEST_F(EthernetLink, CommandsAtTheLimitAndBeyond)
{
    ControllerHandle handle = open();
    char reply[64];
    const std::string longest(VXC_MAX_COMMAND - 1, 'A');
    EXPECT_EQ(VXC_Execute(handle, longest.c_str(), 1000, reply, sizeof reply), 2002);
    const std::string tooLong(VXC_MAX_COMMAND, 'A');
    EXPECT_EQ(VXC_Execute(handle, tooLong.c_str(), 1000, reply, sizeof reply), VXC_ERR_TOO_LONG);
    EXPECT_EQ(VXC_Execute(handle, nullptr, 1000, reply, sizeof reply), VXC_ERR_INVALID_ARGUMENT);
}

TEST_F(EthernetLink, NullAndClosedHandlesAreRefusedWithoutTouchingOutput)
{
    char reply[16] = "untouched";
    EXPECT_EQ(VXC_Execute(nullptr, "?DPOS(0)", 100, reply, sizeof reply), VXC_ERR_BAD_HANDLE);
    EXPECT_STREQ(reply, "untouched");
    EXPECT_EQ(VXC_Close(nullptr), VXC_ERR_BAD_HANDLE);
    EXPECT_EQ(VXC_GetConnectType(nullptr), 0);
    EXPECT_EQ(VXC_GetAxises(nullptr), 0);
    ControllerHandle handle = nullptr;
    ASSERT_EQ(VXC_OpenEth(m_address.c_str(), &handle), VXC_OK);
    EXPECT_EQ(VXC_Close(handle), VXC_OK);
    EXPECT_EQ(VXC_Close(handle), VXC_ERR_BAD_HANDLE);
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_ERR_BAD_HANDLE);
    EXPECT_STREQ(reply, "untouched");
}

TEST_F(EthernetLink, FailedOpensLeaveTheHandleNull)
{
    ControllerHandle handle = nullptr;
    // Nothing listens on this port of the address.
    const std::string nobody = std::string(kHost) + ":" + std::to_string(m_port == 1 ? 2 : 1);
    EXPECT_EQ(VXC_OpenEth(nobody.c_str(), &handle), VXC_ERR_OPEN_FAILED);
    EXPECT_EQ(handle, nullptr);
    for (const char* bad : {"", "127.0.0.1:", "127.0.0.1:70000", "localhost", "127.0.0.300"}) {
        EXPECT_NE(VXC_OpenEth(bad, &handle), VXC_OK) << bad;
        EXPECT_EQ(handle, nullptr) << bad;
    }
    EXPECT_NE(VXC_OpenEth(nullptr, &handle), VXC_OK);
    m_endpoint.refuse = true;
    EXPECT_EQ(VXC_FastOpen(2, m_address.c_str(), 300, &handle), VXC_ERR_OPEN_FAILED);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(EthernetLink, PortComesFromTheEnvironmentWhenTheTextNamesNone)
{
    ::setenv("KORVAN_PORT", std::to_string(m_port).c_str(), 1);
    ControllerHandle handle = nullptr;
    EXPECT_EQ(VXC_FastOpen(2, kHost, 300, &handle), VXC_OK);
    ::unsetenv("KORVAN_PORT");
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(VXC_Close(handle), VXC_OK);
}

TEST_F(EthernetLink, TimeoutThenLateReplyIsNotTakenForTheNextAnswer)
{
    m_endpoint.replies["SLOW"] = "slow answer\n";
    ControllerHandle handle = open();
    ASSERT_EQ(VXC_SetTimeOut(handle, 100), VXC_OK);
    m_endpoint.delayMs = 250;
    char reply[64];
    EXPECT_EQ(VXC_DirectCommand(handle, "SLOW", reply, sizeof reply), VXC_ERR_TIMEOUT);
    EXPECT_STREQ(reply, "");
    m_endpoint.delayMs = 0;
    // The late "slow answer" arrives while this call waits and is dropped.
    ASSERT_EQ(VXC_SetTimeOut(handle, 2000), VXC_OK);
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_OK);
    EXPECT_STREQ(reply, "12.5000\n");
}

TEST_F(EthernetLink, PeerDeathIsReportedAndLaterCallsFailFast)
{
    ControllerHandle handle = open();
    ASSERT_EQ(VXC_SetTimeOut(handle, 2000), VXC_OK);
    m_endpoint.dropNext = true;
    char reply[64];
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_OK);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_ERR_CONNECTION_LOST);
    EXPECT_EQ(VXC_GetAxises(handle), 0);
    uint8_t state = 50;
    EXPECT_EQ(VXC_GetState(handle, &state), VXC_ERR_CONNECTION_LOST);
    EXPECT_EQ(state, 50);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

TEST_F(EthernetLink, ServerStopDuringACallEndsTheCall)
{
    ControllerHandle handle = open();
    ASSERT_EQ(VXC_SetTimeOut(handle, 3000), VXC_OK);
    m_endpoint.delayMs = 100;
    std::thread stopper([this] { m_server.stop(); });
    char reply[64];
    const int32_t code = VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply);
    stopper.join();
    // Either the reply made it before the link closed, or the loss is reported.
    EXPECT_TRUE(code == VXC_OK || code == VXC_ERR_CONNECTION_LOST) << code;
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_ERR_CONNECTION_LOST);
}

TEST_F(EthernetLink, TwoHandlesAreIndependent)
{
    ControllerHandle first = open();
    ControllerHandle second = open();
    ASSERT_NE(first, second);
    ASSERT_EQ(VXC_ExecuteNoAck(first, "?DPOS(0)", 500), VXC_OK);
    char buffer[64];
    uint32_t length = 99;
    EXPECT_EQ(VXC_ExecuteGetReceive(second, buffer, sizeof buffer, &length, 0), VXC_OK);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(VXC_ExecuteGetReceive(first, buffer, sizeof buffer, &length, 0), VXC_OK);
    EXPECT_EQ(length, 8u);
    EXPECT_STREQ(buffer, "12.5000\n");
    EXPECT_EQ(VXC_Close(first), VXC_OK);
    m_handles.erase(m_handles.begin());
    EXPECT_EQ(VXC_DirectCommand(second, "?DPOS(0)", buffer, sizeof buffer), VXC_OK);
    EXPECT_EQ(m_endpoint.sessions, 2);
}

TEST_F(EthernetLink, PendingMessagesLeaveWhatDoesNotFit)
{
    ControllerHandle handle = open();
    m_endpoint.messages = "0123456789";
    char buffer[5];
    uint32_t length = 0;
    EXPECT_EQ(VXC_ReadMessage(handle, buffer, sizeof buffer, &length), VXC_OK);
    EXPECT_EQ(length, 4u);
    EXPECT_STREQ(buffer, "0123");
    EXPECT_EQ(VXC_ReadMessage(handle, buffer, sizeof buffer, &length), VXC_OK);
    EXPECT_STREQ(buffer, "4567");
    int32_t error = 0;
    EXPECT_EQ(VXC_GetError(handle, &error), VXC_OK);
    EXPECT_EQ(error, 277);
    uint8_t state = 0;
    EXPECT_EQ(VXC_GetState(handle, &state), VXC_OK);
    EXPECT_EQ(state, 1);
    EXPECT_EQ(VXC_ReadMessage(handle, nullptr, 0, &length), VXC_ERR_INVALID_ARGUMENT);
}

TEST_F(EthernetLink, RecordsAndIdentity)
{
    ControllerHandle handle = open();
    uint8_t record[64];
    std::memset(record, 0xEE, sizeof record);
    ASSERT_EQ(VXC_GetSysSpecification(handle, record), VXC_OK);
    EXPECT_EQ(record[0], 1);
    EXPECT_EQ(record[59], 60);
    EXPECT_EQ(record[60], 0xEE) << "the record is exactly 60 bytes";
    uint8_t card[16];
    std::memset(card, 0xEE, sizeof card);
    ASSERT_EQ(VXC_EnumChildCard(handle, 0xFFFF, card), VXC_OK);
    EXPECT_EQ(card[6], 16);
    EXPECT_EQ(card[12], 0xEE);
    EXPECT_EQ(VXC_EnumChildCard(handle, 0, card), 3204);

    float version = 0;
    char type[VXC_SOFT_TYPE_CAPACITY + 8];
    std::memset(type, '#', sizeof type);
    int32_t date = 0;
    ASSERT_EQ(VXC_GetSoftVersion(handle, &version, type, &date), VXC_OK);
    EXPECT_FLOAT_EQ(version, 1.25f);
    EXPECT_EQ(std::strlen(type), VXC_SOFT_TYPE_CAPACITY - 1u);
    EXPECT_EQ(type[VXC_SOFT_TYPE_CAPACITY], '#');
    EXPECT_EQ(date, 20260101);
    EXPECT_EQ(VXC_GetSoftVersion(handle, nullptr, nullptr, nullptr), VXC_OK);

    EXPECT_EQ(VXC_GetAxises(handle), 12);
    char ip[VXC_IP_TEXT_CAPACITY];
    ASSERT_EQ(VXC_GetCurIpAddr(handle, ip), VXC_OK);
    EXPECT_STREQ(ip, "127.0.0.50");
    uint32_t id = 0;
    ASSERT_EQ(VXC_GetHardId(handle, &id), VXC_OK);
    EXPECT_EQ(id, 0x00020007u);
    int32_t controller = 0, year = 0, day = 0;
    ASSERT_EQ(VXC_GetControllerIDDate(handle, &controller, &year, nullptr, &day, nullptr), VXC_OK);
    EXPECT_EQ(controller, 4242);
    EXPECT_EQ(year, 2026);
    EXPECT_EQ(day, 17);
    uint32_t features = 0;
    EXPECT_EQ(VXC_GetAxisFeatures(handle, 1, &features), VXC_OK);
    EXPECT_EQ(features, 0x811u);
    EXPECT_EQ(VXC_GetAxisFeatures(handle, 9, &features), 3204);
}

TEST_F(EthernetLink, MemoryAndRegisters)
{
    ControllerHandle handle = open();
    const std::vector<float> zeros(100, 0.0f);
    EXPECT_EQ(VXC_FlashWritef(handle, 0, 100, zeros.data()), VXC_OK);

    const uint8_t set[2] = {0b1010'0101, 0b0000'0011};
    ASSERT_EQ(VXC_Modbus_Set0x(handle, 20000, 10, set), VXC_OK);
    uint8_t bits[3] = {0xFF, 0xFF, 0xEE};
    ASSERT_EQ(VXC_Modbus_Get0x(handle, 20000, 12, bits), VXC_OK);
    EXPECT_EQ(bits[0], 0b1010'0101);
    EXPECT_EQ(bits[1], 0b0000'0011);
    EXPECT_EQ(bits[2], 0xEE);

    const uint16_t values[3] = {1, 0xBEEF, 65535};
    ASSERT_EQ(VXC_Modbus_Set4x(handle, 13000, 3, values), VXC_OK);
    uint16_t read[4] = {0, 0, 0, 0x1234};
    ASSERT_EQ(VXC_Modbus_Get4x(handle, 13000, 3, read), VXC_OK);
    EXPECT_EQ(read[1], 0xBEEF);
    EXPECT_EQ(read[2], 65535);
    EXPECT_EQ(read[3], 0x1234);

    float samples[201];
    samples[200] = -1.0f;
    ASSERT_EQ(VXC_RegisterRead(handle, "DT", 32, 10, 200, samples), VXC_OK);
    EXPECT_FLOAT_EQ(samples[0], 5.0f);
    EXPECT_FLOAT_EQ(samples[199], 104.5f);
    EXPECT_FLOAT_EQ(samples[200], -1.0f);
    int16_t words[2];
    ASSERT_EQ(VXC_RegisterRead(handle, "DT", 16, 7, 2, words), VXC_OK);
    EXPECT_EQ(words[1], 8);
    EXPECT_EQ(VXC_RegisterRead(handle, "DT", 24, 0, 1, words), VXC_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(VXC_RegisterRead(handle, "VR", 32, 0, 1, samples), 3205);
}

// Raw bytes straight at the server: it must drop the connection and stay up.
class HostileFrames : public LinkFixture
{
protected:
    wire::UniqueFd connectRaw() { return testing::connectRaw(kHost, m_port); }
};

TEST_F(HostileFrames, AreDroppedAndTheServerKeepsServing)
{
    const std::vector<std::vector<uint8_t>> frames = {
        {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P'},                          // bad magic
        {0x4B, 0x56, 0x4C, 0x4B, 0x11, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, // huge
        {0x4B, 0x56, 0x4C, 0x4B, 0x11, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}, // reserved flags
        // A command before the handshake.
        {0x4B, 0x56, 0x4C, 0x4B, 0x11, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0},
        // Hello whose payload is cut short.
        {0x4B, 0x56, 0x4C, 0x4B, 0x01, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1},
    };
    for (const auto& frame : frames) {
        wire::UniqueFd fd = connectRaw();
        ASSERT_EQ(::send(fd.get(), frame.data(), frame.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(frame.size()));
        EXPECT_TRUE(closedByServer(fd.get())) << frame.size();
    }
    {
        // Truncated: a header announcing 100 bytes, then the client leaves.
        wire::UniqueFd fd = connectRaw();
        const uint8_t header[] = {0x4B, 0x56, 0x4C, 0x4B, 1, 0, 0, 0, 1, 0, 0, 0, 100, 0, 0, 0, 1};
        ::send(fd.get(), header, sizeof header, MSG_NOSIGNAL);
    }
    ControllerHandle handle = open();
    char reply[64];
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_OK);
}

} // namespace
} // namespace korvan::link::testing
