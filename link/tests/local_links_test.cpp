// Serial (pty) and PCI (Unix socket) links, and the discovery search.
#include "link/client/address_policy.h"
#include "link/com_ports.h"
#include "link/korvan.h"
#include "link/pci_cards.h"
#include "link/server/link_server.h"
#include "link/server/pty_port.h"
#include "link/tests/test_endpoint.h"
#include "link/wire/frame.h"
#include "link/wire/request_types.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace korvan::link::testing {
namespace {

namespace fs = std::filesystem;

// A fresh directory, removed at the end.
class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "korvan-link-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

class SerialLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("KORVAN_COM_DIR", m_dir.path().c_str(), 1);
        m_server.serveSerial(m_port.masterFd());
    }
    void TearDown() override
    {
        m_server.stop();
        ::unsetenv("KORVAN_COM_DIR");
    }

    TempDir m_dir;
    TestEndpoint m_endpoint;
    server::PtyPort m_port{m_dir.path() / "COM3"};
    server::LinkServer m_server{m_endpoint};
};

TEST_F(SerialLink, OpensThroughTheComDirectoryAndRunsCommands)
{
    EXPECT_EQ(comPortPath(3), m_dir.path() / "COM3");
    EXPECT_EQ(comPortPath(4), std::nullopt);
    EXPECT_EQ(availableComPorts(8), std::vector<unsigned>{3});
    ASSERT_EQ(VXC_SetComDefaultBaud(38400, 8, 2, 0), VXC_OK);
    ControllerHandle handle = nullptr;
    ASSERT_EQ(VXC_OpenCom(3, &handle), VXC_OK);
    EXPECT_EQ(VXC_GetConnectType(handle), VXC_LINK_SERIAL);
    char reply[64];
    EXPECT_EQ(VXC_DirectCommand(handle, "?TRANSPORT", reply, sizeof reply), VXC_OK);
    EXPECT_STREQ(reply, "1\n");
    char ip[VXC_IP_TEXT_CAPACITY] = "x";
    EXPECT_EQ(VXC_GetCurIpAddr(handle, ip), VXC_ERR_NOT_SUPPORTED);
    EXPECT_STREQ(ip, "");
    EXPECT_EQ(VXC_Close(handle), VXC_OK);

    // The line serves the next user after the first one left.
    ASSERT_EQ(VXC_PeakCom(3, 300, &handle), VXC_OK);
    EXPECT_EQ(VXC_Execute(handle, "?DPOS(0)", 300, reply, sizeof reply), VXC_OK);
    EXPECT_STREQ(reply, "12.5000\n");
    EXPECT_EQ(VXC_Close(handle), VXC_OK);
}

TEST_F(SerialLink, PortsWithoutControllerFail)
{
    ControllerHandle handle = nullptr;
    EXPECT_EQ(VXC_PeakCom(4, 100, &handle), VXC_ERR_OPEN_FAILED);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(VXC_SetComDefaultBaud(12345, 8, 0, 0), VXC_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(VXC_SetComDefaultBaud(9600, 8, 3, 0), VXC_ERR_INVALID_ARGUMENT);
}

TEST_F(SerialLink, GarbageOnTheLineEndsOnlyThatSession)
{
    ControllerHandle handle = nullptr;
    ASSERT_EQ(VXC_OpenCom(3, &handle), VXC_OK);
    // Someone writes noise onto the line; the next handshake resynchronises.
    {
        wire::UniqueFd raw(::open(m_port.slavePath().c_str(), O_RDWR | O_NOCTTY));
        const char noise[] = "\x01\x02KVL garbage KV";
        ASSERT_GT(::write(raw.get(), noise, sizeof noise), 0);
    }
    char reply[64];
    VXC_SetTimeOut(handle, 200);
    const int32_t code = VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply);
    EXPECT_NE(code, VXC_OK);
    VXC_Close(handle);
    ASSERT_EQ(VXC_PeakCom(3, 300, &handle), VXC_OK);
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_OK);
    VXC_Close(handle);
}

