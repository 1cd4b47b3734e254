#include "controller/session.h"

#include "controller/basic/diagnostics.h"

#include <algorithm>

namespace korvan::controller {

namespace {

/// Pending text a session keeps for a client that never collects it.
constexpr std::size_t maxPending = 1024 * 1024;

constexpr int32_t notSupportedOnLink = 3205;

std::string take(std::string& pending, std::size_t maxBytes)
{
    const std::size_t n = std::min(maxBytes, pending.size());
    std::string out = pending.substr(0, n);
    pending.erase(0, n);
    return out;
}

void append(std::string& pending, const std::string& text)
{
    pending += text;
    // Keep the newest text when a client never reads.
    if (pending.size() > maxPending)
        pending.erase(0, pending.size() - maxPending);
}

int32_t code(basic::ErrorCode c)
{
    return static_cast<int32_t>(c);
}

} // namespace

ControllerLinkSession::ControllerLinkSession(Controller& controller, link::Transport transport)
    : m_controller(controller), m_transport(transport), m_messages(controller.openMessages())
{}

ControllerLinkSession::~ControllerLinkSession()
{
    m_controller.closeMessages(m_messages);
}

link::CommandResult ControllerLinkSession::run(std::string_view text)
{
    Outcome o = m_controller.execute(m_task, text);
    m_controller.postMessages(m_messages, o.messages);
    if (o.dropLink)
        m_drop = true;
    return {o.code, std::move(o.output)};
}

link::CommandResult ControllerLinkSession::execute(std::string_view text)
{
    return run(text);
}

link::CommandResult ControllerLinkSession::directCommand(std::string_view text)
{
    return run(text);
}

int32_t ControllerLinkSession::executeNoAck(std::string_view text)
{
    link::CommandResult r = run(text);
    append(m_received, r.output);
    return r.code;
}

std::string ControllerLinkSession::takeMessages(std::size_t maxBytes)
{
    return m_controller.takeMessages(m_messages, maxBytes);
}

std::string ControllerLinkSession::takeReceived(std::size_t maxBytes)
{
    return take(m_received, maxBytes);
}

int32_t ControllerLinkSession::lastError()
{
    return m_controller.lastError();
}

uint8_t ControllerLinkSession::runState()
{
    return m_controller.runState();
}

link::Answer<std::vector<uint8_t>> ControllerLinkSession::specification()
{
    return {0, m_controller.specification()};
}

link::Answer<std::vector<uint8_t>> ControllerLinkSession::childCard(uint16_t previous)
{
    return {0, m_controller.childCard(previous)};
}

link::Answer<link::SoftVersion> ControllerLinkSession::softVersion()
{
    const Profile& p = m_controller.profile();
    return {0, {p.softVersion, p.softType.substr(0, 31), p.softDate}};
}

uint8_t ControllerLinkSession::axisCount()
{
    return static_cast<uint8_t>(std::min(m_controller.profile().virtualAxes, 255));
}

link::Answer<std::string> ControllerLinkSession::ipAddress()
{
    if (m_transport != link::Transport::Ethernet)
        return {notSupportedOnLink, {}};
    return {0, m_controller.ipAddressText()};
}

link::Answer<uint32_t> ControllerLinkSession::hardId()
{
    return {0, m_controller.profile().hardId};
}

link::Answer<link::ControllerIdentity> ControllerLinkSession::identity()
{
    const Profile& p = m_controller.profile();
    return {0, {p.controllerId, p.idYear, p.idMonth, p.idDay, p.idSerial}};
}

link::Answer<uint32_t> ControllerLinkSession::axisFeatures(int32_t axis)
{
    if (axis < 0 || axis >= m_controller.profile().virtualAxes)
        return {code(basic::ErrorCode::IndexRange), 0};
    return {0, m_controller.axisFeatures(axis)};
}

int32_t ControllerLinkSession::flashWrite(uint16_t start, const std::vector<float>& values)
{
    return m_controller.flashWrite(start, values);
}

link::Answer<std::vector<uint8_t>> ControllerLinkSession::modbusGetBits(uint16_t start,
                                                                        uint16_t count)
{
    link::Answer<std::vector<uint8_t>> a;
    a.code = m_controller.modbusGetBits(start, count, a.value);
    return a;
}

int32_t ControllerLinkSession::modbusSetBits(uint16_t start, const std::vector<uint8_t>& bits)
{
    return m_controller.modbusSetBits(start, bits);
}

link::Answer<std::vector<uint16_t>> ControllerLinkSession::modbusGetRegisters(uint16_t start,
                                                                              uint16_t count)
{
    link::Answer<std::vector<uint16_t>> a;
    a.code = m_controller.modbusGetRegisters(start, count, a.value);
    return a;
}

int32_t ControllerLinkSession::modbusSetRegisters(uint16_t start,
                                                  const std::vector<uint16_t>& values)
{
    return m_controller.modbusSetRegisters(start, values);
}

link::Answer<std::vector<uint8_t>> ControllerLinkSession::registerRead(std::string_view area,
                                                                       uint32_t width,
                                                                       uint32_t start,
                                                                       uint32_t count)
{
    link::Answer<std::vector<uint8_t>> a;
    a.code = m_controller.registerRead(area, width, start, count, a.value);
    return a;
}

int32_t ControllerLinkSession::downloadPackage(const std::vector<uint8_t>& package,
                                               link::PackageTarget target)
{
    std::string messages;
    const int32_t result =
        m_controller.downloadPackage(package, target == link::PackageTarget::Rom, messages);
    m_controller.postMessages(m_messages, messages);
    return result;
}

int32_t ControllerLinkSession::resume()
{
    m_controller.resume();
    return 0;
}

std::unique_ptr<link::ControllerSession>
ControllerLinkEndpoint::openSession(link::Transport transport)
{
    if (m_controller.rebooting())
        return nullptr;
    return std::make_unique<ControllerLinkSession>(m_controller, transport);
}

} // namespace korvan::controller
