// korvan-cmd: sends Korbasic commands to a controller from the shell.
//
//   korvan-cmd --ip 127.0.0.11 "?DPOS(0)"     one command, reply on stdout
//   korvan-cmd --com 1 | --pci 1 ...            serial port or PCI card
//   korvan-cmd --ip ... < commands.txt          one command per input line
//   korvan-cmd --direct ...                     the direct command instead of the queue
//   korvan-cmd --search                         the controllers that answer discovery
//   korvan-cmd --ip ... --watch                 unsolicited output until interrupted
//   korvan-cmd --ip ... --state                 the run state
//
// The exit status is the link code: 0 success, 1..254 the code itself when
// it fits, 255 for any larger code (the code is on standard error).
#include "link/korvan.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options
{
    std::string ip;
    std::optional<unsigned> com;
    std::optional<unsigned> pci;
    bool direct = false;
    bool search = false;
    bool watch = false;
    bool state = false;
    uint32_t timeoutMs = 1000;
    std::vector<std::string> commands;
};

std::atomic<bool> g_interrupted{false};

void onInterrupt(int)
{
    g_interrupted = true;
}

int exitStatus(int32_t code)
{
    if (code == 0)
        return 0;
    return code > 0 && code < 255 ? code : 255;
}

int fail(const std::string& what, int32_t code)
{
    std::cerr << "korvan-cmd: " << what << " (code " << code << ")\n";
    return exitStatus(code);
}

void usage()
{
    std::cerr << "usage: korvan-cmd (--ip ADDRESS[:PORT] | --com N | --pci N) [--direct]"
                 " [--timeout MS] [COMMAND...]\n"
                 "       korvan-cmd (--ip|--com|--pci ...) --watch | --state\n"
                 "       korvan-cmd --search [--timeout MS]\n";
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
        if (arg == "--ip" && hasValue) {
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

int32_t runCommand(ControllerHandle handle, const Options& options, const std::string& command)
{
    std::vector<char> reply(40480);
    const int32_t code =
        options.direct
            ? VXC_DirectCommand(handle, command.c_str(), reply.data(), reply.size())
            : VXC_Execute(handle, command.c_str(), options.timeoutMs, reply.data(), reply.size());
    std::fputs(reply.data(), stdout);
    std::fflush(stdout);
    if (code != 0)
        std::cerr << "korvan-cmd: " << command << ": error (code " << code << ")\n";
    return code;
}

int32_t watch(ControllerHandle handle)
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    std::vector<char> buffer(20481);
    while (!g_interrupted) {
        uint32_t length = 0;
        for (const bool messages : {true, false}) {
            const int32_t code =
                messages ? VXC_ReadMessage(handle, buffer.data(), buffer.size(), &length)
                         : VXC_ExecuteGetReceive(handle, buffer.data(), buffer.size(), &length, 0);
            if (code != 0)
                return code;
            std::fwrite(buffer.data(), 1, length, stdout);
        }
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
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

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> options = parse(argc, argv);
    if (!options) {
        usage();
        return exitStatus(VXC_ERR_INVALID_ARGUMENT);
    }
    if (options->search) {
        std::vector<char> buffer(10230);
        const int32_t code = VXC_SearchEth(buffer.data(), buffer.size(), options->timeoutMs);
        if (code != 0)
            return fail("search failed", code);
        std::string found(buffer.data());
        for (char& c : found)
            if (c == ' ')
                c = '\n';
        if (!found.empty())
            std::printf("%s\n", found.c_str());
        return 0;
    }
    ControllerHandle handle = nullptr;
    if (const int32_t code = open(*options, &handle))
        return fail("cannot open the link", code);
    VXC_SetTimeOut(handle, options->timeoutMs);
    int32_t result = 0;
    if (options->watch) {
        result = watch(handle);
    } else if (options->state) {
        result = printState(handle);
    } else if (!options->commands.empty()) {
        for (const std::string& command : options->commands)
            if (const int32_t code = runCommand(handle, *options, command); code && !result)
                result = code;
    } else {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty())
                continue;
            if (const int32_t code = runCommand(handle, *options, line); code && !result)
                result = code;
        }
    }
    VXC_Close(handle);
    if (result != 0 && (options->watch || options->state))
        return fail("link call failed", result);
    return exitStatus(result);
}
