#include "cmdlib/command.h"

#include "cmdlib/c_locale.h"
#include "cmdlib/error_codes.h"
#include "cmdlib/parse.h"

#include <cstdarg>
#include <cstdio>

KORVAN_CMD_BEGIN

namespace {

void appendFormatted(std::string& text, const char* format, std::va_list args)
{
    const detail::CLocaleScope cLocale;
    std::va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length <= 0)
        return;
    const std::size_t old = text.size();
    text.resize(old + static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text.data() + old, static_cast<std::size_t>(length) + 1, format, args);
    text.resize(old + static_cast<std::size_t>(length));
}

int dispatch(ControllerHandle handle, Base base, const char* command, char* reply,
             uint32_t capacity)
{
    return base == Base::Command ? ExecuteCommand(handle, command, reply, capacity)
                                 : ExecuteDirect(handle, command, reply, capacity);
}

} // namespace

CommandText& CommandText::add(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    appendFormatted(m_text, format, args);
    va_end(args);
    return *this;
}

CommandText& CommandText::separator()
{
    m_text += kPolicy.separator;
    return *this;
}

CommandText& CommandText::addv(const char* format, std::va_list args)
{
    appendFormatted(m_text, format, args);
    return *this;
}

CommandText Format(const char* format, ...)
{
    CommandText command;
    std::va_list args;
    va_start(args, format);
    command.addv(format, args);
    va_end(args);
    return command;
}

int Send(ControllerHandle handle, Base base, const CommandText& command, ReplyBuffer buffer)
{
    if (!command.fits())
        return kErrInvalidArgument;
    if (buffer == ReplyBuffer::None)
        return dispatch(handle, base, command.c_str(), nullptr, 0);
    std::string reply(kReplyCapacity, '\0');
    return dispatch(handle, base, command.c_str(), reply.data(), kReplyCapacity);
}

int SendQuery(ControllerHandle handle, Base base, const CommandText& command, std::string& reply,
              uint32_t capacity)
{
    if (!command.fits())
        return kErrInvalidArgument;
    reply.assign(capacity, '\0');
    const int code = dispatch(handle, base, command.c_str(), reply.data(), capacity);
    // The link NUL-terminates within capacity; keep the text only.
    reply.resize(std::char_traits<char>::length(reply.c_str()));
    if (code != 0)
        return code;
    return reply.empty() ? kErrEmptyReply : kOk;
}

int QueryInt(ControllerHandle handle, Base base, const CommandText& command, int32_t* out)
{
    if (!out)
        return kErrInvalidArgument;
    std::string reply;
    if (const int code = SendQuery(handle, base, command, reply); code != 0)
        return code;
    ScanInt(reply.c_str(), *out);
    return kOk;
}

int QueryFloat(ControllerHandle handle, Base base, const CommandText& command, float* out)
{
    if (!out)
        return kErrInvalidArgument;
    std::string reply;
    if (const int code = SendQuery(handle, base, command, reply); code != 0)
        return code;
    ScanFloat(reply.c_str(), *out);
    return kOk;
}

KORVAN_CMD_END
