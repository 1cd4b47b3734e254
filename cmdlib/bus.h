// Bus nodes of the workbench set: node queries, SDO access and the node
// record kept in the bus program's "P_Node..." variables. All through
// ExecuteCommand except the record, which uses the block reader and the
// per-value writer.
#pragma once

#include "cmdlib/variant.h"
#include "link/korvan.h"

#include <array>
#include <cstdint>

// The bus program's node variables, in the order of the node record's fields.
#define KORVAN_BUS_NODE_VARIABLES(X)                                                               \
    X(Mode, "P_NodeMode")                                                                          \
    X(Profile, "P_NodeProfile")                                                                    \
    X(Atype, "P_NodeAtype")                                                                        \
    X(AxisStart, "P_NodeAxisstart")                                                                \
    X(AxisNum, "P_NodeAxisnum")                                                                    \
    X(Status, "P_NodeStatus")                                                                      \
    X(Vender, "P_NodeVender")                                                                      \
    X(Device, "P_NodeDevice")                                                                      \
    X(IoStart, "P_NodeIoStart")                                                                    \
    X(InNum, "P_NodeInNum")                                                                        \
    X(OutNum, "P_NodeOutNum")                                                                      \
    X(AioStart, "P_NodeAioStart")                                                                  \
    X(AinNum, "P_NodeAinNum")                                                                      \
    X(AoutNum, "P_NodeAoutNum")

KORVAN_CMD_BEGIN

// Field index of each node variable.
#define KORVAN_ENUM_ENTRY(name, variable) name,
enum class BusNodeField
{
    KORVAN_BUS_NODE_VARIABLES(KORVAN_ENUM_ENTRY) Count
};
#undef KORVAN_ENUM_ENTRY

inline constexpr int kBusNodeFieldCount = static_cast<int>(BusNodeField::Count);
// The controller variable behind a field.
const char* BusNodeVariable(BusNodeField field);

// Fields 0 to 13 of one node's record.
using BusNodeFields = std::array<float, kBusNodeFieldCount>;

// Reads each variable with "?*%s(%d,%d)" (variable, node, 1). All 14 reads
// are made; true when any of them failed.
bool ReadBusNodeFields(ControllerHandle handle, int node, BusNodeFields& fields);
// Writes each variable with the per-value writer; true when any write failed.
bool WriteBusNodeFields(ControllerHandle handle, int node, const BusNodeFields& fields);

// Node queries, each reply read as one integer.
int QueryNodeCount(ControllerHandle handle, int bus, int32_t* out);
int QueryNodeInfo(ControllerHandle handle, int bus, int node, int info, int32_t* out);
int QueryNodeAxisCount(ControllerHandle handle, int bus, int node, int32_t* out);
int QueryNodeIo(ControllerHandle handle, int bus, int node, int32_t* out);
int QueryNodeAio(ControllerHandle handle, int bus, int node, int32_t* out);

// "SDO_READ(%d,%d,%d,%d,%d,0)" (0, node, index, sub-index, type), then TABLE
// element 0 into *out. The workbench build refuses nodes above 128.
int SdoRead(ControllerHandle handle, int node, int index, int subIndex, int type, float* out);
// "SDO_WRITE(%d,%d,%d,%d,%d,%d)" (0, node, index, sub-index, type, value).
int SdoWrite(ControllerHandle handle, int node, int index, int subIndex, int type, int value);

KORVAN_CMD_END
