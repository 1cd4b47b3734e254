// Recording stand-ins for the tree, the message box and the main frame.
#pragma once

#include "workbench/shell/connection_messenger.h"
#include "workbench/shell/connection_registry.h"
#include "workbench/shell/resource_tree_logic.h"

#include <string>
#include <utility>
#include <vector>

namespace korvan::shell::fakes {

struct RecordingTree final : ConnectionTree
{
    std::vector<int> branches; // slots whose branches are in the tree
    std::vector<bool> handlingChanges;
    void deleteAllItems() final { branches.clear(); }
    void addConnection(int slot) final { branches.push_back(slot); }
    void setSelectionHandling(bool on) final { handlingChanges.push_back(on); }
};

struct RecordingMessages final : UserMessages
{
    std::vector<std::string> shown;
    void showMessage(const std::string& text) final { shown.push_back(text); }
};

// The frame registers slots as the main frame does.
struct RecordingFrame final : ConnectionMessenger
{
    ConnectionRegistry* registry = nullptr;
    std::vector<std::pair<ConnectionCode, ConnectionParam>> received;
    void send(ConnectionCode code, const ConnectionParam& param) final
    {
        received.emplace_back(code, param);
        if (code == ConnectionCode::RegisterSlot && registry)
            registry->registerOpenedSlot(std::get<int>(param));
    }
};

struct SinkItem
{
    int parent;
    std::string text;
    TreeImage image;
    int32_t data;
};

struct RecordingSink final : TreeBranchSink
{
    std::vector<SinkItem> items;
    int addItem(int parent, const std::string& text, TreeImage image, int32_t data) final
    {
        items.push_back({parent, text, image, data});
        return static_cast<int>(items.size()); // ids from 1; 0 is the connection item
    }
};

} // namespace korvan::shell::fakes
