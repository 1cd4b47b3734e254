#include "workbench/axis/axis_table.h"

#include <cmath>
#include <limits>

namespace korvan::axis {

int TruncateToInt(float value)
{
    if (std::isnan(value))
        return 0;
    // Compare in double: INT_MAX is not exactly representable as a float.
    const double truncated = std::trunc(static_cast<double>(value));
    if (truncated >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (truncated <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(truncated);
}

} // namespace korvan::axis
