// Against a running korvan-sim: a BASIC program downloaded to ROM prints
// through the message stream, runs again after a restart of the simulator,
// and its output waits for the first session.
#include "link/korvan.h"
#include "testing/simprocess/sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using korvan::testing::SimProcess;

// Polls the message stream until it holds want or five seconds pass.
std::string readUntil(ControllerHandle handle, const std::string& want)
{
    std::string all;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (all.find(want) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        std::string buffer(20481, '\0');
        uint32_t length = 0;
        if (VXC_ReadMessage(handle, buffer.data(), 20480, &length) == 0)
            all += buffer.substr(0, length);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return all;
}

korvan::testing::SimOptions options(const fs::path& stateDir = {})
{
    korvan::testing::SimOptions o;
    o.eth = "127.0.0.141:0";
    o.stateDir = stateDir;
    return o;
}

ControllerHandle open(const SimProcess& sim)
{
    ControllerHandle handle = nullptr;
    if (VXC_OpenEth(sim.ethEndpoint().c_str(), &handle) != 0)
        return nullptr;
    return handle;
}

TEST(ProgramSimE2E, ARomProgramPrintsAndRunsAgainAfterARestart)
{
    if (!SimProcess::available())
        GTEST_SKIP() << "korvan-sim not built";
    SimProcess first(options());
    ASSERT_TRUE(first.ready()) << first.readyLine();
    ControllerHandle handle = open(first);
    ASSERT_NE(handle, nullptr);

    const fs::path bas = first.workDir() / "Boot.bas";
    std::ofstream(bas, std::ios::binary)
        << "SPEED(1) = 42\r\nFOR i = 1 TO 3\r\n    PRINT \"boot\"; i\r\nNEXT\r\nDELAY(20)\r\n"
           "PRINT \"boot done\"\r\n";
    char project[VXC_KPJ_BUFFER_SIZE];
    char directory[VXC_KPJ_BUFFER_SIZE];
    ASSERT_EQ(VXC_MakeOneFileKpj(project, directory, bas.c_str()), 0);
    ASSERT_EQ(VXC_MakeKrxAndDown2(handle, project, directory, 0, 0), 0);
    EXPECT_EQ(VXC_Resume(handle), 0);
    EXPECT_EQ(readUntil(handle, "boot done\r\n"), "boot1\r\nboot2\r\nboot3\r\nboot done\r\n");
    uint8_t state = 50;
    EXPECT_EQ(VXC_GetState(handle, &state), 0);
    EXPECT_EQ(state, 0);
    VXC_Close(handle);
    first.stop();

    SimProcess second(options(first.stateDir()));
    ASSERT_TRUE(second.ready()) << second.readyLine();
    handle = open(second);
    ASSERT_NE(handle, nullptr);
    // Printed while no session was open: the first session reads it.
    EXPECT_EQ(readUntil(handle, "boot done\r\n"), "boot1\r\nboot2\r\nboot3\r\nboot done\r\n");
    char reply[2048] = {};
    EXPECT_EQ(VXC_Execute(handle, "?SPEED(1)", 1000, reply, sizeof reply), 0);
    EXPECT_STREQ(reply, "42\r\n");
    VXC_Close(handle);
}

} // namespace
