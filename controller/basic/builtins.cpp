#include "controller/basic/builtins.h"

#include <cmath>

namespace korvan::controller::basic {

namespace {

constexpr double pi = 3.14159265358979323846;

// X(name, arity, expression over a[])
#define KORBASIC_BUILTINS(X)                                                                       \
    X(ABS, 1, std::fabs(a[0]))                                                                     \
    X(SQR, 1, std::sqrt(a[0]))                                                                     \
    X(INT, 1, std::floor(a[0]))                                                                    \
    X(FRAC, 1, a[0] - std::trunc(a[0]))                                                            \
    X(SGN, 1, (a[0] > 0) - (a[0] < 0))                                                             \
    X(SIN, 1, std::sin(a[0]))                                                                      \
    X(COS, 1, std::cos(a[0]))                                                                      \
    X(TAN, 1, std::tan(a[0]))                                                                      \
    X(ASIN, 1, std::asin(a[0]))                                                                    \
    X(ACOS, 1, std::acos(a[0]))                                                                    \
    X(ATAN, 1, std::atan(a[0]))                                                                    \
    X(ATAN2, 2, std::atan2(a[0], a[1]))                                                            \
    X(EXP, 1, std::exp(a[0]))                                                                      \
    X(LN, 1, std::log(a[0]))                                                                       \
    X(LOG, 1, std::log10(a[0]))                                                                    \
    X(ROUND, 1, std::round(a[0]))                                                                  \
    X(PI, 0, pi)

#define KORBASIC_BUILTIN_FN(name, arity, expr)                                                     \
    double builtin_##name([[maybe_unused]] const double* a)                                        \
    {                                                                                              \
        return static_cast<double>(expr);                                                          \
    }
KORBASIC_BUILTINS(KORBASIC_BUILTIN_FN)
#undef KORBASIC_BUILTIN_FN

constexpr Builtin builtins[] = {
#define KORBASIC_BUILTIN_ENTRY(name, arity, expr) {#name, arity, &builtin_##name},
    KORBASIC_BUILTINS(KORBASIC_BUILTIN_ENTRY)
#undef KORBASIC_BUILTIN_ENTRY
};

} // namespace

const Builtin* findBuiltin(std::string_view upperName)
{
    for (const Builtin& b : builtins) {
        if (b.name == upperName)
            return &b;
    }
    return nullptr;
}

} // namespace korvan::controller::basic
