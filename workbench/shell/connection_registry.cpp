#include "workbench/shell/connection_registry.h"

#include "cmdlib/controller_data.h"
#include "cmdlib/execute.h"
#include "cmdlib/io.h"
#include "workbench/shell/controller_search.h"

#include <array>
#include <cstring>
#include <vector>

namespace korvan::shell {
namespace {

constexpr uint32_t kSearchTimeoutMs = 100;
constexpr int kMaxSearchWords = 100;
// The I/O count bound of the command library.
constexpr int32_t kMaxPwmChannels = 800;

} // namespace

ConnectionRegistry::ConnectionRegistry(AppState& state, ConnectionTree& tree,
                                       UserMessages& messages)
    : m_state(state), m_tree(tree), m_messages(messages)
{}

std::string ConnectionRegistry::registryFullText() const
{
    return pick(m_state, "连接数已达上限(30)，请先断开一个连接!",
                "All 30 connections are in use, disconnect one first!");
}

bool ConnectionRegistry::ensureFreeSlot()
{
    if (m_state.hasFreeSlot())
        return true;
    m_messages.showMessage(registryFullText());
    return false;
}

int ConnectionRegistry::probeBusType()
{
    ConnectionSlot* slot = m_state.openingSlot();
    if (!slot)
        return 0;
    float version = 0.0f;
    std::array<char, VXC_SOFT_TYPE_CAPACITY> typeText{};
    int32_t date = 0;
    if (VXC_GetSoftVersion(slot->handle, &version, typeText.data(), &date) == 0)
        slot->eciFlag = std::strstr(typeText.data(), "ECI") ? 1 : 0;

    std::array<char, cmd::kReplyCapacity> reply{};
    if (cmd::ExecuteCommand(slot->handle, "?*SLOT", reply.data(), cmd::kReplyCapacity) != 0)
        return 0;
    const bool ethercat = std::strstr(reply.data(), "ETHERCAT") != nullptr;
    const bool rtex = std::strstr(reply.data(), "RTEX") != nullptr;
    if (ethercat && rtex)
        return 3;
    if (ethercat)
        return 1;
    return rtex ? 2 : 0;
}

bool ConnectionRegistry::registerOpenedSlot(int index)
{
    if (index < 0 || index >= kMaxConnections || index != m_state.connectionCount)
        return false;
    m_tree.addConnection(index);
    ++m_state.connectionCount;
    return true;
}

bool ConnectionRegistry::openIntoNextSlot(int linkType, const std::string& name, int32_t& code)
{
    ConnectionSlot* slot = m_state.openingSlot();
    slot->handle = nullptr;
    code = linkType == kLinkPci ? VXC_Open(VXC_LINK_PCI, name.c_str(), &slot->handle)
                                : VXC_OpenEth(name.c_str(), &slot->handle);
    if (code != 0) {
        slot->handle = nullptr;
        return false;
    }
    setSlotName(linkType == kLinkPci ? slot->pciName : slot->ipName, name);
    slot->linkType = linkType;
    slot->busType = probeBusType();
    m_tree.addConnection(m_state.connectionCount);
    ++m_state.connectionCount;
    return true;
}

int ConnectionRegistry::connectAll()
{
    for (int i = 0; i < m_state.connectionCount && i < kMaxConnections; ++i) {
        ConnectionSlot& slot = m_state.slots[static_cast<std::size_t>(i)];
        if (slot.handle)
            VXC_Close(slot.handle);
    }
    m_tree.setSelectionHandling(false);
    m_tree.deleteAllItems();
    m_state.connectionCount = 0;
    m_state.currentConnection = 0;
    for (ConnectionSlot& slot : m_state.slots)
        slot.clear();

    SearchResult found = searchControllers(kSearchTimeoutMs, kMaxSearchWords);
    if (found.code != 0) {
        m_tree.setSelectionHandling(true);
        return found.code;
    }

    std::vector<std::string> names;
    const int cards = VXC_GetMaxPciCards();
    for (int i = 1; i <= cards; ++i)
        names.push_back("PCI" + std::to_string(i));
    const std::size_t pciCount = names.size();
    for (std::string& word : found.words)
        names.push_back(std::move(word));

    int32_t code = 0; // the last open's code
    bool refused = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!m_state.hasFreeSlot()) {
            // The registry holds 30 links; the rest are left unopened.
            refused = true;
            break;
        }
        openIntoNextSlot(i < pciCount ? kLinkPci : kLinkEthernet, names[i], code);
    }
    m_tree.setSelectionHandling(true);
    if (refused)
        m_messages.showMessage(registryFullText());
    return code;
}

void ConnectionRegistry::disconnectCurrent()
{
    const ControllerHandle handle =
        m_state.currentConnection < m_state.connectionCount ? m_state.currentHandle() : nullptr;
    if (!handle) {
        m_messages.showMessage("控制器链接断开!");
        return;
    }
    int32_t pwmCount = 0;
    cmd::QueryPwmCount(handle, &pwmCount);
    // A hostile count must not keep the program sending for minutes.
    if (pwmCount > kMaxPwmChannels)
        pwmCount = kMaxPwmChannels;
    for (int i = 0; i < pwmCount; ++i)
        cmd::SetPwmDuty(handle, i, 0.0f);
    if (VXC_Close(handle) != 0)
        return;

    const auto current = static_cast<std::size_t>(m_state.currentConnection);
    const auto last = static_cast<std::size_t>(m_state.connectionCount - 1);
    for (std::size_t i = current; i < last; ++i)
        m_state.slots[i] = m_state.slots[i + 1];
    m_state.slots[last].clear();
    m_state.currentConnection = 0;
    --m_state.connectionCount;
    rebuildTree();
}

void ConnectionRegistry::rebuildTree()
{
    m_tree.setSelectionHandling(false);
    m_tree.deleteAllItems();
    for (int i = 0; i < m_state.connectionCount; ++i)
        m_tree.addConnection(i);
    m_tree.setSelectionHandling(true);
}

} // namespace korvan::shell
