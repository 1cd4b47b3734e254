// Name handling shared by the language and the controller: Korbasic names
// match without regard to case.
#pragma once

#include <string>
#include <string_view>

namespace korvan::controller::basic {

/// True when the two names are the same without regard to ASCII case.
inline bool namesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

/// The name in upper case, the form in which tables and variables keep it.
inline std::string upperName(std::string_view name)
{
    std::string result(name);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

} // namespace korvan::controller::basic
