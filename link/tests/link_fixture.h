// A link server with a TestEndpoint on loopback, and helpers for handles.
#pragma once

#include "link/korvan.h"
#include "link/server/link_server.h"
#include "link/tests/test_endpoint.h"

#include <gtest/gtest.h>

#include <string>

namespace korvan::link::testing {

class LinkFixture : public ::testing::Test
{
protected:
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
        EXPECT_EQ(VXC_OpenEth(m_address.c_str(), &handle), VXC_OK);
        if (handle)
            m_handles.push_back(handle);
        return handle;
    }

    static constexpr const char* kHost = "127.0.0.50";
    TestEndpoint m_endpoint;
    server::LinkServer m_server{m_endpoint};
    uint16_t m_port = 0;
    std::string m_address;
    std::vector<ControllerHandle> m_handles;
};

} // namespace korvan::link::testing
