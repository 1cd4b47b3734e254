// Single-value queries over an AxisPort: the reply is scanned once.
#pragma once

#include "workbench/axis/axis_port.h"

#include <optional>

namespace korvan::axis {

/// A direct query scanned with "%f"; nothing on a failed, empty or non-numeric reply.
std::optional<float> QueryFloat(AxisPort& port, const std::string& command);
/// A direct query scanned with "%d"; nothing on a failed, empty or non-numeric reply.
std::optional<int> QueryInt(AxisPort& port, const std::string& command);

} // namespace korvan::axis
