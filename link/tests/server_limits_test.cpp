// What the link server allows its clients: how many connections, how long a
// handshake and a frame may take, and what it does when the process runs out
// of descriptors. Every case stops by itself and stays on loopback.
#include "link/tests/descriptor_drought.h"
#include "link/tests/link_fixture.h"

#include "link/wire/frame.h"
#include "link/wire/payload.h"
#include "link/wire/request_types.h"

#include <poll.h>
#include <thread>
#include <unistd.h>

namespace korvan::link::testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* kDroughtHost = "127.0.0.57";

server::ServerLimits shortLimits()
{
    server::ServerLimits limits;
    limits.maxConnections = 2;
    limits.helloTime = 300ms;
    limits.frameTime = {300ms, 1000};
    limits.refusalTime = 300ms;
    return limits;
}

class LimitedServer : public LinkFixture
{
protected:
    LimitedServer() : LinkFixture(shortLimits()) {}

    // Opens a link once a slot is free (the server frees it once it has
    // seen a connection end).
    int32_t openOnceFree(ControllerHandle& handle)
    {
        int32_t code = VXC_ERR_BUSY;
        for (int attempt = 0; attempt < 100 && code == VXC_ERR_BUSY; ++attempt) {
            code = tryOpen(handle);
            if (code == VXC_ERR_BUSY)
                std::this_thread::sleep_for(20ms);
        }
        return code;
    }
    // Opens a raw connection and shakes hands on it.
    wire::UniqueFd rawSession()
    {
        wire::UniqueFd fd = connectRaw(kHost, m_port);
        wire::PayloadWriter hello;
        hello.u16(kProtocolVersion);
        const auto frame =
            wire::encodeFrame(static_cast<uint16_t>(wire::RequestType::Hello), 1, hello.take());
        EXPECT_EQ(::send(fd.get(), frame.data(), frame.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(frame.size()));
        std::vector<uint8_t> reply(16 + 11);
        EXPECT_EQ(::recv(fd.get(), reply.data(), reply.size(), MSG_WAITALL),
                  static_cast<ssize_t>(reply.size()));
        return fd;
    }
};

TEST_F(LimitedServer, RefusesConnectionsPastTheLimitWithBusyAndTakesThemAgainLater)
{
    ControllerHandle first = nullptr, second = nullptr, third = nullptr;
    ASSERT_EQ(tryOpen(first), VXC_OK);
    ASSERT_EQ(tryOpen(second), VXC_OK);
    EXPECT_EQ(tryOpen(third), VXC_ERR_BUSY);
    EXPECT_EQ(third, nullptr);
    char reply[64];
    EXPECT_EQ(VXC_DirectCommand(first, "?DPOS(0)", reply, sizeof reply), VXC_OK);

    close(first);
    ASSERT_EQ(openOnceFree(third), VXC_OK);
    EXPECT_EQ(VXC_DirectCommand(third, "?DPOS(0)", reply, sizeof reply), VXC_OK);
}

TEST_F(LimitedServer, DropsConnectionsThatNeverShakeHandsOrSayNothingWhenRefused)
{
    // Two silent connections take both slots, then lose them.
    wire::UniqueFd silent1 = connectRaw(kHost, m_port);
    wire::UniqueFd silent2 = connectRaw(kHost, m_port);
    std::this_thread::sleep_for(50ms);
    // A third silent one is past the limit: it is not kept waiting for ever either.
    wire::UniqueFd refused = connectRaw(kHost, m_port);
    EXPECT_TRUE(closedByServer(refused.get(), 3s));
    EXPECT_TRUE(closedByServer(silent1.get(), 3s));
    EXPECT_TRUE(closedByServer(silent2.get(), 3s));
    ControllerHandle handle = nullptr;
    EXPECT_EQ(openOnceFree(handle), VXC_OK);
}

TEST_F(LimitedServer, AnIdleSessionStaysButAFrameThatStopsHalfWayIsDropped)
{
    ControllerHandle idle = nullptr;
    ASSERT_EQ(tryOpen(idle), VXC_OK);

    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {"half a header", {0x4B, 0x56, 0x4C, 0x4B, 0x11, 0}},
        {"a header announcing 100 bytes and 10 of them",
         {0x4B, 0x56, 0x4C, 0x4B, 0x11, 0, 0, 0, 2, 0, 0, 0, 100,
          0,    0,    0,    1,    2,    3, 4, 5, 6, 7, 8, 9, 10}},
    };
    for (const Case& c : cases) {
        wire::UniqueFd fd = rawSession();
        ::send(fd.get(), c.bytes.data(), c.bytes.size(), MSG_NOSIGNAL);
        EXPECT_TRUE(closedByServer(fd.get(), 3s)) << c.what;
    }

    // Longer than the handshake and the frame time, and still served.
    std::this_thread::sleep_for(700ms);
    char reply[64];
    EXPECT_EQ(VXC_DirectCommand(idle, "?DPOS(0)", reply, sizeof reply), VXC_OK);
}

TEST_F(LimitedServer, ASlowDripDoesNotKeepAFrameOpen)
{
    // 100 bytes may take 300 ms + 100 ms; one byte every 30 ms would need 3 s.
    wire::UniqueFd fd = rawSession();
    const uint8_t header[] = {0x4B, 0x56, 0x4C, 0x4B, 0x11, 0, 0, 0, 2, 0, 0, 0, 100, 0, 0, 0};
    ASSERT_EQ(::send(fd.get(), header, sizeof header, MSG_NOSIGNAL),
              static_cast<ssize_t>(sizeof header));
    bool closed = false;
    int sent = 0;
    for (; sent < 100 && !closed; ++sent) {
        const uint8_t byte = 0;
        if (::send(fd.get(), &byte, 1, MSG_NOSIGNAL) != 1)
            break;
        pollfd ready{fd.get(), POLLIN, 0};
        if (::poll(&ready, 1, 30) == 1)
            closed = closedByServer(fd.get(), 10ms);
    }
    EXPECT_LT(sent, 100) << "the whole drip was taken";
}

TEST(AcceptOutOfDescriptors, ShedsTheWaitingClientWithoutSpinningAndTakesClientsAgain)
{
    TestEndpoint endpoint;
    server::LinkServer server(endpoint);
    const uint16_t port = server.listenTcp(kDroughtHost, 0);
    {
        // Made before the drought, connected during it: the server cannot accept it.
        wire::UniqueFd waiting(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_TRUE(waiting);
        DescriptorDrought drought(256);
        ASSERT_TRUE(drought.exhausted());
        const double cpuBefore = cpuSeconds();
        sockaddr_in in{};
        in.sin_family = AF_INET;
        in.sin_port = htons(port);
        ::inet_pton(AF_INET, kDroughtHost, &in.sin_addr);
        ASSERT_EQ(::connect(waiting.get(), reinterpret_cast<sockaddr*>(&in), sizeof in), 0);
        // Its client learns at once that it will not be served...
        EXPECT_TRUE(closedByServer(waiting.get(), 2s));
        // ...and the server does not spin meanwhile (a spinning accept loop
        // burns most of a core).
        std::this_thread::sleep_for(500ms);
        EXPECT_LT(cpuSeconds() - cpuBefore, 0.15);
    }
    ControllerHandle handle = nullptr;
    ASSERT_EQ(
        VXC_OpenEth((std::string(kDroughtHost) + ":" + std::to_string(port)).c_str(), &handle),
        VXC_OK);
    char reply[64];
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_OK);
    VXC_Close(handle);
}

} // namespace
} // namespace korvan::link::testing
