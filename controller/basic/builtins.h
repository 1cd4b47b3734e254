// The built-in math functions of Korbasic, one table for names, arity and
// implementation.
#pragma once

#include <string_view>

namespace korvan::controller::basic {

struct Builtin
{
    std::string_view name;
    int arity;
    double (*apply)(const double* args);
};

/// The built-in function of that upper-case name, or null.
const Builtin* findBuiltin(std::string_view upperName);

} // namespace korvan::controller::basic
