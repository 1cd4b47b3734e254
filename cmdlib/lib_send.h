// The sending step of the library set's generated wrappers.
#pragma once

#include "cmdlib/command.h"

KORVAN_CMD_BEGIN

namespace lib::detail {

// Formats and sends one command; the reply text is ignored.
int send(ControllerHandle handle, Base base, ReplyBuffer buffer, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// Formats one single-value query and reads its reply.
int queryFloat(ControllerHandle handle, Base base, float* out, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
int queryInt(ControllerHandle handle, Base base, int32_t* out, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

} // namespace lib::detail

// Expands to its arguments when flag is 1, to nothing when it is 0.
#define KORVAN_IF(flag, ...) KORVAN_IF_##flag(__VA_ARGS__)
#define KORVAN_IF_1(...) __VA_ARGS__
#define KORVAN_IF_0(...)
#define KORVAN_STRIP(...) __VA_ARGS__

KORVAN_CMD_END
