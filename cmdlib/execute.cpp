#include "cmdlib/execute.h"

#include "cmdlib/error_codes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

KORVAN_CMD_BEGIN

namespace {

struct CommandLog
{
    bool enabled = false;
    std::string path = KORVAN_CMD_IS_SCOPE ? "" : "kauxcmd.txt";
};

CommandLog& commandLog()
{
    static CommandLog log;
    return log;
}

// What the link was handed: tells the log which " Re:" rule applies.
enum class BaseOperation
{
    Command,
    Direct
};

bool wantsReplyPart(BaseOperation base, const char* reply)
{
    if constexpr (kPolicy.logsEmptyReplies) {
        // The workbench logs the reply after every successful buffered
        // command, and after a direct one whenever a buffer was passed.
        return base == BaseOperation::Command || reply != nullptr;
    } else {
        return reply != nullptr && reply[0] != '\0';
    }
}

void appendLogEntry(BaseOperation base, const char* command, const char* reply, int code)
{
    const CommandLog& log = commandLog();
    if (!log.enabled || log.path.empty())
        return;
    std::string entry = command;
    if (code != 0) {
        entry += " Error:";
        entry += std::to_string(code);
    } else if (wantsReplyPart(base, reply)) {
        entry += " Re:";
        if (reply)
            entry += reply;
    }
    entry += "\r\n";
    // Binary append: the entry's bytes reach the file exactly as built.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(log.path.c_str(), "ab"),
                                                         &std::fclose);
    if (!file)
        return;
    std::fwrite(entry.data(), 1, entry.size(), file.get());
}

bool acceptable(const char* command)
{
    return command != nullptr && std::strlen(command) < VXC_MAX_COMMAND;
}

} // namespace

int ExecuteCommand(ControllerHandle handle, const char* command, char* reply, uint32_t capacity)
{
    if (!acceptable(command))
        return kErrInvalidArgument;
    // The oscilloscope's copy offers the link at most 2048 bytes, but never
    // more than the caller's buffer holds and none without a buffer.
    if constexpr (kPolicy.fixedReplyCapacity)
        capacity = reply ? std::min(capacity, kReplyCapacity) : 0;
    const int code = VXC_Execute(handle, command, kCommandTimeoutMs, reply, capacity);
    appendLogEntry(BaseOperation::Command, command, reply, code);
    return code;
}

int ExecuteDirect(ControllerHandle handle, const char* command, char* reply, uint32_t capacity)
{
    if (!acceptable(command))
        return kErrInvalidArgument;
    const int code = VXC_DirectCommand(handle, command, reply, capacity);
    appendLogEntry(BaseOperation::Direct, command, reply, code);
    return code;
}

#if KORVAN_CMD_IS_SCOPE
int SetCommandLog(int enable, const char* path)
{
    CommandLog& log = commandLog();
    log.enabled = enable != 0;
    log.path = path ? path : "";
    return 0;
}
#else
void SetCommandLogEnabled(bool enable)
{
    commandLog().enabled = enable;
}
#endif

bool CommandLogEnabled()
{
    return commandLog().enabled;
}

KORVAN_CMD_END
