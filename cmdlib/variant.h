// The two builds of the command library. The same sources are compiled once
// for the workbench (korvan_cmdlib) and once for the oscilloscope control
// (korvan_cmdlib_scope, which defines KORVAN_CMDLIB_SCOPE). Each build lives
// in its own inline namespace, so both can be linked into one program.
#pragma once

#include <string_view>

#if defined(KORVAN_CMDLIB_SCOPE) && KORVAN_CMDLIB_SCOPE
#define KORVAN_CMD_VARIANT scope
#define KORVAN_CMD_IS_SCOPE 1
#else
#define KORVAN_CMD_VARIANT workbench
#define KORVAN_CMD_IS_SCOPE 0
#endif

#define KORVAN_CMD_BEGIN                                                                           \
    namespace korvan::cmd {                                                                        \
    inline namespace KORVAN_CMD_VARIANT {
#define KORVAN_CMD_END                                                                             \
    }                                                                                              \
    }

KORVAN_CMD_BEGIN

// What tells the two builds apart.
struct BuildPolicy
{
    // Statement separator inside one multi-statement command.
    std::string_view separator;
    // Wrappers refuse null outputs, axes above 128 and counts above 800.
    bool checksArguments;
    // ExecuteCommand hands the link 2048 as the reply capacity.
    bool fixedReplyCapacity;
    // The log's " Re:" part follows every successful command, even with an
    // empty reply (workbench), or only a non-empty reply (oscilloscope).
    bool logsEmptyReplies;
};

inline constexpr BuildPolicy kWorkbenchPolicy{"\r\n", true, false, true};
inline constexpr BuildPolicy kScopePolicy{"\n", false, true, false};
inline constexpr BuildPolicy kPolicy = KORVAN_CMD_IS_SCOPE ? kScopePolicy : kWorkbenchPolicy;

KORVAN_CMD_END
