// The two base operations through which every command passes, and the
// command log. Neither adds a terminator or prefix: the text reaches the link
// exactly as the wrapper built it.
#pragma once

#include "cmdlib/variant.h"
#include "link/korvan.h"

#include <cstdint>

KORVAN_CMD_BEGIN

// The standard reply capacity, and the one of the "?*SET" readers.
inline constexpr uint32_t kReplyCapacity = 2048;
inline constexpr uint32_t kLargeReplyCapacity = 20480;
// Timeout of every buffered command.
inline constexpr uint32_t kCommandTimeoutMs = 1000;

// Runs command through the controller's buffered queue (VXC_Execute, 1000 ms)
// and returns the link's code. A null or overlong command (VXC_MAX_COMMAND
// bytes or more with its terminator) is refused with 30002 and not sent.
int ExecuteCommand(ControllerHandle handle, const char* command, char* reply, uint32_t capacity);
// Runs command at once (VXC_DirectCommand); same rules as ExecuteCommand.
int ExecuteDirect(ControllerHandle handle, const char* command, char* reply, uint32_t capacity);

#if KORVAN_CMD_IS_SCOPE
// Switches the log on (non-zero) or off and sets its file; always returns 0.
int SetCommandLog(int enable, const char* path);
#else
// Switches the log on or off; entries go to "kauxcmd.txt" in the working directory.
void SetCommandLogEnabled(bool enable);
#endif
// Whether commands are being logged.
bool CommandLogEnabled();

KORVAN_CMD_END
