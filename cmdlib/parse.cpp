#include "cmdlib/parse.h"

#include "cmdlib/c_locale.h"
#include "cmdlib/error_codes.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>

KORVAN_CMD_BEGIN

namespace {

bool startsNumber(char c)
{
    return (c >= '0' && c <= '9') || c == '-';
}

std::optional<int32_t> truncateToInt(double value)
{
    if (std::isnan(value))
        return std::nullopt;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

template <typename Store> int parseList(const char* text, int count, Store store)
{
    if (!text)
        return kErrNotNumeric;
    const detail::CLocaleScope cLocale;
    const char* p = text;
    while (*p == ' ')
        ++p;
    if (!startsNumber(*p))
        return kErrNotNumeric;
    for (int i = 0; i < count; ++i) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == '\0' || *p == '\n' || *p == '\r' || !startsNumber(*p))
            return kOk;
        char* end = nullptr;
        const double value = std::strtod(p, &end);
        if (end == p)
            return kErrNotNumeric;
        if (!store(i, value))
            return kErrNotNumeric;
        p = end;
    }
    return kOk;
}

} // namespace

int ParseFloatList(const char* text, int count, float* out)
{
    if (count > 0 && !out)
        return kErrInvalidArgument;
    return parseList(text, count, [out](int i, double value) {
        out[i] = static_cast<float>(value);
        return true;
    });
}

int ParseIntList(const char* text, int count, int32_t* out)
{
    if (count > 0 && !out)
        return kErrInvalidArgument;
    return parseList(text, count, [out](int i, double value) {
        const auto v = truncateToInt(value);
        if (!v)
            return false;
        out[i] = *v;
        return true;
    });
}

bool ScanFloat(const char* text, float& out)
{
    if (!text)
        return false;
    const detail::CLocaleScope cLocale;
    char* end = nullptr;
    const float value = std::strtof(text, &end);
    if (end == text)
        return false;
    out = value;
    return true;
}

bool ScanInt(const char* text, int32_t& out)
{
    if (!text)
        return false;
    const detail::CLocaleScope cLocale;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text)
        return false;
    if (value > INT32_MAX)
        out = INT32_MAX;
    else if (value < INT32_MIN)
        out = INT32_MIN;
    else
        out = static_cast<int32_t>(value);
    return true;
}

KORVAN_CMD_END
