// korvan-cmd: sends Korbasic commands to a controller from the shell.
// docs/korvan-cmd.md describes it; --help prints the same usage.
#include "link/korvan.h"
#include "link/link_protocol.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr const char* kHelp =
    R"HELP(usage: korvan-cmd (--ip ADDRESS[:PORT] | --com N | --pci N) [OPTIONS] [COMMAND...]
       korvan-cmd (--ip ADDRESS[:PORT] | --com N | --pci N) --watch | --state
       korvan-cmd --search [--timeout MS]
       korvan-cmd --help

Sends Korbasic commands to a Korvan controller and prints its replies. The
commands are the arguments, or else the lines of standard input (empty
lines are skipped). Replies are printed with "\n" line ends.

Link (exactly one, except with --search):
  --ip ADDRESS[:PORT]  Ethernet; the port defaults to $KORVAN_PORT or 8011
  --com N              serial port COMN
  --pci N              PCI card N

Options:
  --direct             run each command as a direct command instead of
                       through the controller's command queue
  --timeout MS         reply timeout in milliseconds (default 1000); with
                       --search the time to wait for answers
  --raw                print replies as the controller sends them (CR LF)
  --watch              print the controller's messages and unsolicited
                       output until SIGINT or SIGTERM
  --state              print the run state ("0 idle", "1 running",
                       "3 paused", "100 error")
  --search             print the controllers that answer discovery, one
                       address per line
  --help               print this text

Errors go to standard error with their code. A command that fails does not
stop the others; a lost link stops at once.

Exit status:
  0  every command succeeded
  1  a command was answered with a controller error code (such as 2002)
  2  the command line is wrong
  3  the link cannot be opened (no controller, bad address, busy)
  4  the link was lost; the remaining commands were not sent
  5  a command got no reply within the timeout
  6  any other link error (a command too long, an invalid search list)
When several commands fail, the first failure decides.

Examples:
  korvan-cmd --ip 127.0.0.11 "?DPOS(0)"
  pos=$(korvan-cmd --ip 127.0.0.11 "?DPOS(0)")
  korvan-cmd --ip 127.0.0.11:8012 "SPEED(0)=100" "MOVE(10) AXIS(0)"
  korvan-cmd --pci 1 --direct < commands.txt
  korvan-cmd --com 1 --watch
  KORVAN_SEARCH=127.0.0.1-127.0.0.63 korvan-cmd --search --timeout 200
)HELP";

enum ExitStatus
{
    kSuccess = 0,
    kControllerError = 1,
    kUsage = 2,
    kOpenFailed = 3,
    kLinkLost = 4,
    kTimedOut = 5,
    kLinkError = 6
};

struct Options
{
    std::string ip;
    std::optional<unsigned> com;
    std::optional<unsigned> pci;
    bool direct = false;
    bool search = false;
    bool watch = false;
    bool state = false;
    bool raw = false;
    bool help = false;
    uint32_t timeoutMs = 1000;
    std::vector<std::string> commands;
};

std::atomic<bool> g_interrupted{false};

void onInterrupt(int)
{
    g_interrupted = true;
}

bool linkLost(int32_t code)
{
    return code == VXC_ERR_CONNECTION_LOST || code == VXC_ERR_PROTOCOL ||
           code == VXC_ERR_SEND_FAILED;
}

// The exit status of a call's code (the code itself goes to standard error).
int statusOf(int32_t code)
{
    if (code == VXC_OK)
        return kSuccess;
    if (linkLost(code))
        return kLinkLost;
    if (code == VXC_ERR_TIMEOUT)
        return kTimedOut;
    if (code >= VXC_ERR_INVALID_ARGUMENT)
        return kLinkError;
    return kControllerError;
}

int fail(const std::string& what, int32_t code, int status)
{
    std::cerr << "korvan-cmd: " << what << " (code " << code << ")\n";
    return status;
}

std::optional<Options> parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        auto number = [&]() -> std::optional<unsigned> {
            if (!hasValue)
                return std::nullopt;
            char* end = nullptr;
            const unsigned long value = std::strtoul(argv[++i], &end, 10);
            if (*end != '\0' || value == 0 || value > 100000)
                return std::nullopt;
            return static_cast<unsigned>(value);
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        } else if (arg == "--ip" && hasValue) {
            options.ip = argv[++i];
        } else if (arg == "--com") {
            if (!(options.com = number()))
                return std::nullopt;
        } else if (arg == "--pci") {
            if (!(options.pci = number()))
                return std::nullopt;
        } else if (arg == "--timeout") {
            const auto ms = number();
            if (!ms)
                return std::nullopt;
            options.timeoutMs = *ms;
        } else if (arg == "--direct") {
            options.direct = true;
        } else if (arg == "--search") {
            options.search = true;
        } else if (arg == "--watch") {
            options.watch = true;
        } else if (arg == "--state") {
            options.state = true;
        } else if (arg == "--raw") {
            options.raw = true;
        } else if (arg.rfind("--", 0) == 0) {
            return std::nullopt;
        } else {
            options.commands.push_back(arg);
        }
    }
    const int targets = !options.ip.empty() + options.com.has_value() + options.pci.has_value();
    if (options.search ? targets != 0 : targets != 1)
        return std::nullopt;
    return options;
}

int32_t open(const Options& options, ControllerHandle* handle)
{
    if (options.com)
        return VXC_Open(VXC_LINK_SERIAL, ("COM" + std::to_string(*options.com)).c_str(), handle);
    if (options.pci)
        return VXC_Open(VXC_LINK_PCI, ("PCI" + std::to_string(*options.pci)).c_str(), handle);
    return VXC_FastOpen(VXC_LINK_ETHERNET, options.ip.c_str(), options.timeoutMs, handle);
}

