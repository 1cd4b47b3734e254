#include "workbench/shell/console_logic.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace korvan::shell {
namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

std::string formatCode(const char* format, int32_t code)
{
    std::array<char, 128> text{};
    std::snprintf(text.data(), text.size(), format, code);
    return text.data();
}

struct ControllerErrorLine
{
    int32_t code;
    const char* text;
};

constexpr std::array kControllerErrors{
    ControllerErrorLine{262, "Controller has error of rtc.\r\n"},
    ControllerErrorLine{263, "Controller has error of norflash.\r\n"},
    ControllerErrorLine{264, "Controller has error of sram.\r\n"},
    ControllerErrorLine{265, "Controller has error of nandflash.\r\n"},
    ControllerErrorLine{266, "Controller has error of udisk chip.\r\n"},
    ControllerErrorLine{267, "Controller has error of fpga.\r\n"},
    ControllerErrorLine{268, "Controller has error of eth.\r\n"},
    ControllerErrorLine{271, "Controller has error of back power.\r\n"},
    ControllerErrorLine{273, "Controller has error of sys file lost.\r\n"},
    ControllerErrorLine{274, "Controller has error sys file err.\r\n"},
    ControllerErrorLine{275, "Card can not connect master.\r\n"},
    ControllerErrorLine{276, "Controller krx file error.\r\n"},
    ControllerErrorLine{277, "Controller krx file error.\r\n"},
    ControllerErrorLine{280, "Controller bas file too many.\r\n"},
    ControllerErrorLine{281, "Controller can id error.\r\n"},
};

struct SendErrorLine
{
    int32_t code;
    const char* format;
    bool report;
};

constexpr std::array kSendErrors{
    SendErrorLine{210, "Error:%d, Over Ram Size, Need down to flash!\r\n", true},
    SendErrorLine{212, "Error:%d, Controller state error!\r\n", false},
    SendErrorLine{3204, "Error:%d, Controller state error!\r\n", false},
    SendErrorLine{277, "Error:%d, File Compile error!\r\n", true},
    SendErrorLine{3205, "Error:%d, Controller not support!\r\n", false},
    SendErrorLine{20020, "Error:%d, Firmware and Controller mismatch!\r\n", false},
    SendErrorLine{20021, "Error:%d, Not Supported!\r\n", true},
};
constexpr SendErrorLine kOtherSendError{0, "Error:%d, Operate Failed!\r\n", true};

const SendErrorLine& sendErrorLine(int32_t code)
{
    for (const SendErrorLine& line : kSendErrors)
        if (line.code == code)
            return line;
    return kOtherSendError;
}

// Position after the n-th "\r\n"-terminated line, or npos when there are fewer lines.
std::size_t startOfLine(const std::string& text, std::size_t line)
{
    std::size_t position = 0;
    for (std::size_t i = 0; i < line; ++i) {
        const std::size_t end = text.find('\n', position);
        if (end == std::string::npos)
            return std::string::npos;
        position = end + 1;
    }
    return position;
}

} // namespace

void CommandHistory::remember(const std::string& command)
{
    if (equalIgnoringCase(command, m_entries[0]))
        return;
    std::move_backward(m_entries.begin(), m_entries.end() - 1, m_entries.end());
    m_entries[0] = command;
    m_cursor = 0;
}

std::optional<std::string> CommandHistory::older()
{
    if (m_cursor >= kSize - 1 || m_entries[static_cast<std::size_t>(m_cursor + 1)].empty())
        return std::nullopt;
    ++m_cursor;
    return m_entries[static_cast<std::size_t>(m_cursor)];
}

std::optional<std::string> CommandHistory::newer()
{
    if (m_cursor <= 0)
        return std::nullopt;
    --m_cursor;
    return m_entries[static_cast<std::size_t>(m_cursor)];
}

std::string windowsLineEnds(std::string_view text)
{
    std::string converted;
    converted.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            converted += '\r';
        converted += c;
    }
    return converted;
}

ConsoleTranscript::Change ConsoleTranscript::append(std::string_view text)
{
    Change change;
    change.inserted = windowsLineEnds(text);
    if (m_text.size() > kTrimThreshold) {
        // Deleting before the start of line 1000 removes the first 1000 lines;
        // with fewer lines there is no line 1000 and nothing goes.
        const std::size_t start = startOfLine(m_text, kTrimmedLines);
        if (start != std::string::npos) {
            m_text.erase(0, start);
            change.removedFront = start;
            change.removedLines = kTrimmedLines;
        }
    }
    // The pane takes no more than its capacity; the rest of the text is lost.
    const std::size_t room = kCapacity > m_text.size() ? kCapacity - m_text.size() : 0;
    if (change.inserted.size() > room)
        change.inserted.resize(room);
    m_text += change.inserted;
    return change;
}

std::string sendErrorText(int32_t code)
{
    if (code == 0)
        return {};
    return formatCode(sendErrorLine(code).format, code);
}

bool sendErrorHasReport(int32_t code)
{
    return code != 0 && sendErrorLine(code).report;
}

std::string controllerErrorText(int32_t code)
{
    if (code == 0)
        return {};
    for (const ControllerErrorLine& line : kControllerErrors)
        if (line.code == code)
            return line.text;
    return formatCode("Controller Error:%d\r\n", code);
}

std::optional<int> lostcountLine(std::string_view line)
{
    constexpr std::string_view kWord = "Lostcount:";
    const std::size_t found = line.find(kWord);
    if (found == std::string_view::npos)
        return std::nullopt;
    const std::string digits(line.substr(found + kWord.size(), 8));
    if (digits.empty() || !std::isdigit(static_cast<unsigned char>(digits[0])))
        return std::nullopt;
    const long number = std::strtol(digits.c_str(), nullptr, 10);
    // Lines count from 1; a 0 names no line of the program.
    if (number < 1)
        return std::nullopt;
    return static_cast<int>(number - 1);
}

ConsoleSession::SendResult ConsoleSession::send(ControllerHandle handle, std::string command)
{
    SendResult result;
    if (!handle) {
        result.noConnection = true;
        return result;
    }
    if (command.size() > 512)
        command.resize(512);
    if (command.empty())
        return result;
    m_history.remember(command);

    std::vector<char> reply(kReplyCapacity, '\0');
    const int32_t code = VXC_Execute(handle, command.c_str(), 1000, reply.data(), kReplyCapacity);
    result.sent = true;
    if (code == 0) {
        result.output = ">>" + command + "\n";
        result.output += reply.data();
        return result;
    }
    result.output = sendErrorText(code);
    if (sendErrorHasReport(code))
        result.output += controllerReport(handle);
    return result;
}

std::string ConsoleSession::poll(ControllerHandle handle)
{
    std::string collected;
    if (!handle)
        return collected;
    // One byte beyond the capacity passed, for the terminator at length.
    std::vector<char> buffer(kReadCapacity + 1, '\0');
    uint32_t length = 0;
    if (VXC_ReadMessage(handle, buffer.data(), kReadCapacity, &length) == 0 && length > 0)
        collected.append(buffer.data(), std::min(length, kReadCapacity));
    length = 0;
    if (VXC_ExecuteGetReceive(handle, buffer.data(), kReadCapacity, &length, 0) == 0 &&
        length > 0 && length < 2048)
        collected.append(buffer.data(), length);
    return collected;
}

std::string ConsoleSession::controllerReport(ControllerHandle handle)
{
    if (!handle)
        return {};
    int32_t code = 0;
    if (VXC_GetError(handle, &code) != 0)
        return {};
    return controllerErrorText(code);
}

} // namespace korvan::shell
