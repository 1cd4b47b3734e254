#include "testing/simprocess/sim_process.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace korvan::testing {

namespace fs = std::filesystem;

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

fs::path uniqueWorkDir()
{
    static std::atomic<int> serial{0};
    return fs::temp_directory_path() /
           ("korvan-sim-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
}

} // namespace

bool SimProcess::available()
{
    const std::string bin = environment("KORVAN_BIN_DIR");
    return !bin.empty() && fs::exists(fs::path(bin) / "korvan-sim") &&
           !environment("KORVAN_SOURCE_DIR").empty();
}

SimProcess::SimProcess(SimOptions options, std::chrono::milliseconds readyTimeout)
    : m_options(std::move(options)), m_workDir(uniqueWorkDir())
{
    fs::remove_all(m_workDir);
    fs::create_directories(m_workDir);
    if (m_options.stateDir.empty())
        m_options.stateDir = m_workDir / "state";
    if (!available()) {
        m_readyLine = "korvan-sim is not built";
        return;
    }
    // The endpoints' folders belong to the process environment, which the
    // child inherits; tests that set them keep their own.
    if (environment("KORVAN_COM_DIR").empty())
        ::setenv("KORVAN_COM_DIR", (m_workDir / "com").c_str(), 1);
    if (environment("KORVAN_PCI_DIR").empty())
        ::setenv("KORVAN_PCI_DIR", (m_workDir / "pci").c_str(), 1);

    const fs::path profile =
        fs::path(m_options.profile).is_absolute()
            ? fs::path(m_options.profile)
            : fs::path(environment("KORVAN_SOURCE_DIR")) / "resources" / "sim" / m_options.profile;
    std::vector<std::string> args = {(fs::path(environment("KORVAN_BIN_DIR")) / "korvan-sim"),
                                     "--profile", profile.string(), "--state-dir",
                                     m_options.stateDir.string()};
    if (m_options.eth)
        args.insert(args.end(), {"--eth", *m_options.eth});
    if (m_options.com)
        args.insert(args.end(), {"--com", std::to_string(*m_options.com)});
    if (m_options.pci)
        args.insert(args.end(), {"--pci", std::to_string(*m_options.pci)});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // Output goes to a file rather than a pipe, so that a chatty controller
    // can never block on a full pipe once the test stops reading.
    const std::string log = (m_workDir / "sim.log").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        m_pid = -1;
        m_readyLine = "posix_spawn failed";
        return;
    }
    waitReady(readyTimeout);
}

SimProcess::~SimProcess()
{
    stop();
    std::error_code ignored;
    fs::remove_all(m_workDir, ignored);
}

void SimProcess::waitReady(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string text;
    do {
        std::ifstream in(m_workDir / "sim.log");
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line) && !lines.eof();) {
            if (line.rfind("korvan-sim ready", 0) == 0) {
                m_ready = true;
                m_readyLine = line;
                return;
            }
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1; // it ended before it served
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    m_readyLine = text.empty() ? "korvan-sim printed nothing" : text;
}

std::string SimProcess::ethEndpoint() const
{
    const auto at = m_readyLine.find(" eth=");
    if (!m_ready || at == std::string::npos)
        return {};
    const auto start = at + 5;
    return m_readyLine.substr(start, m_readyLine.find(' ', start) - start);
}

int SimProcess::stop()
{
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return status;
}

} // namespace korvan::testing