TEST_F(SerialLink, LateRepliesAndDroppedSessionsOnTheLine)
{
    ControllerHandle handle = nullptr;
    ASSERT_EQ(VXC_OpenCom(3, &handle), VXC_OK);
    VXC_SetTimeOut(handle, 100);
    m_endpoint.delayMs = 200;
    char reply[64];
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_ERR_TIMEOUT);
    m_endpoint.delayMs = 0;
    m_endpoint.replies["?MPOS(0)"] = "7\n";
    VXC_SetTimeOut(handle, 1000);
    EXPECT_EQ(VXC_DirectCommand(handle, "?MPOS(0)", reply, sizeof reply), VXC_OK);
    EXPECT_STREQ(reply, "7\n");
    // The controller ends the session after this reply; the line reports the loss.
    m_endpoint.dropNext = true;
    EXPECT_EQ(VXC_DirectCommand(handle, "?MPOS(0)", reply, sizeof reply), VXC_OK);
    EXPECT_EQ(VXC_DirectCommand(handle, "?MPOS(0)", reply, sizeof reply), VXC_ERR_CONNECTION_LOST);
    VXC_Close(handle);
}

TEST(SerialPeer, DeathOfTheControllerIsDetected)
{
    TempDir dir;
    ::setenv("KORVAN_COM_DIR", dir.path().c_str(), 1);
    TestEndpoint endpoint;
    auto port = std::make_unique<server::PtyPort>(dir.path() / "COM1");
    auto server = std::make_unique<server::LinkServer>(endpoint);
    server->serveSerial(port->masterFd());
    ControllerHandle handle = nullptr;
    ASSERT_EQ(VXC_OpenCom(1, &handle), VXC_OK);
    VXC_SetTimeOut(handle, 300);
    server.reset();
    port.reset(); // closes the master: the line hangs up
    char reply[64];
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_ERR_CONNECTION_LOST);
    EXPECT_EQ(VXC_DirectCommand(handle, "?DPOS(0)", reply, sizeof reply), VXC_ERR_CONNECTION_LOST);
    VXC_Close(handle);
    ::unsetenv("KORVAN_COM_DIR");
}

TEST(PciLink, CardsAreCountedAndOpenedByName)
{
    TempDir dir;
    ::setenv("KORVAN_PCI_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(VXC_GetMaxPciCards(), 0);
    TestEndpoint endpoint;
    {
        server::LinkServer server(endpoint);
        server.listenUnix(pciCardPath(1));
        server.listenUnix(pciCardPath(2));
        server.listenUnix(pciCardPath(4)); // after a gap: not counted
        EXPECT_EQ(VXC_GetMaxPciCards(), 2);
        ControllerHandle handle = nullptr;
        ASSERT_EQ(VXC_Open(4, "PCI2", &handle), VXC_OK);
        EXPECT_EQ(VXC_GetConnectType(handle), VXC_LINK_PCI);
        char reply[64];
        EXPECT_EQ(VXC_DirectCommand(handle, "?TRANSPORT", reply, sizeof reply), VXC_OK);
        EXPECT_STREQ(reply, "4\n");
        char ip[VXC_IP_TEXT_CAPACITY];
        EXPECT_EQ(VXC_GetCurIpAddr(handle, ip), VXC_ERR_NOT_SUPPORTED);
        EXPECT_EQ(VXC_Close(handle), VXC_OK);
        for (const char* bad : {"PCI3", "PCI", "PCI0", "COM1x", "pci1"}) {
            handle = nullptr;
            EXPECT_NE(VXC_Open(4, bad, &handle), VXC_OK) << bad;
            EXPECT_EQ(handle, nullptr);
        }
    }
    // stop() removed the socket files.
    EXPECT_EQ(VXC_GetMaxPciCards(), 0);
    EXPECT_FALSE(fs::exists(pciCardPath(1)));
    ::unsetenv("KORVAN_PCI_DIR");
}

// Discovery on a port of its own, so that parallel test runs do not meet.
class Discovery : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_port = static_cast<uint16_t>(20000 + ::getpid() % 20000);
        ::setenv("KORVAN_PORT", std::to_string(m_port).c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("KORVAN_PORT");
        ::unsetenv("KORVAN_SEARCH");
    }
    uint16_t m_port = 0;
};

