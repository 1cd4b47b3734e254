// The resource tree's logic: the 32-bit item data that says where an item
// belongs, building a connection's branch (plain and field-bus forms, module
// axis addressing) and turning a selection into a WM_CONNECTION request.
#pragma once

#include "workbench/shell/app_state.h"
#include "workbench/shell/connection_messenger.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvan::shell {

/// Image indices of the tree's image list (icons 324, 325, 326, 328, 327).
enum class TreeImage : int
{
    Connection = 0,
    LocalGroup = 1,
    Module = 2,
    ModuleAxis = 3,
    Axis = 4
};
/// Bus nodes share the module-axis image.
inline constexpr TreeImage kNodeImage = TreeImage::ModuleAxis;

// Item data: (slot + 1) * 1,000,000 + group * 1000 + entry.
struct TreeItemData
{
    static int32_t connection(int slot) { return (slot + 1) * 1'000'000; }
    static int32_t localGroup(int slot) { return connection(slot) + 1000; }
    static int32_t module(int slot, int index) { return connection(slot) + 2000 + 1000 * index; }
    static int32_t node(int slot, int modules, int k)
    {
        return connection(slot) + 2000 + 1000 * modules + 1000 * (k - 1);
    }
    static int32_t axis(int32_t groupData, int axis) { return groupData + axis + 1; }

    static int slot(int32_t data) { return data / 1'000'000 - 1; }
    static int group(int32_t data) { return (data % 1'000'000) / 1000; }
    static int entry(int32_t data) { return data % 1000; }
};

// Where a branch builder puts its items; returns an opaque item id.
class TreeBranchSink
{
public:
    virtual ~TreeBranchSink() = default;
    /// Adds an item under parent (the connection item's id for top groups).
    virtual int addItem(int parent, const std::string& text, TreeImage image, int32_t data) = 0;
};

/// The slot's name by the link's connection type; nothing for unknown types.
std::optional<std::string> connectionItemText(const ConnectionSlot& slot);

/// Adds the children of a connection item: local axes, modules with their
/// axes (configuring their addresses), and bus nodes on field-bus controllers.
void buildBranch(const ConnectionSlot& slot, int slotIndex, int connectionItem,
                 TreeBranchSink& sink);

/// Kind and id from a group item's text: "Local", "CanId%d", "Node%d".
IoSelection decodeGroupText(std::string_view text);

// What a selection asks of the main frame.
struct SelectionRequest
{
    int slot = 0;
    ConnectionCode code = ConnectionCode::ShowTabs;
    ConnectionParam param;
};

/// The request for a selected item; parentText is its parent's text (axis items).
SelectionRequest decodeSelection(int32_t data, std::string_view itemText,
                                 std::string_view parentText);

} // namespace korvan::shell
