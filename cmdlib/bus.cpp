#include "cmdlib/bus.h"

#include "cmdlib/block_query.h"
#include "cmdlib/command.h"
#include "cmdlib/error_codes.h"
#include "cmdlib/io.h"

KORVAN_CMD_BEGIN

namespace {

#define KORVAN_NAME_ENTRY(name, variable) variable,
constexpr const char* kNodeVariables[] = {KORVAN_BUS_NODE_VARIABLES(KORVAN_NAME_ENTRY)};
#undef KORVAN_NAME_ENTRY

int queryNode(ControllerHandle handle, const CommandText& command, int32_t* out)
{
    return QueryInt(handle, Base::Command, command, out);
}

} // namespace

const char* BusNodeVariable(BusNodeField field)
{
    return kNodeVariables[static_cast<int>(field)];
}

bool ReadBusNodeFields(ControllerHandle handle, int node, BusNodeFields& fields)
{
    bool failed = false;
    for (int i = 0; i < kBusNodeFieldCount; ++i)
        failed |= QueryRangeBlock(handle, kNodeVariables[i], node, 1, &fields[i]) != 0;
    return failed;
}

bool WriteBusNodeFields(ControllerHandle handle, int node, const BusNodeFields& fields)
{
    bool failed = false;
    for (int i = 0; i < kBusNodeFieldCount; ++i)
        failed |= WriteValues(handle, kNodeVariables[i], node, &fields[i], 1) != 0;
    return failed;
}

int QueryNodeCount(ControllerHandle handle, int bus, int32_t* out)
{
    return queryNode(handle, Format("?NODE_COUNT(%d)", bus), out);
}

int QueryNodeInfo(ControllerHandle handle, int bus, int node, int info, int32_t* out)
{
    return queryNode(handle, Format("?NODE_INFO(%d,%d,%d)", bus, node, info), out);
}

int QueryNodeAxisCount(ControllerHandle handle, int bus, int node, int32_t* out)
{
    return queryNode(handle, Format("?NODE_AXIS_COUNT(%d,%d)", bus, node), out);
}

int QueryNodeIo(ControllerHandle handle, int bus, int node, int32_t* out)
{
    return queryNode(handle, Format("?NODE_IO(%d,%d)", bus, node), out);
}

int QueryNodeAio(ControllerHandle handle, int bus, int node, int32_t* out)
{
    return queryNode(handle, Format("?NODE_AIO(%d,%d)", bus, node), out);
}

int SdoRead(ControllerHandle handle, int node, int index, int subIndex, int type, float* out)
{
    if (!out || axisRefused(node))
        return kErrInvalidArgument;
    const int code = Send(handle, Base::Command,
                          Format("SDO_READ(%d,%d,%d,%d,%d,0)", 0, node, index, subIndex, type));
    if (code != 0)
        return code;
    return QueryTableRange(handle, 0, 1, out);
}

int SdoWrite(ControllerHandle handle, int node, int index, int subIndex, int type, int value)
{
    if (axisRefused(node))
        return kErrInvalidArgument;
    return Send(handle, Base::Command,
                Format("SDO_WRITE(%d,%d,%d,%d,%d,%d)", 0, node, index, subIndex, type, value));
}

KORVAN_CMD_END
