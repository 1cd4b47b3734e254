// How the language reports problems: one callback receives every error with
// its kind, line and message. The core never prints by itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace korvan::controller::basic {

// The controller codes the interpreter gives. One table gives the enum, the
// numbers and the texts (docs/korbasic.md lists them for users).
// X(enumerator, code, text)
#define KORBASIC_ERRORS(X)                                                                         \
    X(Syntax, 2001, "syntax error")                                                                \
    X(Unsupported, 2002, "unsupported parameter or unknown name")                                  \
    X(IndexRange, 2003, "index out of range")                                                      \
    X(BadArgument, 2004, "bad argument")                                                           \
    X(ReadOnly, 2005, "value is read-only")                                                        \
    X(TooDeep, 2006, "expression nested too deeply")                                               \
    X(TooLong, 2007, "command text too long")                                                      \
    X(DivisionByZero, 2008, "division by zero")                                                    \
    X(OutOfMemory, 2009, "not enough memory for the declaration")                                  \
    X(Reserved, 2010, "name is reserved")                                                          \
    X(NotValue, 2011, "command used as a value")                                                   \
    X(SdoAbort, 2101, "SDO abort")                                                                 \
    X(SdoRefused, 2102, "the node has no SDO access")

enum class ErrorCode : int32_t
{
    None = 0,
#define KORBASIC_ERROR_ENUM(name, code, text) name = code,
    KORBASIC_ERRORS(KORBASIC_ERROR_ENUM)
#undef KORBASIC_ERROR_ENUM
};

/// The text of a code, or "" for a code not in the table.
std::string_view errorText(int32_t code);

enum class ErrorKind
{
    Syntax,
    Runtime
};

struct Diagnostic
{
    ErrorKind kind = ErrorKind::Syntax;
    int line = 1;
    int32_t code = 0;
    std::string message;
};

using DiagnosticSink = std::function<void(const Diagnostic&)>;

} // namespace korvan::controller::basic
