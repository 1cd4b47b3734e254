// Against a running korvan-sim of the default profile, through libkorvan:
// the bus program of its factory ROM publishes a consistent configuration
// and answers P_BusCmd 10 with one, whatever was written before.
#include "bus_configuration_check.h"
#include "link/korvan.h"
#include "testing/simprocess/sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using korvan::controller::testing::busConfigurationProblems;
using korvan::testing::SimProcess;

// This suite's loopback address; no other suite uses it.
constexpr const char* kAddress = "127.0.0.150";

class BusProgramSim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!SimProcess::available())
            GTEST_SKIP() << "korvan-sim not built";
        sim = std::make_unique<SimProcess>(
            korvan::testing::ethernetOptions(std::string(kAddress) + ":0"));
        ASSERT_TRUE(sim->ready()) << sim->readyLine();
        ASSERT_EQ(VXC_OpenEth(sim->ethEndpoint().c_str(), &handle), 0);
    }
    void TearDown() override
    {
        if (handle)
            VXC_Close(handle);
    }

    std::optional<double> number(const std::string& expression)
    {
        char reply[2048] = {};
        if (VXC_Execute(handle, ("?" + expression).c_str(), 1000, reply, sizeof reply) != 0)
            return std::nullopt;
        return std::strtod(reply, nullptr);
    }

    bool run(const std::string& text)
    {
        char reply[2048] = {};
        return VXC_Execute(handle, text.c_str(), 1000, reply, sizeof reply) == 0;
    }

    std::vector<std::string> problems()
    {
        return busConfigurationProblems([this](const std::string& e) { return number(e); });
    }

    /// Polls as the bus panel does, every 100 ms at most 50 times, until
    /// the command reads `until`.
    bool commandBecomes(double until)
    {
        for (int poll = 0; poll < 50; ++poll) {
            if (number("P_BusCmd") == until)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    std::unique_ptr<SimProcess> sim;
    ControllerHandle handle = nullptr;
};

TEST_F(BusProgramSim, AnswersBusCommand10WithAConsistentConfiguration)
{
    // Booted: the version probe answers once the first scan is published.
    for (int poll = 0; poll < 50 && !number("Sys_version"); ++poll)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    char reply[2048] = {};
    ASSERT_EQ(VXC_Execute(handle, "?Sys_version", 1000, reply, sizeof reply), 0);
    EXPECT_LE(std::string(reply).size(), 19u) << reply;
    EXPECT_EQ(problems(), std::vector<std::string>{});

    // A configuration taken over that leaves nodes out and moves a drive.
    ASSERT_TRUE(run("P_SetNodeNum = 2\r\nP_SlotNodeNum(0) = 2"));
    ASSERT_TRUE(run("P_NodeAxisstart(1) = 5\r\nP_NodeAtype(1) = 3"));
    ASSERT_TRUE(run("P_BusCmd = 4"));
    ASSERT_TRUE(commandBecomes(0));
    EXPECT_EQ(number("ATYPE(5)"), 67);
    EXPECT_NE(problems(), std::vector<std::string>{});

    ASSERT_TRUE(run("P_BusCmd = 10"));
    ASSERT_TRUE(commandBecomes(0));
    EXPECT_EQ(problems(), std::vector<std::string>{});
    EXPECT_EQ(number("P_SetNodeNum"), 5);
    EXPECT_EQ(number("P_NodeAxisstart(1)"), 6);
    EXPECT_EQ(number("ATYPE(6)"), 65);
}

} // namespace
