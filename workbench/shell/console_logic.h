// The online console's logic: the command history, the transcript with its
// line-end and trimming rules, the error texts, the "Lostcount:" jump, and
// the session that sends commands and collects unsolicited output.
#pragma once

#include "link/korvan.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvan::shell {

// The last 20 commands, entry 0 the most recent, walked with Up and Down.
class CommandHistory
{
public:
    static constexpr int kSize = 20;

    /// Stores a command unless it equals entry 0 (letter case ignored).
    void remember(const std::string& command);
    /// Up: the older entry, or nothing at the end of the history.
    std::optional<std::string> older();
    /// Down: the newer entry, or nothing at entry 0.
    std::optional<std::string> newer();

    const std::string& entry(int index) const { return m_entries[static_cast<std::size_t>(index)]; }
    int cursor() const { return m_cursor; }

private:
    std::array<std::string, kSize> m_entries{};
    int m_cursor = 0;
};

// The output pane's text as the pane holds it: "\r\n" line ends, at most
// 2,000,000 characters, the first 1000 lines dropped past 1,000,000.
class ConsoleTranscript
{
public:
    static constexpr std::size_t kCapacity = 2'000'000;
    static constexpr std::size_t kTrimThreshold = 1'000'000;
    static constexpr std::size_t kTrimmedLines = 1000;

    // What one append did, so a view can mirror it without copying.
    struct Change
    {
        std::size_t removedFront = 0; // characters deleted from the start
        std::size_t removedLines = 0; // lines deleted from the start
        std::string inserted;         // text added at the end ("\r\n" line ends)
    };

    /// Adds text at the end; "\n" becomes "\r\n".
    Change append(std::string_view text);
    void clear() { m_text.clear(); }

    const std::string& text() const { return m_text; }
    std::size_t size() const { return m_text.size(); }

private:
    std::string m_text;
};

/// "\n" to "\r\n" (an existing "\r\n" gains another "\r", as the pane shows it).
std::string windowsLineEnds(std::string_view text);
/// The line appended after Send for a code, with "\r\n"; empty for 0.
std::string sendErrorText(int32_t code);
/// Whether the controller's own error report follows that line.
bool sendErrorHasReport(int32_t code);
/// The line for a controller error code, with "\r\n"; empty for 0.
std::string controllerErrorText(int32_t code);
/// The 0-based BASIC line named by "Lostcount:" in a console line.
std::optional<int> lostcountLine(std::string_view line);

// The console's exchanges with the current controller.
class ConsoleSession
{
public:
    /// The reply buffer of Send.
    static constexpr uint32_t kReplyCapacity = 40479;
    /// The buffers of the two timer reads.
    static constexpr uint32_t kReadCapacity = 20480;

    // What Send produced.
    struct SendResult
    {
        bool noConnection = false; // show "Connect First!"
        bool sent = false;
        std::string output; // text to append: echo, reply and error lines
    };

    explicit ConsoleSession(CommandHistory& history) : m_history(history) {}

    /// Sends one command line (at most 512 characters) to the handle.
    SendResult send(ControllerHandle handle, std::string command);
    /// Collects pending controller messages and unsolicited output.
    std::string poll(ControllerHandle handle);
    /// The controller's error report line, empty when there is none.
    static std::string controllerReport(ControllerHandle handle);

private:
    CommandHistory& m_history;
};

} // namespace korvan::shell
