// A link server with a TestEndpoint on loopback, and helpers for handles.
#pragma once

#include "link/korvan.h"
#include "link/server/link_server.h"
#include "link/tests/test_endpoint.h"
#include "link/wire/fd_io.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace korvan::link::testing {

/// A plain TCP connection to host:port, for bytes no client library sends.
inline wire::UniqueFd connectRaw(const char* host, uint16_t port)
{
    wire::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    ::inet_pton(AF_INET, host, &in.sin_addr);
    EXPECT_EQ(::connect(fd.get(), reinterpret_cast<sockaddr*>(&in), sizeof in), 0);
    return fd;
}

/// True when the server closes the connection within the wait; bytes it
/// sends before are skipped.
inline bool closedByServer(int fd, std::chrono::milliseconds wait = std::chrono::seconds(1))
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    char byte;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        timeval timeout{static_cast<time_t>(left.count() / 1'000'000),
                        static_cast<suseconds_t>(left.count() % 1'000'000)};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        const ssize_t got = ::recv(fd, &byte, 1, 0);
        if (got == 0 || (got < 0 && errno == ECONNRESET))
            return true;
        if (got < 0 && errno != EINTR)
            return false;
    }
}

class LinkFixture : public ::testing::Test
{
protected:
    explicit LinkFixture(server::ServerLimits limits = {}) : m_server(m_endpoint, limits) {}

    void SetUp() override
    {
        m_port = m_server.listenTcp(kHost, 0);
        m_address = std::string(kHost) + ":" + std::to_string(m_port);
    }
    void TearDown() override
    {
        for (ControllerHandle handle : m_handles)
            VXC_Close(handle);
        m_server.stop();
    }

    ControllerHandle open()
    {
        ControllerHandle handle = nullptr;
        EXPECT_EQ(tryOpen(handle), VXC_OK);
        return handle;
    }
    /// Opens a link and returns the code; the fixture closes what opened.
    int32_t tryOpen(ControllerHandle& handle)
    {
        handle = nullptr;
        const int32_t code = VXC_OpenEth(m_address.c_str(), &handle);
        if (handle)
            m_handles.push_back(handle);
        return code;
    }
    void close(ControllerHandle handle)
    {
        VXC_Close(handle);
        std::erase(m_handles, handle);
    }

    static constexpr const char* kHost = "127.0.0.50";
    TestEndpoint m_endpoint;
    server::LinkServer m_server;
    uint16_t m_port = 0;
    std::string m_address;
    std::vector<ControllerHandle> m_handles;
};

} // namespace korvan::link::testing
