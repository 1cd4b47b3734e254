#include "scope/core/scope_settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace korvan::scope {

ScopeChannels defaultChannels()
{
    ScopeChannels rows;
    for (int i = 0; i < kMaxChannels; ++i)
        rows[static_cast<std::size_t>(i)].number = i;
    return rows;
}

int leadingInt(std::string_view text)
{
    const std::string copy(text);
    errno = 0;
    const long value = std::strtol(copy.c_str(), nullptr, 10);
    // Clamp rather than wrap: box texts are typed by hand.
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

double leadingDouble(std::string_view text)
{
    const std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}

bool sameSource(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace korvan::scope
