#include "controller/bus/bus_commands.h"

#include "controller/bus/drive_control.h"
#include "controller/bus/object_dictionary.h"
#include "controller/command_registry.h"
#include "controller/controller_state.h"

#include <cstdio>

namespace korvan::controller {

using basic::ErrorCode;
using basic::HostResult;

namespace {

enum class NodeInfo
{
#define KORVAN_NODE_INFO_ENUM(number, name) name = number,
    KORVAN_NODE_INFOS(KORVAN_NODE_INFO_ENUM)
#undef KORVAN_NODE_INFO_ENUM
};

bool knownInfo(int number)
{
    switch (number) {
#define KORVAN_NODE_INFO_CASE(number, name) case number:
        KORVAN_NODE_INFOS(KORVAN_NODE_INFO_CASE)
#undef KORVAN_NODE_INFO_CASE
        return true;
    default:
        return false;
    }
}

double infoValue(const BusNodeState& n, NodeInfo info)
{
    switch (info) {
    case NodeInfo::Vendor:
        return n.node->vendor;
    case NodeInfo::Device:
        return n.node->device;
    case NodeInfo::Revision:
        return n.node->revision;
    case NodeInfo::AddressSwitch:
        return n.node->addressSwitch;
    case NodeInfo::Serial:
        return n.node->serial;
    case NodeInfo::Status:
        return n.node->status;
    case NodeInfo::Mode:
        return static_cast<int>(n.mode);
    case NodeInfo::Inputs:
        return n.channels.inputs;
    case NodeInfo::Outputs:
        return n.channels.outputs;
    case NodeInfo::AnalogInputs:
        return n.channels.analogInputs;
    case NodeInfo::AnalogOutputs:
        return n.channels.analogOutputs;
    }
    return 0;
}

// Checks that arguments first..last are whole numbers.
HostResult wholeArguments(const CommandContext& c, std::size_t first, std::size_t last)
{
    for (std::size_t i = first; i <= last && i < c.ref.args.size(); ++i) {
        if (!integral(c.ref.args[i]))
            return HostResult::fail(ErrorCode::BadArgument,
                                    std::string(c.ref.name) + " takes whole numbers");
    }
    return HostResult::ok();
}

int arg(const CommandContext& c, std::size_t i)
{
    return static_cast<int>(c.ref.args[i]);
}

// The node named by the first two arguments (slot, node).
HostResult findNode(CommandContext& c, BusNodeState*& out)
{
    if (HostResult r = wholeArguments(c, 0, 1); r.failed())
        return r;
    const int slot = arg(c, 0);
    if (!c.state.bus.hasSlot(slot))
        return HostResult::fail(ErrorCode::IndexRange, "no bus slot " + std::to_string(slot));
    out = c.state.bus.node(slot, arg(c, 1));
    if (!out)
        return HostResult::fail(ErrorCode::IndexRange, "no node " + std::to_string(arg(c, 1)) +
                                                           " on slot " + std::to_string(slot));
    return HostResult::ok();
}

// A node value: NAME(slot, node).
FunctionSpec nodeValue(const char* name, double (*value)(const BusNodeState&))
{
    return {name, 2, 2, [value](CommandContext& c, double& out) {
                BusNodeState* node = nullptr;
                if (HostResult r = findNode(c, node); r.failed())
                    return r;
                out = value(*node);
                return HostResult::ok();
            }};
}

// The node and object of an SDO request, checked: (slot, node, index, sub, type, ...).
HostResult sdoTarget(CommandContext& c, BusNodeState*& node, SdoType& type)
{
    if (HostResult r = findNode(c, node); r.failed())
        return r;
    if (HostResult r = wholeArguments(c, 2, 4); r.failed())
        return r;
    if (c.state.bus.slotType(node->slot) == BusType::Rtex)
        return HostResult::fail(ErrorCode::SdoRefused, "RTEX nodes have no SDO access");
    if (arg(c, 2) < 0 || arg(c, 2) > 0xFFFF || arg(c, 3) < 0 || arg(c, 3) > 0xFF)
        return HostResult::fail(ErrorCode::BadArgument, "SDO index 0..65535, sub-index 0..255");
    if (!validSdoType(arg(c, 4)))
        return HostResult::fail(ErrorCode::BadArgument, "SDO data type 1..7");
    type = static_cast<SdoType>(arg(c, 4));
    // The request meets the drive as the master has left it.
    serveDrives(c.state, *node);
    return HostResult::ok();
}

HostResult aborted(const CommandContext& c, SdoAbort abort)
{
    char text[128];
    std::snprintf(text, sizeof text, "%08X %.4X:%.2X: ", static_cast<unsigned>(abort),
                  static_cast<unsigned>(arg(c, 2)), static_cast<unsigned>(arg(c, 3)));
    return HostResult::fail(ErrorCode::SdoAbort, text + std::string(sdoAbortText(abort)));
}

} // namespace

void registerBusCommands(CommandRegistry& registry)
{
    registry.addFunction({"NODE_COUNT", 1, 1, [](CommandContext& c, double& out) {
                              if (HostResult r = wholeArguments(c, 0, 0); r.failed())
                                  return r;
                              if (!c.state.bus.hasSlot(arg(c, 0)))
                                  return HostResult::fail(ErrorCode::IndexRange,
                                                          "no bus slot " +
                                                              std::to_string(arg(c, 0)));
                              out = c.state.bus.nodeCount(arg(c, 0));
                              return HostResult::ok();
                          }});
    // What a bus program needs to number nodes and axes: the slot's type (0
    // for none, so that it can walk all ten), the controller's own axes and
    // the expansion modules' axes that come before the bus axes.
    registry.addFunction({"SLOT_TYPE", 1, 1, [](CommandContext& c, double& out) {
                              if (HostResult r = wholeArguments(c, 0, 0); r.failed())
                                  return r;
                              const int slot = arg(c, 0);
                              out = c.state.bus.hasSlot(slot)
                                        ? static_cast<int>(c.state.bus.slotType(slot))
                                        : 0;
                              return HostResult::ok();
                          }});
    registry.addFunction({"MAX_REALAXIS", 0, 0, [](CommandContext& c, double& out) {
                              out = c.state.profile.realAxes;
                              return HostResult::ok();
                          }});
    registry.addFunction({"MAX_MODULEAXIS", 0, 0, [](CommandContext& c, double& out) {
                              out = 0;
                              for (const ExpansionModule& m : c.state.profile.modules)
                                  out += m.axes;
                              return HostResult::ok();
                          }});
    registry.addFunction({"NODE_INFO", 3, 3, [](CommandContext& c, double& out) {
                              BusNodeState* node = nullptr;
                              if (HostResult r = findNode(c, node); r.failed())
                                  return r;
                              if (HostResult r = wholeArguments(c, 2, 2); r.failed())
                                  return r;
                              if (!knownInfo(arg(c, 2)))
                                  return HostResult::fail(ErrorCode::BadArgument,
                                                          "no node information " +
                                                              std::to_string(arg(c, 2)));
                              out = infoValue(*node, static_cast<NodeInfo>(arg(c, 2)));
                              return HostResult::ok();
                          }});
    registry.addFunction(nodeValue("NODE_AXIS_COUNT", [](const BusNodeState& n) {
        return static_cast<double>(n.node->axes);
    }));
    registry.addFunction(nodeValue("NODE_IO", [](const BusNodeState& n) {
        return static_cast<double>(n.channels.firstDigital);
    }));
    registry.addFunction(nodeValue("NODE_AIO", [](const BusNodeState& n) {
        return static_cast<double>(n.channels.firstAnalog);
    }));
    registry.add({"SDO_READ", 6, 6, [](CommandContext& c) {
                      BusNodeState* node = nullptr;
                      SdoType type{};
                      if (HostResult r = sdoTarget(c, node, type); r.failed())
                          return r;
                      if (HostResult r = wholeArguments(c, 5, 5); r.failed())
                          return r;
                      const int cell = arg(c, 5);
                      if (cell < 0 || cell >= static_cast<int>(c.state.memory.table.size()))
                          return HostResult::fail(ErrorCode::IndexRange,
                                                  "TABLE(" + std::to_string(cell) + ")");
                      double value = 0;
                      if (SdoAbort a = sdoRead(c.state, *node, arg(c, 2), arg(c, 3), type, value);
                          a != SdoAbort::None)
                          return aborted(c, a);
                      c.state.memory.table[static_cast<std::size_t>(cell)] = value;
                      return HostResult::ok();
                  }});
    registry.add({"SDO_WRITE", 6, 6, [](CommandContext& c) {
                      BusNodeState* node = nullptr;
                      SdoType type{};
                      if (HostResult r = sdoTarget(c, node, type); r.failed())
                          return r;
                      if (!fitsSdoType(type, c.ref.args[5]))
                          return HostResult::fail(ErrorCode::BadArgument,
                                                  "SDO value does not fit data type " +
                                                      std::to_string(arg(c, 4)));
                      if (SdoAbort a = sdoWrite(c.state, *node, arg(c, 2), arg(c, 3), type,
                                                static_cast<int64_t>(c.ref.args[5]));
                          a != SdoAbort::None)
                          return aborted(c, a);
                      return HostResult::ok();
                  }});
}

} // namespace korvan::controller
