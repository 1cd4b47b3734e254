// The controller specification page without widgets: the plain-text report
// of the controller's capacities, versions, address, axis features and
// expansion modules, and the rows of its field bus node list.
#pragma once

#include "link/korvan.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvan::axis {

/// The bus vendor id of Korvan's own nodes (the ASCII letters "KORV"); the
/// virtual controller gives it to every bus node its profile names no vendor for.
inline constexpr std::uint32_t kKorvanVendorId = 0x4B4F5256;

/// The vendor name shown for a bus vendor id; empty for an unknown id.
const char* VendorName(std::uint32_t vendorId);

/// The report text ("\r\n" line ends), nothing when the handle is null or the
/// specification cannot be read.
std::optional<std::string> BuildSpecReport(ControllerHandle handle);

/// What the node list shows of one node.
struct BusNodeRecord
{
    int node = 0;
    int vendor = 0;        ///< node info 0
    int device = 0;        ///< node info 1
    int addressSwitch = 0; ///< node info 3
    int axes = 0;
    int firstIo = 0; ///< first digital input and output number
    int inputs = 0;  ///< node info 10
    int outputs = 0; ///< node info 11
    int firstAio = 0;
    int analogInputs = 0;  ///< node info 12
    int analogOutputs = 0; ///< node info 13
};

/// The node list's ten columns.
struct NodeListColumn
{
    const char* header;
    int width;
};
extern const std::array<NodeListColumn, 10> kNodeListColumns;
using NodeListRow = std::array<std::string, 10>;

/// The buses a slot's bus type has: 1 or 2 one, 3 two, anything else none.
int BusCountOfType(int busType);
/// The row of a node on a bus.
NodeListRow NodeListRowOf(int bus, const BusNodeRecord& record);
/// Every node of every bus of the slot, bus 0 first; failed reads show 0.
std::vector<NodeListRow> BuildBusNodeList(ControllerHandle handle, int busType);

} // namespace korvan::axis
