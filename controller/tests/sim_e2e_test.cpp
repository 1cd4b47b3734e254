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
    EXPECT_EQ(korvanCmd(ip + "'SPEED(2)=12.5' '?SPEED(2) ACCEL(2)'"), "12.5 1000\r\n");
    EXPECT_NE(korvanCmd(ip + "'?*SET'").find("ENCODER_RATIO: 1~1"), std::string::npos);
    EXPECT_EQ(korvanCmd("--pci 1 '?TSIZE'"), "320000\r\n");
    EXPECT_EQ(korvanCmd("--com 7 '?SPEED(2)'"), "12.5\r\n");
    const fs::path com = fs::path(std::getenv("KORVAN_COM_DIR")) / "COM7";
    const fs::path pci = fs::path(std::getenv("KORVAN_PCI_DIR")) / "PCI1.sock";
    EXPECT_TRUE(fs::exists(com));
    EXPECT_TRUE(fs::exists(pci));
    const int status = sim.stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(com));
    EXPECT_FALSE(fs::exists(pci));
}

TEST_F(SimE2E, IpAddressPersistsInTheStateDirectory)
{
    korvan::testing::SimProcess sim(korvan::testing::ethernetOptions("127.0.0.61:0"));
    ASSERT_TRUE(sim.ready()) << sim.readyLine();
    korvanCmd("--ip " + sim.ethEndpoint() + " 'IP_ADDRESS = 127.0.0.99'");
    sim.stop();
    std::ifstream state(sim.stateDir() / "controller-state.json");
    std::string text((std::istreambuf_iterator<char>(state)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("127.0.0.99"), std::string::npos);
}

} // namespace
