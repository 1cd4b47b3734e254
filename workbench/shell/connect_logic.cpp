#include "workbench/shell/connect_logic.h"

#include "link/com_ports.h"
#include "workbench/shell/controller_search.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace korvan::shell {
namespace {

bool openable(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

std::optional<std::vector<std::string>> search(int maxWords)
{
    SearchResult found = searchControllers(100, maxWords);
    if (found.code != 0)
        return std::nullopt;
    return std::move(found.words);
}

template <typename T> bool listed(const std::vector<T>& list, const T& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

} // namespace

bool serialPortPresent(int port)
{
    if (port < 1)
        return false;
    const std::optional<std::filesystem::path> device =
        link::comPortPath(static_cast<unsigned>(port));
    return device && openable(device->string());
}

ConnectLogic::ConnectLogic(AppState& state, ConnectionRegistry& registry,
                           ConnectionMessenger& frame, PortProbe probe)
    : m_state(state), m_registry(registry), m_frame(frame), m_probe(std::move(probe))
{}

std::vector<int> ConnectLogic::newSerialPorts(const std::vector<int>& listedPorts) const
{
    std::vector<int> found;
    for (int port = 1; port <= 49; ++port)
        if (!listed(listedPorts, port) && m_probe(port))
            found.push_back(port);
    return found;
}

std::vector<std::string>
ConnectLogic::newNetworkControllers(const std::vector<std::string>& listedIps) const
{
    std::vector<std::string> found;
    for (std::string& word : search(20).value_or(std::vector<std::string>{}))
        if (!listed(listedIps, word) && !listed(found, word))
            found.push_back(std::move(word));
    return found;
}

std::vector<std::string>
ConnectLogic::newPciCards(const std::vector<std::string>& listedCards) const
{
    std::vector<std::string> found;
    if (!search(0))
        return found;
    const int cards = VXC_GetMaxPciCards();
    for (int i = 1; i <= cards; ++i) {
        std::string name = "PCI" + std::to_string(i);
        if (!listed(listedCards, name))
            found.push_back(std::move(name));
    }
    return found;
}

std::optional<ConnectOutcome> ConnectLogic::refuse(std::string ConnectionSlot::*field,
                                                   const std::string& name)
{
    if (m_state.isRegistered(field, name))
        return ConnectOutcome{ConnectOutcome::Kind::Exists,
                              pick(m_state, "当前连接已经存在！", "Connect already exists"),
                              {},
                              false};
    return refuseWhenFull();
}

std::optional<ConnectOutcome> ConnectLogic::refuseWhenFull() const
{
    if (m_state.hasFreeSlot())
        return std::nullopt;
    return ConnectOutcome{ConnectOutcome::Kind::Full, m_registry.registryFullText(), {}, false};
}

ConnectOutcome ConnectLogic::failed() const
{
    const char* text = pick(m_state, "连接失败", "Connect Failed");
    return {ConnectOutcome::Kind::Failed, text, text, false};
}

ConnectOutcome ConnectLogic::scanFailed() const
{
    ConnectOutcome outcome = failed();
    outcome.title.clear();
    return outcome;
}

ConnectOutcome ConnectLogic::finish(int linkType, std::string ConnectionSlot::*field,
                                    const std::string& name)
{
    const int index = m_state.connectionCount;
    ConnectionSlot& slot = m_state.slots[static_cast<std::size_t>(index)];
    slot.linkType = linkType;
    setSlotName(slot.*field, name);
    slot.busType = m_registry.probeBusType();
    const ControllerHandle handle = slot.handle;
    m_frame.send(ConnectionCode::RegisterSlot, index);

    ConnectOutcome outcome{ConnectOutcome::Kind::Connected, {}, {}, false};
    if (m_state.chinese()) {
        outcome.title = "连接成功";
        if (linkType != kLinkSerial)
            VXC_SetTimeOut(handle, 1000);
        outcome.closeDialog = true;
    } else {
        outcome.title = "Connect Success";
    }
    return outcome;
}

ConnectOutcome ConnectLogic::connectSerial(int port, uint32_t baud, int parity)
{
    port &= 0xFF;
    const std::string name = "COM" + std::to_string(port);
    if (auto refused = refuse(&ConnectionSlot::comName, name))
        return *refused;
    ConnectionSlot& slot = *m_state.openingSlot();
    if (slot.handle) {
        VXC_Close(slot.handle);
        slot.handle = nullptr;
    }
    VXC_SetComDefaultBaud(baud, 8, static_cast<uint32_t>(parity), 0);
    if (VXC_OpenCom(static_cast<uint32_t>(port), &slot.handle) != 0) {
        slot.handle = nullptr;
        return failed();
    }
    return finish(kLinkSerial, &ConnectionSlot::comName, name);
}

std::optional<int> ConnectLogic::scanSerial(uint32_t baud, int parity)
{
    ConnectionSlot* slot = m_state.openingSlot();
    if (!slot)
        return std::nullopt;
    VXC_SetComDefaultBaud(baud, 8, static_cast<uint32_t>(parity), 0);
    for (int port = 1; port <= 19; ++port) {
        if (VXC_PeakCom(static_cast<uint32_t>(port), 300, &slot->handle) == 0 && slot->handle)
            return port;
        slot->handle = nullptr;
    }
    return std::nullopt;
}

ConnectOutcome ConnectLogic::connectEthernet(const std::string& text)
{
    const std::string ip = text.substr(0, 255);
    if (auto refused = refuse(&ConnectionSlot::ipName, ip))
        return *refused;
    ConnectionSlot& slot = *m_state.openingSlot();
    slot.handle = nullptr;
    VXC_FastOpen(VXC_LINK_ETHERNET, ip.c_str(), 500, &slot.handle);
    if (!slot.handle)
        return failed();
    return finish(kLinkEthernet, &ConnectionSlot::ipName, ip);
}

ConnectOutcome ConnectLogic::connectPci(const std::string& text)
{
    const std::string name = text.substr(0, 255);
    if (auto refused = refuse(&ConnectionSlot::pciName, name))
        return *refused;
    ConnectionSlot& slot = *m_state.openingSlot();
    if (VXC_Open(VXC_LINK_PCI, name.c_str(), &slot.handle) != 0) {
        slot.handle = nullptr;
        return failed();
    }
    return finish(kLinkPci, &ConnectionSlot::pciName, name);
}

IpSetOutcome setControllerIp(ControllerHandle handle, std::string address)
{
    if (address.size() > 255)
        address.resize(255);
    const std::string command = "IP_ADDRESS = " + address;
    IpSetOutcome outcome;
    outcome.code = VXC_Execute(handle, command.c_str(), 1000, nullptr, 0);
    outcome.message = outcome.code == 0 || outcome.code == VXC_ERR_CONNECTION_LOST
                          ? "修改IP成功,请重新上电!"
                          : "修改失败，请重新设置!";
    return outcome;
}

std::string KrxDownload::download(ControllerHandle handle, Target target) const
{
    if (m_path.empty())
        return "Please Choose Krx File!";
    const int32_t code = target == Target::Ram ? VXC_DownKrxToRamAndRun(handle, m_path.c_str())
                                               : VXC_DownKrx(handle, m_path.c_str(), 0);
    std::string message;
    if (code != 0) {
        message = "Download Failed!";
    } else {
        message = "Download to flash success, start Running!\r\n";
        VXC_Resume(handle);
    }
    VXC_SetTimeOut(handle, 5000);
    return message;
}

} // namespace korvan::shell
