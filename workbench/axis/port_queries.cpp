#include "workbench/axis/port_queries.h"

#include <cstdio>

namespace korvan::axis {

// A reply that does not start with a number counts as a failed read here:
// keeping an uninitialised or stale value would show a value never read.
std::optional<float> QueryFloat(AxisPort& port, const std::string& command)
{
    std::string reply;
    if (port.direct(command, &reply) != 0 || reply.empty())
        return std::nullopt;
    float value = 0;
    if (std::sscanf(reply.c_str(), "%f", &value) != 1)
        return std::nullopt;
    return value;
}

std::optional<int> QueryInt(AxisPort& port, const std::string& command)
{
    std::string reply;
    if (port.direct(command, &reply) != 0 || reply.empty())
        return std::nullopt;
    int value = 0;
    if (std::sscanf(reply.c_str(), "%d", &value) != 1)
        return std::nullopt;
    return value;
}

} // namespace korvan::axis
