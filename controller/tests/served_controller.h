// A controller of the default profile served in-process on one loopback
// address and reached through libkorvan, for tests of the real command
// library against this controller.
#pragma once

#include "controller/controller.h"
#include "controller/profile.h"
#include "controller/session.h"
#include "controller/state_store.h"
#include "link/korvan.h"
#include "link/server/link_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace korvan::controller::testing {

class ServedController
{
public:
    /// Serves the default profile on address; the handle is null when the
    /// open failed (the caller asserts on it).
    explicit ServedController(const std::string& address)
    {
        const std::string profile =
            std::string(std::getenv("KORVAN_SOURCE_DIR")) + "/resources/sim/default.json";
        m_controller = std::make_unique<Controller>(loadProfile(profile));
        m_controller->serveAt(*parseIp(address));
        m_endpoint = std::make_unique<ControllerLinkEndpoint>(*m_controller);
        m_server = std::make_unique<link::server::LinkServer>(*m_endpoint);
        const uint16_t port = m_server->listenTcp(address, 0);
        m_address = address + ":" + std::to_string(port);
        if (VXC_OpenEth(m_address.c_str(), &m_handle) != 0)
            m_handle = nullptr;
    }
    ~ServedController()
    {
        if (m_handle)
            VXC_Close(m_handle);
        m_server->stop();
    }
    ServedController(const ServedController&) = delete;
    ServedController& operator=(const ServedController&) = delete;

    Controller& controller() { return *m_controller; }
    ControllerHandle handle() const { return m_handle; }
    /// "a.b.c.d:port" of the link.
    const std::string& address() const { return m_address; }

private:
    std::unique_ptr<Controller> m_controller;
    std::unique_ptr<ControllerLinkEndpoint> m_endpoint;
    std::unique_ptr<link::server::LinkServer> m_server;
    ControllerHandle m_handle = nullptr;
    std::string m_address;
};

} // namespace korvan::controller::testing