// Prints controller text; "\r\n" becomes "\n" unless raw, so that a shell
// script's $(...) holds no carriage return.
class Printer
{
public:
    explicit Printer(bool raw) : m_raw(raw) {}

    void print(std::string_view text)
    {
        if (m_raw) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            return;
        }
        std::string out;
        out.reserve(text.size() + 1);
        for (const char c : text) {
            if (m_pendingReturn && c != '\n')
                out += '\r';
            m_pendingReturn = c == '\r';
            if (!m_pendingReturn)
                out += c;
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
    }
    /// Ends one reply: a carriage return it ended with is its own.
    void endReply()
    {
        if (m_pendingReturn)
            std::fputc('\r', stdout);
        m_pendingReturn = false;
        std::fflush(stdout);
    }

private:
    bool m_raw;
    bool m_pendingReturn = false; // a CR whose LF may come with the next piece
};

class CommandRunner
{
public:
    CommandRunner(ControllerHandle handle, const Options& options)
        : m_handle(handle), m_options(options), m_printer(options.raw),
          // Room for the longest reply a frame can carry, so none is cut.
          m_capacity(korvan::link::kMaxPayload + 1),
          m_reply(std::make_unique_for_overwrite<char[]>(m_capacity))
    {}

    /// Runs one command and prints its reply; the link code.
    int32_t run(const std::string& command)
    {
        m_reply[0] = '\0';
        const int32_t code =
            m_options.direct
                ? VXC_DirectCommand(m_handle, command.c_str(), m_reply.get(), m_capacity)
                : VXC_Execute(m_handle, command.c_str(), m_options.timeoutMs, m_reply.get(),
                              m_capacity);
        m_printer.print(m_reply.get());
        m_printer.endReply();
        if (code != VXC_OK)
            std::cerr << "korvan-cmd: " << command << ": "
                      << (linkLost(code) ? "the link was lost" : "error") << " (code " << code
                      << ")\n";
        return code;
    }

private:
    ControllerHandle m_handle;
    const Options& m_options;
    Printer m_printer;
    uint32_t m_capacity;
    std::unique_ptr<char[]> m_reply;
};

// Runs the commands in order; the first failure's code, and no command
// after a lost link.
template <typename NextCommand> int32_t runAll(CommandRunner& runner, NextCommand next)
{
    int32_t first = VXC_OK;
    std::string command;
    while (next(command)) {
        const int32_t code = runner.run(command);
        if (code != VXC_OK && first == VXC_OK)
            first = code;
        if (linkLost(code))
            return code;
    }
    return first;
}

int32_t watch(ControllerHandle handle, bool raw)
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    Printer printer(raw);
    std::vector<char> buffer(20481);
    while (!g_interrupted) {
        uint32_t length = 0;
        for (const bool messages : {true, false}) {
            const int32_t code =
                messages ? VXC_ReadMessage(handle, buffer.data(), buffer.size(), &length)
                         : VXC_ExecuteGetReceive(handle, buffer.data(), buffer.size(), &length, 0);
            if (code != 0)
                return code;
            printer.print({buffer.data(), length});
        }
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    printer.endReply();
    return 0;
}

int32_t printState(ControllerHandle handle)
{
    uint8_t state = 0;
    const int32_t code = VXC_GetState(handle, &state);
    if (code != 0)
        return code;
    const char* word = state == 0     ? "idle"
                       : state == 1   ? "running"
                       : state == 3   ? "paused"
                       : state == 100 ? "error"
                                      : "unknown";
    std::printf("%d %s\n", state, word);
    return 0;
}

int search(const Options& options)
{
    std::vector<char> buffer(10230);
    const int32_t code = VXC_SearchEth(buffer.data(), buffer.size(), options.timeoutMs);
    if (code != 0)
        return fail("search failed", code, statusOf(code));
    std::string found(buffer.data());
    for (char& c : found)
        if (c == ' ')
            c = '\n';
    if (!found.empty())
        std::printf("%s\n", found.c_str());
    return kSuccess;
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> options = parse(argc, argv);
    if (!options) {
        std::cerr << "korvan-cmd: wrong command line; korvan-cmd --help explains it\n";
        return kUsage;
    }
    if (options->help) {
        std::fputs(kHelp, stdout);
        return kSuccess;
    }
    if (options->search)
        return search(*options);
    ControllerHandle handle = nullptr;
    if (const int32_t code = open(*options, &handle))
        return fail("cannot open the link", code, kOpenFailed);
    VXC_SetTimeOut(handle, options->timeoutMs);
    int32_t result = 0;
    if (options->watch) {
        result = watch(handle, options->raw);
    } else if (options->state) {
        result = printState(handle);
    } else {
        CommandRunner runner(handle, *options);
        if (!options->commands.empty()) {
            std::size_t index = 0;
            result = runAll(runner, [&](std::string& command) {
                if (index == options->commands.size())
                    return false;
                command = options->commands[index++];
                return true;
            });
        } else {
            result = runAll(runner, [](std::string& command) {
                while (std::getline(std::cin, command)) {
                    if (!command.empty() && command.back() == '\r')
                        command.pop_back();
                    if (!command.empty())
                        return true;
                }
                return false;
            });
        }
    }
    VXC_Close(handle);
    if (result != 0 && (options->watch || options->state))
        return fail("link call failed", result, statusOf(result));
    return statusOf(result);
}
