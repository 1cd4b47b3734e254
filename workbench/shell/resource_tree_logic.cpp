#include "workbench/shell/resource_tree_logic.h"

#include "cmdlib/axis.h"
#include "cmdlib/block_query.h"
#include "cmdlib/command.h"
#include "cmdlib/controller_data.h"
#include "cmdlib/records.h"

#include <cctype>
#include <cstdlib>

namespace korvan::shell {
namespace {

// Item data carries an entry below 1000, so axis numbers above 998 cannot be
// told apart; the groups likewise fit below 1000 per connection.
constexpr int kHighestAxis = 998;
constexpr int kMaxNodes = 128;

std::string axisText(int axis)
{
    return "Axis" + std::to_string(axis);
}

void addAxes(TreeBranchSink& sink, int parent, int32_t groupData, int first, int count,
             TreeImage image)
{
    for (int i = 0; i < count; ++i) {
        const int axis = first + i;
        if (axis < 0 || axis > kHighestAxis)
            break;
        sink.addItem(parent, axisText(axis), image, TreeItemData::axis(groupData, axis));
    }
}

int clampCount(float value, int highest)
{
    if (!(value > 0.0f))
        return 0;
    return value > static_cast<float>(highest) ? highest : static_cast<int>(value);
}

// The two settings that make a module axis addressable; their codes are ignored.
void configureModuleAxis(ControllerHandle handle, int axis, int address)
{
    cmd::Send(handle, cmd::Base::Direct, cmd::Format("AXIS_ADDRESS(%d)=%d", axis, address));
    cmd::Send(handle, cmd::Base::Direct, cmd::Format("ATYPE(%d)=%d", axis, 8));
}

// Adds the expansion modules after the local axes, telling the controller
// the address of every module axis it can address. Returns the module count.
int addModules(ControllerHandle handle, int slotIndex, int connectionItem, int firstAxis,
               int virtualAxes, TreeBranchSink& sink)
{
    int modules = 0;
    int nextAxis = firstAxis;
    for (const cmd::ChildCardRecord& card : cmd::EnumerateModules(handle)) {
        const int canId = card.cardNumber();
        const int32_t moduleData = TreeItemData::module(slotIndex, modules);
        const int item = sink.addItem(connectionItem, "CanId" + std::to_string(canId),
                                      TreeImage::Module, moduleData);
        int address = canId;
        for (int i = 0; i < card.axisCount(); ++i, ++nextAxis, address += 32) {
            if (nextAxis >= virtualAxes || nextAxis > kHighestAxis)
                continue;
            if (nextAxis <= 128)
                configureModuleAxis(handle, nextAxis, address);
            sink.addItem(item, axisText(nextAxis), TreeImage::ModuleAxis,
                         TreeItemData::axis(moduleData, nextAxis));
        }
        ++modules;
    }
    return modules;
}

void readNodeAxes(ControllerHandle handle, int node, int& first, int& count)
{
    float start = 0.0f;
    float number = 0.0f;
    cmd::QueryRangeBlock(handle, "P_NodeAxisstart", node, 1, &start);
    cmd::QueryRangeBlock(handle, "P_NodeAxisnum", node, 1, &number);
    first = static_cast<int>(start);
    count = clampCount(number, kHighestAxis + 1);
}

void buildFieldBusBranch(ControllerHandle handle, int slotIndex, int connectionItem,
                         TreeBranchSink& sink)
{
    float nodeNumber = 0.0f;
    cmd::QueryNamedValue(handle, "P_SetNodeNum", &nodeNumber);
    const int nodes = clampCount(nodeNumber, kMaxNodes);
    int first = 0;
    int count = 0;
    readNodeAxes(handle, 0, first, count);

    const int32_t localData = TreeItemData::localGroup(slotIndex);
    const int local = sink.addItem(connectionItem, "Local", TreeImage::LocalGroup, localData);
    addAxes(sink, local, localData, first, count, TreeImage::Axis);

    int modules = 0;
    cmd::ControllerSpecRecord spec;
    if (cmd::ReadControllerSpec(handle, spec) == 0)
        modules =
            addModules(handle, slotIndex, connectionItem, count, spec.virtualAxisCount(), sink);

    for (int k = 1; k < nodes; ++k) {
        readNodeAxes(handle, k, first, count);
        const int32_t nodeData = TreeItemData::node(slotIndex, modules, k);
        const int item =
            sink.addItem(connectionItem, "Node" + std::to_string(k - 1), kNodeImage, nodeData);
        addAxes(sink, item, nodeData, first, count, TreeImage::Axis);
    }
}

void buildPlainBranch(ControllerHandle handle, int slotIndex, int connectionItem,
                      TreeBranchSink& sink)
{
    cmd::ControllerSpecRecord spec;
    if (cmd::ReadControllerSpec(handle, spec) != 0)
        return;
    const int32_t localData = TreeItemData::localGroup(slotIndex);
    const int local = sink.addItem(connectionItem, "Local", TreeImage::LocalGroup, localData);
    addAxes(sink, local, localData, 0, spec.realAxisCount(), TreeImage::Axis);
    addModules(handle, slotIndex, connectionItem, spec.realAxisCount(), spec.virtualAxisCount(),
               sink);
}

// The number in the (at most 8) characters after a word, when they start with a digit.
int numberAfter(std::string_view text, std::size_t wordEnd)
{
    const std::string digits(text.substr(wordEnd, 8));
    if (digits.empty() || !std::isdigit(static_cast<unsigned char>(digits[0])))
        return 0;
    return static_cast<int>(std::strtol(digits.c_str(), nullptr, 10));
}

} // namespace

std::optional<std::string> connectionItemText(const ConnectionSlot& slot)
{
    switch (VXC_GetConnectType(slot.handle)) {
    case VXC_LINK_SERIAL:
        return slot.comName;
    case VXC_LINK_ETHERNET:
        return slot.ipName;
    case VXC_LINK_PCI:
        return slot.pciName;
    default:
        return std::nullopt;
    }
}

void buildBranch(const ConnectionSlot& slot, int slotIndex, int connectionItem,
                 TreeBranchSink& sink)
{
    if (slot.busType != 0 && cmd::ProbeSysVersion(slot.handle))
        buildFieldBusBranch(slot.handle, slotIndex, connectionItem, sink);
    else
        buildPlainBranch(slot.handle, slotIndex, connectionItem, sink);
}

IoSelection decodeGroupText(std::string_view text)
{
    if (text.find("Local") != std::string_view::npos)
        return {1, 0};
    if (const std::size_t at = text.find("CanId"); at != std::string_view::npos)
        return {2, numberAfter(text, at + 5)};
    if (const std::size_t at = text.find("Node"); at != std::string_view::npos)
        return {3, numberAfter(text, at + 4)};
    return {0, 0};
}

SelectionRequest decodeSelection(int32_t data, std::string_view itemText,
                                 std::string_view parentText)
{
    SelectionRequest request;
    request.slot = TreeItemData::slot(data);
    const int group = TreeItemData::group(data);
    const int entry = TreeItemData::entry(data);
    if (group == 0 && entry == 0) {
        request.code = ConnectionCode::ShowTabs;
    } else if (entry != 0) {
        const IoSelection source = decodeGroupText(parentText);
        request.code = ConnectionCode::ShowAxis;
        request.param = AxisSelection{source.kind, source.id, entry - 1};
    } else {
        request.code = ConnectionCode::ShowIo;
        request.param = decodeGroupText(itemText);
    }
    return request;
}

} // namespace korvan::shell
