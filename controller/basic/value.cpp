#include "controller/basic/value.h"

#include <cmath>
#include <cstdio>

namespace korvan::controller::basic {

std::string formatNumber(double value)
{
    char buffer[64];
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    if (value == 0.0)
        return "0";
    const double magnitude = std::fabs(value);
    if (magnitude < 1e15 && value == std::trunc(value)) {
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
        return buffer;
    }
    if (magnitude >= 1e-4 && magnitude < 1e15) {
        std::snprintf(buffer, sizeof buffer, "%.6f", value);
        std::string text(buffer);
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
            text.pop_back();
        if (text == "-0" || text.empty())
            return "0";
        if (text != "0")
            return text;
    }
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    return buffer;
}

} // namespace korvan::controller::basic
