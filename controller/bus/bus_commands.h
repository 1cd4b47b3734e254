// The Korbasic commands of the field bus:
//   NODE_COUNT(slot), NODE_INFO(slot, node, info), NODE_AXIS_COUNT(slot, node),
//   NODE_IO(slot, node), NODE_AIO(slot, node)  values, read with "?";
//   SDO_READ(slot, node, index, sub, type, table)  object value into TABLE(table);
//   SDO_WRITE(slot, node, index, sub, type, value).
// Nodes are numbered per slot from 0.
#pragma once

#include <optional>

namespace korvan::controller {

class CommandRegistry;

// X(number, what): the NODE_INFO numbers.
#define KORVAN_NODE_INFOS(X)                                                                       \
    X(0, Vendor)                                                                                   \
    X(1, Device)                                                                                   \
    X(2, Revision)                                                                                 \
    X(3, AddressSwitch)                                                                            \
    X(4, Serial)                                                                                   \
    X(5, Status)                                                                                   \
    X(6, Mode)                                                                                     \
    X(10, Inputs)                                                                                  \
    X(11, Outputs)                                                                                 \
    X(12, AnalogInputs)                                                                            \
    X(13, AnalogOutputs)

void registerBusCommands(CommandRegistry& registry);

} // namespace korvan::controller
