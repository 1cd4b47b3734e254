#include "cmdlib/lib_send.h"

#include <cstdarg>

KORVAN_CMD_BEGIN

namespace lib::detail {

int send(ControllerHandle handle, Base base, ReplyBuffer buffer, const char* format, ...)
{
    CommandText command;
    std::va_list args;
    va_start(args, format);
    command.addv(format, args);
    va_end(args);
    return Send(handle, base, command, buffer);
}

int queryFloat(ControllerHandle handle, Base base, float* out, const char* format, ...)
{
    CommandText command;
    std::va_list args;
    va_start(args, format);
    command.addv(format, args);
    va_end(args);
    return QueryFloat(handle, base, command, out);
}

int queryInt(ControllerHandle handle, Base base, int32_t* out, const char* format, ...)
{
    CommandText command;
    std::va_list args;
    va_start(args, format);
    command.addv(format, args);
    va_end(args);
    return QueryInt(handle, base, command, out);
}

} // namespace lib::detail

KORVAN_CMD_END
