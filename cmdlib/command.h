// Building command texts and sending them: the steps every wrapper shares.
#pragma once

#include "cmdlib/execute.h"
#include "cmdlib/variant.h"
#include "link/korvan.h"

#include <cstdarg>
#include <cstdint>
#include <string>

KORVAN_CMD_BEGIN

// A command text built with printf-style formats in the "C" number format.
class CommandText
{
public:
    CommandText() = default;
    // Appends one formatted piece.
    CommandText& add(const char* format, ...) __attribute__((format(printf, 2, 3)));
    CommandText& addv(const char* format, std::va_list args);
    // Appends the build's statement separator ("\r\n" or "\n").
    CommandText& separator();
    // The text so far.
    const std::string& str() const { return m_text; }
    const char* c_str() const { return m_text.c_str(); }
    // True when the link accepts the text (VXC_MAX_COMMAND with terminator).
    bool fits() const { return m_text.size() < VXC_MAX_COMMAND; }

private:
    std::string m_text;
};

// A one-piece command text.
CommandText Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The base operation a wrapper sends through.
enum class Base
{
    Command,
    Direct
};
// Whether a setter hands the link a reply buffer (whose text it ignores).
enum class ReplyBuffer
{
    Given,
    None
};

// Sends a setter; the reply text is ignored. An overlong text gives 30002.
int Send(ControllerHandle handle, Base base, const CommandText& command,
         ReplyBuffer buffer = ReplyBuffer::Given);
// Sends a query and returns its code; a successful empty reply gives 30000.
int SendQuery(ControllerHandle handle, Base base, const CommandText& command, std::string& reply,
              uint32_t capacity = kReplyCapacity);
// The single-value query: 30000 on an empty reply, then one "%d" / "%f"
// scan; a reply that is no number leaves *out unchanged and returns 0.
int QueryInt(ControllerHandle handle, Base base, const CommandText& command, int32_t* out);
int QueryFloat(ControllerHandle handle, Base base, const CommandText& command, float* out);

// The highest axis number the workbench's wrappers accept.
inline constexpr int kMaxAxis = 128;
// The most values a workbench bank reader accepts.
inline constexpr int kMaxBankCount = 800;

// Argument checks that only the workbench build makes.
constexpr bool axisRefused(int axis)
{
    return kPolicy.checksArguments && axis > kMaxAxis;
}
constexpr bool bankCountRefused(int count)
{
    return kPolicy.checksArguments && count > kMaxBankCount;
}

KORVAN_CMD_END
