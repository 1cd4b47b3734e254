// Values of Korbasic expressions and the way the controller prints numbers.
#pragma once

#include <string>

namespace korvan::controller::basic {

// A number, or a text (string literals can only be printed).
struct Value
{
    double number = 0.0;
    std::string text;
    bool isText = false;

    static Value ofNumber(double n) { return Value{n, {}, false}; }
    static Value ofText(std::string t) { return Value{0.0, std::move(t), true}; }
};

/// The printed form of a number: integers without decimals ("100", "-1"),
/// other values with up to six decimals and no trailing zeros ("100.5",
/// "0.0001"), tiny or huge values in exponent form; "%d", "%f" and strtod
/// read every form back.
std::string formatNumber(double value);

} // namespace korvan::controller::basic
