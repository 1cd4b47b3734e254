#include "workbench/axis/axis_table.h"

#include "cmdlib/c_locale.h"

#include <cmath>
#include <cstdlib>
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

double ReadLeadingReal(const std::string& text)
{
    const cmd::detail::CLocaleScope cLocale;
    return std::strtod(text.c_str(), nullptr);
}

int ReadLeadingInt(const std::string& text)
{
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

} // namespace korvan::axis
