// korvan-sim end to end: started on loopback, driven by korvan-cmd over
// Ethernet, a pty and the PCI socket, stopped with SIGTERM.
#include "testing/simprocess/sim_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string bin(const char* name)
{
    return std::string(std::getenv("KORVAN_BIN_DIR")) + "/" + name;
}

std::string run(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    pclose(p);
    return out;
}

std::string korvanCmd(const std::string& arguments)
{
    return run(bin("korvan-cmd") + " " + arguments);
}

class SimE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!korvan::testing::SimProcess::available() || !fs::exists(bin("korvan-cmd")))
            GTEST_SKIP() << "korvan-sim or korvan-cmd not built";
    }
};

TEST_F(SimE2E, ServesEveryTransportAndCleansUp)
{
    korvan::testing::SimOptions options = korvan::testing::ethernetOptions("127.0.0.61:0");
    options.com = 7;
    options.pci = 1;
    korvan::testing::SimProcess sim(options);
    ASSERT_TRUE(sim.ready()) << sim.readyLine();
    const std::string ip = "--ip " + sim.ethEndpoint() + " ";
    EXPECT_EQ(korvanCmd(ip + "'SPEED(2)=12.5' '?SPEED(2) ACCEL(2)'"), "12.5 1000\n");
    EXPECT_NE(korvanCmd(ip + "'?*SET'").find("ENCODER_RATIO: 1~1"), std::string::npos);
    EXPECT_EQ(korvanCmd("--pci 1 '?TSIZE'"), "320000\n");
    EXPECT_EQ(korvanCmd("--com 7 '?SPEED(2)'"), "12.5\n");
    const fs::path com = fs::path(std::getenv("KORVAN_COM_DIR")) / "COM7";
    const fs::path pci = fs::path(std::getenv("KORVAN_PCI_DIR")) / "PCI1.sock";
    EXPECT_TRUE(fs::exists(com));
    EXPECT_TRUE(fs::exists(pci));
    const int status = sim.stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(com));
    EXPECT_FALSE(fs::exists(pci));
}

// Discovery probes on the served address find the controller, except while a
// reboot keeps it away; it is back about two seconds later.
TEST_F(SimE2E, AnswersDiscoveryProbesExceptWhileRebooting)
{
    korvan::testing::SimProcess sim(korvan::testing::ethernetOptions("127.0.0.61:0"));
    ASSERT_TRUE(sim.ready()) << sim.readyLine();
    const std::string endpoint = sim.ethEndpoint();
    const std::string port = endpoint.substr(endpoint.find(':') + 1);
    const std::string search = "KORVAN_SEARCH=127.0.0.60-127.0.0.62 KORVAN_PORT=" + port + " " +
                               bin("korvan-cmd") + " --search --timeout 200";
    EXPECT_EQ(run(search), "127.0.0.61\n");
    korvanCmd("--ip " + endpoint + " 'SPEED(1)=5' reboot");
    EXPECT_EQ(run(search), "");
    std::string found;
    for (int attempt = 0; attempt < 30 && found.empty(); ++attempt)
        found = run(search);
    EXPECT_EQ(found, "127.0.0.61\n");
    EXPECT_EQ(korvanCmd("--ip " + endpoint + " '?SPEED(1)'"), "100\n");
}

// The address an IP change stores is where the controller comes back after a
// restart without --eth; an explicit --eth serves elsewhere without losing it.
TEST_F(SimE2E, IpAddressPersistsInTheStateDirectory)
{
    korvan::testing::SimProcess first(korvan::testing::ethernetOptions("127.0.0.61:0"));
    ASSERT_TRUE(first.ready()) << first.readyLine();
    korvanCmd("--ip " + first.ethEndpoint() + " 'IP_ADDRESS = 127.0.0.65'");
    first.stop();

    korvan::testing::SimOptions elsewhere = korvan::testing::ethernetOptions("127.0.0.61:0");
    elsewhere.stateDir = first.stateDir();
    korvan::testing::SimProcess second(elsewhere);
    ASSERT_TRUE(second.ready()) << second.readyLine();
    // Served at 127.0.0.61, it reports that address (first octet lowest: 0x3d00007f).
    EXPECT_EQ(korvanCmd("--ip " + second.ethEndpoint() + " '?IP_ADDRESS'"), "1023410303\n");
    second.stop();

    korvan::testing::SimOptions own;
    own.stateDir = first.stateDir();
    korvan::testing::SimProcess third(own);
    ASSERT_TRUE(third.ready()) << third.readyLine();
    EXPECT_EQ(third.ethEndpoint().substr(0, 11), "127.0.0.65:") << third.readyLine();
    EXPECT_EQ(korvanCmd("--ip " + third.ethEndpoint() + " '?IP_ADDRESS'"), "1090519167\n");
}

TEST_F(SimE2E, HelpPrintsTheWholeUsage)
{
    FILE* p = popen((bin("korvan-sim") + " --help").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    const int status = pclose(p);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    for (const char* part : {"usage: korvan-sim", "--state-dir DIR", "Exit status:", "Examples:"})
        EXPECT_NE(out.find(part), std::string::npos) << part;
}

TEST_F(SimE2E, ADamagedStateFileIsNamedInAWarningAndKept)
{
    korvan::testing::SimOptions options = korvan::testing::ethernetOptions("127.0.0.61:0");
    options.stateDir = fs::temp_directory_path() / ("korvan-damaged-" + std::to_string(::getpid()));
    fs::remove_all(options.stateDir);
    fs::create_directories(options.stateDir);
    std::ofstream(options.stateDir / "controller-state.json") << "{\"flash\": [1, 2,";
    {
        korvan::testing::SimProcess sim(options);
        ASSERT_TRUE(sim.ready()) << sim.readyLine();
        std::ifstream log(sim.workDir() / "sim.log");
        const std::string text(std::istreambuf_iterator<char>(log), {});
        EXPECT_NE(text.find("korvan-sim: warning: the state file " +
                            (options.stateDir / "controller-state.json").string()),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find((options.stateDir / "controller-state.json.damaged").string()),
                  std::string::npos)
            << text;
    }
    std::ifstream kept(options.stateDir / "controller-state.json.damaged");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "{\"flash\": [1, 2,");
    fs::remove_all(options.stateDir);
}

} // namespace
