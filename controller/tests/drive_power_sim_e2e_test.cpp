// Against a running korvan-sim of the default profile, through libkorvan: a
// master steps the bus drives' power state machine by SDO while the servo
// cycle runs in real time, and the bus program's axes are enabled through
// it. Only states that hold are read, so the cycle's pace does not matter.
#include "link/korvan.h"
#include "testing/simprocess/sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace {

using korvan::testing::SimProcess;

// This suite's loopback address; no other suite uses it.
constexpr const char* kAddress = "127.0.0.151";

constexpr int switchOnDisabled = 0x0250;
constexpr int readyToSwitchOn = 0x0231;
constexpr int switchedOn = 0x0233;
constexpr int operationEnabled = 0x1637;
constexpr int fault = 0x0218;

class DrivePowerSim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SimProcess::available()) << "korvan-sim is not built";
        sim = std::make_unique<SimProcess>(
            korvan::testing::ethernetOptions(std::string(kAddress) + ":0"));
        ASSERT_TRUE(sim->ready()) << sim->readyLine();
        ASSERT_EQ(VXC_OpenEth(sim->ethEndpoint().c_str(), &handle), 0);
        // The bus program has linked its axes once "?Sys_version" answers.
        ASSERT_TRUE(eventually([this] { return number("Sys_version").has_value(); }));
    }
    void TearDown() override
    {
        if (handle)
            VXC_Close(handle);
    }

    std::optional<double> number(const std::string& text)
    {
        char reply[2048] = {};
        const std::string command = text.find('\n') == std::string::npos ? "?" + text : text;
        if (VXC_Execute(handle, command.c_str(), 1000, reply, sizeof reply) != 0)
            return std::nullopt;
        return std::strtod(reply, nullptr);
    }
    void run(const std::string& text)
    {
        char reply[2048] = {};
        ASSERT_EQ(VXC_Execute(handle, text.c_str(), 1000, reply, sizeof reply), 0) << text;
    }
    int object(int node, const std::string& index, int sub = 0, int type = 6)
    {
        return static_cast<int>(number("SDO_READ(0," + std::to_string(node) + ",$" + index + "," +
                                       std::to_string(sub) + "," + std::to_string(type) +
                                       ",0)\r\n?TABLE(0)")
                                    .value_or(-1));
    }
    int statusword(int node) { return object(node, "6041"); }
    void controlword(int node, int word)
    {
        run("SDO_WRITE(0," + std::to_string(node) + ",$6040,0,6," + std::to_string(word) + ")");
    }

    /// Polls every 20 ms for at most 5 s.
    template <typename Condition> static bool eventually(Condition condition)
    {
        for (int poll = 0; poll < 250; ++poll) {
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::unique_ptr<SimProcess> sim;
    ControllerHandle handle = nullptr;
};

TEST_F(DrivePowerSim, AMasterStepsTheDriveNoAxisDrivesThroughEveryState)
{
    // The bus program gave the first two drives axes 6 and 7; the third has none.
    EXPECT_EQ(statusword(0), operationEnabled);
    EXPECT_EQ(object(0, "6040"), 0x0F);
    EXPECT_EQ(statusword(1), operationEnabled);
    EXPECT_EQ(statusword(2), switchOnDisabled);

    struct Step
    {
        int controlword;
        int statusword;
    };
    const Step steps[] = {{0x06, readyToSwitchOn},  {0x07, switchedOn},
                          {0x0F, operationEnabled}, {0x07, switchedOn},
                          {0x06, readyToSwitchOn},  {0x0F, operationEnabled},
                          {0x00, switchOnDisabled}};
    for (const Step& s : steps) {
        controlword(2, s.controlword);
        EXPECT_EQ(object(2, "6040"), s.controlword);
        EXPECT_EQ(statusword(2), s.statusword) << "after controlword " << s.controlword;
    }
    // A quick stop ends in switch on disabled once the axis stands.
    controlword(2, 0x06);
    controlword(2, 0x0F);
    controlword(2, 0x02);
    EXPECT_TRUE(eventually([this] { return statusword(2) == switchOnDisabled; }));
    // The interpolation period is the profile's 1 ms servo period.
    EXPECT_EQ(object(2, "60C2", 1, 5), 1);
    EXPECT_EQ(object(2, "60C2", 2, 2), -3);
    // The I/O node has digital and analogue inputs and outputs.
    EXPECT_EQ(object(3, "1000", 0, 7), 0x000F0191);
}

TEST_F(DrivePowerSim, AFaultResetsOnARisingBit7OnceItsCauseIsGone)
{
    // Axis 6's drive alarm on input 20, switched on by inverting the idle input.
    run("ALM_IN(6)=20\r\nINVERT_IN(20,1)");
    EXPECT_TRUE(eventually([this] { return statusword(0) == fault; }));
    controlword(0, 0x80);
    EXPECT_EQ(statusword(0), fault);
    run("INVERT_IN(20,0)");
    controlword(0, 0x00);
    EXPECT_EQ(statusword(0), fault);
    controlword(0, 0x80);
    EXPECT_EQ(statusword(0), switchOnDisabled);
    // The master chose to leave it off; the controller's enable brings it back.
    EXPECT_EQ(number("AXIS_ENABLE(6)"), 0);
    run("AXIS_ENABLE(6)=1");
    EXPECT_EQ(statusword(0), operationEnabled);
    run("MOVE(1) AXIS(6)");
}

} // namespace
