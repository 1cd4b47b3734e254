// Filling and emptying the connection registry: registering a link the
// connect dialog opened, connecting every reachable controller, probing the
// field bus and disconnecting the current controller. The resource tree and
// the message box sit behind interfaces so that this runs without a window.
#pragma once

#include "workbench/shell/app_state.h"

#include <string>

namespace korvan::shell {

// The part of the resource tree the registry drives.
class ConnectionTree
{
public:
    virtual ~ConnectionTree() = default;
    /// Deletes every item.
    virtual void deleteAllItems() = 0;
    /// Adds the branch of a registered (or being registered) slot.
    virtual void addConnection(int slot) = 0;
    /// Switches the acting on selections on or off.
    virtual void setSelectionHandling(bool on) = 0;
};

// Modal messages to the user.
class UserMessages
{
public:
    virtual ~UserMessages() = default;
    /// Shows a message box with an OK button.
    virtual void showMessage(const std::string& text) = 0;
};

class ConnectionRegistry
{
public:
    ConnectionRegistry(AppState& state, ConnectionTree& tree, UserMessages& messages);

    /// Closes every registered link and connects each PCI card and each
    /// controller the network search finds; the last open code, or the search's.
    int connectAll();
    /// Zeroes the PWM duties of the current controller, closes it and removes its slot.
    void disconnectCurrent();
    /// Adds the tree branch of a slot the connect dialog opened and counts it.
    bool registerOpenedSlot(int index);
    /// 0 none, 1 EtherCAT, 2 RTEX, 3 both, for the slot being opened; sets its ECI flag.
    int probeBusType();

    /// Shows the refusal and returns false when all 30 slots are in use.
    bool ensureFreeSlot();
    /// The refusal text for a 31st link.
    std::string registryFullText() const;

private:
    bool openIntoNextSlot(int linkType, const std::string& name, int32_t& code);
    void rebuildTree();

    AppState& m_state;
    ConnectionTree& m_tree;
    UserMessages& m_messages;
};

} // namespace korvan::shell
