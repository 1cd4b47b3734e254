// korvan-sim as a child process of a test: started with a profile, waited
// for until it prints its ready line, stopped with SIGTERM when it goes out
// of scope. Qt-free, so every test suite can use it.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace korvan::testing {

struct SimOptions
{
    /// A file name under resources/sim/ or an absolute path.
    std::string profile = "default.json";
    /// Loopback address with ":port"; ":0" lets the controller pick a free port.
    std::optional<std::string> eth;
    std::optional<unsigned> com;
    std::optional<unsigned> pci;
    /// Empty: a fresh directory below the process's work directory.
    std::filesystem::path stateDir;
};

/// Options of a controller served on one loopback Ethernet endpoint.
inline SimOptions ethernetOptions(std::string endpoint, std::string profile = "default.json")
{
    SimOptions options;
    options.profile = std::move(profile);
    options.eth = std::move(endpoint);
    return options;
}

class SimProcess
{
public:
    /// Starts korvan-sim from $KORVAN_BIN_DIR. COM and PCI endpoints are made
    /// in $KORVAN_COM_DIR / $KORVAN_PCI_DIR when set, else below workDir.
    explicit SimProcess(SimOptions options,
                        std::chrono::milliseconds readyTimeout = std::chrono::seconds(10));
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    /// True once the ready line arrived.
    bool ready() const { return m_ready; }
    /// The ready line, or what the process printed before it failed.
    const std::string& readyLine() const { return m_readyLine; }
    /// "a.b.c.d:port" of the Ethernet endpoint, empty without one.
    std::string ethEndpoint() const;
    /// Sends SIGTERM and waits; returns the wait status (or -1 if not running).
    int stop();
    /// The state directory, for restarts with the same flash.
    const std::filesystem::path& stateDir() const { return m_options.stateDir; }
    const std::filesystem::path& workDir() const { return m_workDir; }

    /// True when korvan-sim is built and the tests know where.
    static bool available();

private:
    void waitReady(std::chrono::milliseconds timeout);

    SimOptions m_options;
    std::filesystem::path m_workDir;
    pid_t m_pid = -1;
    bool m_ready = false;
    std::string m_readyLine;
};

} // namespace korvan::testing
