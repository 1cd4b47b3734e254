// The controller's side of the link: sessions that the link server opens for
// each client and the endpoint that hands them out.
#pragma once

#include "controller/controller.h"
#include "link/server/controller_endpoint.h"

#include <memory>
#include <string>

namespace korvan::controller {

class ControllerLinkSession final : public link::ControllerSession
{
public:
    ControllerLinkSession(Controller& controller, link::Transport transport);
    ~ControllerLinkSession() override;
    ControllerLinkSession(const ControllerLinkSession&) = delete;
    ControllerLinkSession& operator=(const ControllerLinkSession&) = delete;

    link::CommandResult execute(std::string_view text) override;
    link::CommandResult directCommand(std::string_view text) override;
    int32_t executeNoAck(std::string_view text) override;
    std::string takeMessages(std::size_t maxBytes) override;
    std::string takeReceived(std::size_t maxBytes) override;
    int32_t lastError() override;
    uint8_t runState() override;

    link::Answer<std::vector<uint8_t>> specification() override;
    link::Answer<std::vector<uint8_t>> childCard(uint16_t previous) override;
    link::Answer<link::SoftVersion> softVersion() override;
    uint8_t axisCount() override;
    link::Answer<std::string> ipAddress() override;
    link::Answer<uint32_t> hardId() override;
    link::Answer<link::ControllerIdentity> identity() override;
    link::Answer<uint32_t> axisFeatures(int32_t axis) override;

    int32_t flashWrite(uint16_t start, const std::vector<float>& values) override;
    link::Answer<std::vector<uint8_t>> modbusGetBits(uint16_t start, uint16_t count) override;
    int32_t modbusSetBits(uint16_t start, const std::vector<uint8_t>& bits) override;
    link::Answer<std::vector<uint16_t>> modbusGetRegisters(uint16_t start, uint16_t count) override;
    int32_t modbusSetRegisters(uint16_t start, const std::vector<uint16_t>& values) override;
    link::Answer<std::vector<uint8_t>> registerRead(std::string_view area, uint32_t width,
                                                    uint32_t start, uint32_t count) override;

    int32_t downloadPackage(const std::vector<uint8_t>& package,
                            link::PackageTarget target) override;
    int32_t resume() override;
    bool dropAfterReply() override { return m_drop; }

private:
    link::CommandResult run(std::string_view text);

    Controller& m_controller;
    link::Transport m_transport;
    TaskContext m_task;
    /// This session's queue of the controller's message stream.
    int m_messages;
    std::string m_received;
    bool m_drop = false;
};

class ControllerLinkEndpoint final : public link::ControllerEndpoint
{
public:
    explicit ControllerLinkEndpoint(Controller& controller) : m_controller(controller) {}

    /// Null while the controller reboots.
    std::unique_ptr<link::ControllerSession> openSession(link::Transport transport) override;
    bool answersDiscovery() override { return !m_controller.rebooting(); }

private:
    Controller& m_controller;
};

} // namespace korvan::controller
