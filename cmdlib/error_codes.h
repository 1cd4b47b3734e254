// Codes the command layer produces itself; every other non-zero code comes
// from the link unchanged.
#pragma once

#include <cstdint>

namespace korvan::cmd {

inline constexpr int32_t kOk = 0;
// The controller answered with empty text where a value was expected.
inline constexpr int32_t kErrEmptyReply = 30000;
// The reply does not begin with a number, or a section is missing.
inline constexpr int32_t kErrNotNumeric = 30001;
// A wrapper refused its arguments and sent nothing.
inline constexpr int32_t kErrInvalidArgument = 30002;
// A value file cannot be opened.
inline constexpr int32_t kErrFileOpen = 30004;
// A value file was written or read short.
inline constexpr int32_t kErrFileShort = 30005;
// The controller's address was not among those a network search returned.
inline constexpr int32_t kErrNotFound = 20010;

} // namespace korvan::cmd