TEST_F(Discovery, FindsOnlyControllersOnTheSearchList)
{
    TestEndpoint first, second, silent, outside;
    silent.discoverable = false;
    server::LinkServer a(first), b(second), c(silent), d(outside);
    ASSERT_EQ(a.listenTcp("127.0.0.53", m_port), m_port);
    ASSERT_EQ(b.listenTcp("127.0.0.51", m_port), m_port);
    c.listenTcp("127.0.0.52", m_port);
    d.listenTcp("127.0.0.58", m_port);
    ::setenv("KORVAN_SEARCH", "127.0.0.51-127.0.0.53, 127.0.0.57", 1);
    char buffer[10230];
    ASSERT_EQ(VXC_SearchEth(buffer, sizeof buffer, 150), VXC_OK);
    EXPECT_STREQ(buffer, "127.0.0.51 127.0.0.53");

    // Whole addresses only, never past the buffer.
    char small[16];
    ASSERT_EQ(VXC_SearchEth(small, sizeof small, 150), VXC_OK);
    EXPECT_STREQ(small, "127.0.0.51");
    char tiny[4];
    ASSERT_EQ(VXC_SearchEth(tiny, sizeof tiny, 100), VXC_OK);
    EXPECT_STREQ(tiny, "");

    ::setenv("KORVAN_SEARCH", "127.0.0.51-127.0.0.40", 1);
    EXPECT_EQ(VXC_SearchEth(buffer, sizeof buffer, 100), VXC_ERR_INVALID_ARGUMENT);
    ::setenv("KORVAN_SEARCH", "127.0.0.0-127.0.255.255", 1);
    EXPECT_EQ(VXC_SearchEth(buffer, sizeof buffer, 100), VXC_ERR_INVALID_ARGUMENT);
    ::setenv("KORVAN_SEARCH", "", 1);
    ASSERT_EQ(VXC_SearchEth(buffer, sizeof buffer, 50), VXC_OK);
    EXPECT_STREQ(buffer, "");
}

TEST_F(Discovery, AnswersOnlyProbesOfItsOwnVersion)
{
    TestEndpoint endpoint;
    server::LinkServer server(endpoint);
    ASSERT_EQ(server.listenTcp("127.0.0.54", m_port), m_port);
    wire::UniqueFd udp(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_port);
    ::inet_pton(AF_INET, "127.0.0.54", &to.sin_addr);
    timeval wait{0, 300'000};
    ::setsockopt(udp.get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    const auto answered = [&](std::vector<uint8_t> payload) {
        const auto probe =
            wire::encodeFrame(static_cast<uint16_t>(wire::RequestType::Discover), 77, payload);
        ::sendto(udp.get(), probe.data(), probe.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
        uint8_t answer[64];
        return ::recv(udp.get(), answer, sizeof answer, 0) > 0;
    };
    struct Case
    {
        const char* what;
        std::vector<uint8_t> payload;
        bool answered;
    };
    const uint8_t version = static_cast<uint8_t>(kProtocolVersion);
    const std::vector<Case> cases = {
        {"another version", {static_cast<uint8_t>(version + 1), 0}, false},
        {"no version", {}, false},
        {"half a version", {version}, false},
        {"the version and more", {version, 0, 0}, false},
        {"its own version", {version, 0}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(answered(c.payload), c.answered) << c.what;
}

TEST(AddressPolicy, OnlyTheLoopbackNetworkCountsAsLoopback)
{
    // Host-order values only; nothing is opened or probed.
    const struct
    {
        uint32_t host;
        bool loopback;
    } cases[] = {{0x7F000001u, true},  {0x7F00000Bu, true},  {0x7FFFFFFEu, true},
                 {0x7EFFFFFFu, false}, {0x80000001u, false}, {0x00000000u, false},
                 {0xFFFFFFFFu, false}};
    for (const auto& c : cases)
        EXPECT_EQ(client::isLoopbackHost(c.host), c.loopback) << std::hex << c.host;
    // Under ctest (which sets KORVAN_BIN_DIR) every suite runs with the
    // network closed off.
    if (std::getenv("KORVAN_BIN_DIR"))
        EXPECT_NE(std::getenv("KORVAN_LOOPBACK_ONLY"), nullptr);
}

} // namespace
} // namespace korvan::link::testing
