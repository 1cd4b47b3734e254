// The shipped bus program (resources/EcatInit.bas) as the controller's ROM
// program, stepped tick by tick: what it publishes at power-up and after a
// reboot, its take-over (P_BusCmd 4) and automatic assignment (P_BusCmd 10)
// observed through the P_ variables and the axes, and the same program
// appended to an axis parameter file as the workbench downloads it.
#include "bus_configuration_check.h"
#include "bus_profile.h"
#include "controller/bus/axis_link.h"
#include "controller_fixture.h"
#include "link/krx/krx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace korvan::controller::testing {
namespace {

std::filesystem::path sourceDir()
{
    const char* source = std::getenv("KORVAN_SOURCE_DIR");
    return source ? std::filesystem::path(source) : std::filesystem::path();
}

std::string shippedBusProgram()
{
    std::ifstream in(sourceDir() / "resources/EcatInit.bas", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// 2 local axes, the module's 2 axes (2 and 3), then four drive axes on two
// slots: exactly the 8 axes of the controller.
Profile twoSlotProfile()
{
    return busProfile("EcatInit.bas", (sourceDir() / "resources").string());
}

class ShippedBusProgram : public ControllerTest
{
protected:
    explicit ShippedBusProgram(Profile profile = twoSlotProfile())
        : ControllerTest(std::move(profile))
    {}

    std::optional<double> number(const std::string& expression)
    {
        const Outcome o = controller->execute(task, "?" + expression);
        if (o.code != 0)
            return std::nullopt;
        return std::strtod(o.output.c_str(), nullptr);
    }

    double value(const std::string& expression) { return number(expression).value_or(-99999); }

    std::vector<std::string> problems()
    {
        return busConfigurationProblems([this](const std::string& e) { return number(e); });
    }

    /// Steps the servo tick until the version probe answers; the ticks taken,
    /// or -1 when it never does.
    int tickUntilPublished()
    {
        for (int ticks = 1; ticks <= 1000; ++ticks) {
            tick();
            if (number("Sys_version"))
                return ticks;
        }
        return -1;
    }

    /// Sends a command to the bus program and steps until it has cleared it.
    bool serve(int command)
    {
        ok("P_BusCmd = " + std::to_string(command));
        for (int ticks = 0; ticks < 1000; ++ticks) {
            tick();
            if (value("P_BusCmd") == 0)
                return true;
        }
        return false;
    }

    // The type and address of one axis, printed as the workbench reads them.
    std::string axisLink(int axis)
    {
        const std::string a = std::to_string(axis);
        return ok("?ATYPE(" + a + ") AXIS_ADDRESS(" + a + ")");
    }

    static std::string linked(int type, int slot, int node, int k)
    {
        return std::to_string(type) + " " + std::to_string(busAxisAddress(slot, node, k)) + "\r\n";
    }
};

using Row = std::vector<double>;
const char* const kNodeVariables[] = {
    "P_NodeMode",   "P_NodeProfile",  "P_NodeAtype",  "P_NodeAxisstart", "P_NodeAxisnum",
    "P_NodeStatus", "P_NodeVender",   "P_NodeDevice", "P_NodeIoStart",   "P_NodeInNum",
    "P_NodeOutNum", "P_NodeAioStart", "P_NodeAinNum", "P_NodeAoutNum"};

TEST_F(ShippedBusProgram, PublishesTheScannedBusBeforeTheVersionProbeAnswers)
{
    ASSERT_TRUE(number("P_SetNodeNum") == std::nullopt);
    ASSERT_GT(tickUntilPublished(), 0);
    // The probe answers only once the scan is complete: the workbench never
    // reads a half-written configuration.
    EXPECT_EQ(ok("?Sys_version"), "1.02\r\n");
    EXPECT_EQ(ok("?P_BusCmd P_SetNodeNum"), "0 5\r\n");
    EXPECT_EQ(ok("?*P_SlotNodeNum(0,3)"), "4 1 0\r\n");
    EXPECT_EQ(ok("?*P_SlotMode(0,3)"), "1 2 0\r\n");
    // One row per entry, the fourteen node variables in their order. Nodes
    // without channels report where the next channels would start.
    const Row expected[] = {
        {0, -1, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {1, 0, 1, 4, 1, 0, 1647, 1, 32, 0, 0, 8, 0, 0},
        {1, 0, 1, 5, 2, 0, 477, 2, 32, 0, 0, 8, 0, 0},
        {3, 0, 0, -1, 0, 5, 2, 3, 32, 8, 8, 8, 2, 1},
        {2, 0, 1, 7, 1, 0, 1647, 9, 40, 0, 0, 10, 0, 0},
    };
    for (int entry = 0; entry < 5; ++entry)
        for (int field = 0; field < 14; ++field) {
            const std::string name =
                std::string(kNodeVariables[field]) + "(" + std::to_string(entry) + ")";
            EXPECT_EQ(value(name), expected[entry][static_cast<std::size_t>(field)]) << name;
        }
    EXPECT_EQ(axisLink(4), linked(65, 0, 0, 0));
    EXPECT_EQ(axisLink(5), linked(65, 0, 1, 0));
    EXPECT_EQ(axisLink(6), linked(65, 0, 1, 1));
    EXPECT_EQ(axisLink(7), linked(65, 1, 0, 0));
    EXPECT_EQ(problems(), std::vector<std::string>{});
    EXPECT_EQ(controller->runState(), 1);

    // A reboot starts the ROM program again from nothing.
    ok("P_SetNodeNum = 0\r\nATYPE(5) = 0");
    ok("reboot");
    EXPECT_TRUE(number("Sys_version") == std::nullopt);
    ASSERT_GT(tickUntilPublished(), 0);
    EXPECT_EQ(value("P_SetNodeNum"), 5);
    EXPECT_EQ(problems(), std::vector<std::string>{});
}

TEST_F(ShippedBusProgram, TakesOverTheWrittenConfiguration)
{
    ASSERT_GT(tickUntilPublished(), 0);
    // Entry 1 moves to axis 7 in CSV, entry 2 to axes 4 and 5 in CST with a
    // third axis it does not have, the RTEX drive is taken out, and a sixth
    // entry names a node slot 1 does not have. The identity fields come
    // back as the nodes report them.
    // Written in the bus panel's own texts.
    ok("P_SetNodeNum = 6.000000");
    const std::vector<std::tuple<const char*, int, double>> written{
        {"P_SlotNodeNum", 1, 2},   {"P_NodeAxisstart", 1, 7}, {"P_NodeAtype", 1, 2},
        {"P_NodeAxisstart", 2, 4}, {"P_NodeAxisnum", 2, 3},   {"P_NodeAtype", 2, 3},
        {"P_NodeAxisnum", 4, 0},   {"P_NodeMode", 5, 1},      {"P_NodeAxisstart", 5, 6},
        {"P_NodeAxisnum", 5, 1},   {"P_NodeVender", 1, 0},    {"P_NodeIoStart", 3, 0},
        {"P_NodeStatus", 3, 0}};
    for (const auto& [name, index, number] : written) {
        char text[96];
        std::snprintf(text, sizeof text, "%s(%d) =  %f ", name, index, number);
        ok(text);
    }
    ASSERT_TRUE(serve(4));

    struct Case
    {
        int axis;
        std::string link;
    };
    const Case cases[] = {
        {4, linked(67, 0, 1, 0)},
        {5, linked(67, 0, 1, 1)},
        {6, "0 -1\r\n"},
        {7, linked(66, 0, 0, 0)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(axisLink(c.axis), c.link) << "axis " << c.axis;
    EXPECT_EQ(ok("?P_NodeVender(1) P_NodeIoStart(3) P_NodeStatus(3)"), "1647 32 5\r\n");
    // What was written stays published.
    EXPECT_EQ(ok("?P_SetNodeNum P_NodeAxisstart(1) P_NodeAxisnum(2) P_NodeAxisstart(5)"),
              "6 7 3 6\r\n");
    // Not what automatic assignment gives: the RTEX drive has no axis though
    // axis 6 is free, and the second drive claims a third axis.
    EXPECT_NE(problems(), std::vector<std::string>{});
    // PUL, a mode a drive does not know, links as CSP.
    ok("P_NodeAtype(1) = 0");
    ASSERT_TRUE(serve(4));
    EXPECT_EQ(axisLink(7), linked(65, 0, 0, 0));
}

// The bus panel writes whatever the list holds; the program must still
// clear the command soon (the panel waits for it without a limit) and keep
// running.
TEST_F(ShippedBusProgram, HostileValuesNeitherStallNorStopTheProgram)
{
    ASSERT_GT(tickUntilPublished(), 0);
    const char* const hostile[] = {
        "P_NodeAxisnum(1) = 1e9", "P_NodeAxisnum(2) = -5",      "P_NodeAtype(1) = 1.5",
        "P_NodeAtype(2) = -1e9",  "P_NodeAxisstart(1) = 1e300", "P_NodeAxisstart(2) = 6.7",
        "P_SlotNodeNum(0) = 1e9", "P_SlotNodeNum(1) = -3",      "P_SlotNodeNum(0) = 2.5",
        "P_NodeAxisnum(1) = 0.5",
    };
    for (const char* text : hostile) {
        ok(text);
        ok("P_BusCmd = 4");
        bool cleared = false;
        for (int t = 0; t < 50 && !cleared; ++t) {
            tick();
            cleared = value("P_BusCmd") == 0;
        }
        EXPECT_TRUE(cleared) << text;
        EXPECT_EQ(controller->runState(), 1) << text;
    }
    ASSERT_TRUE(serve(10));
    EXPECT_EQ(problems(), std::vector<std::string>{});
}

TEST_F(ShippedBusProgram, AssignsAutomaticallyAfterAnyConfiguration)
{
    ASSERT_GT(tickUntilPublished(), 0);
    ok("P_SetNodeNum = 2\r\nP_SlotNodeNum(0) = 2\r\nP_SlotNodeNum(1) = 0\r\nP_SlotMode(1) = 1");
    ok("P_NodeAxisstart(1) = 6\r\nP_NodeAtype(1) = 3\r\nP_NodeMode(3) = 1");
    ASSERT_TRUE(serve(4));
    EXPECT_EQ(axisLink(6), linked(67, 0, 0, 0));
    EXPECT_EQ(axisLink(7), "0 -1\r\n");
    EXPECT_NE(problems(), std::vector<std::string>{});

    ASSERT_TRUE(serve(10));
    EXPECT_EQ(problems(), std::vector<std::string>{});
    EXPECT_EQ(ok("?P_SetNodeNum P_SlotNodeNum(0) P_SlotNodeNum(1) P_SlotMode(1)"), "5 4 1 2\r\n");
    EXPECT_EQ(axisLink(4), linked(65, 0, 0, 0));
    EXPECT_EQ(axisLink(7), linked(65, 1, 0, 0));
    // Commands it does not know are left alone.
    ok("P_BusCmd = 5");
    tick(5);
    EXPECT_EQ(value("P_BusCmd"), 5);
}

// With the default profile's 8 axes, its 4 local axes and the module's 2
// leave room for two of the three drives: the third stays without an axis.
class DefaultProfileBusProgram : public ShippedBusProgram
{
protected:
    DefaultProfileBusProgram()
        : ShippedBusProgram(loadProfile((sourceDir() / "resources/sim/default.json").string()))
    {}
};

TEST_F(DefaultProfileBusProgram, LeavesTheThirdDriveWithoutAnAxis)
{
    auto expectTwoDrivesLinked = [this](const char* when) {
        EXPECT_EQ(problems(), std::vector<std::string>{}) << when;
        EXPECT_EQ(ok("?P_SetNodeNum"), "5\r\n") << when;
        EXPECT_EQ(ok("?*P_NodeAxisstart(0,5)"), "0 6 7 -1 -1\r\n") << when;
        EXPECT_EQ(ok("?*P_NodeAxisnum(0,5)"), "4 1 1 0 0\r\n") << when;
        EXPECT_EQ(axisLink(6), linked(65, 0, 0, 0)) << when;
        EXPECT_EQ(axisLink(7), linked(65, 0, 1, 0)) << when;
    };
    ASSERT_GT(tickUntilPublished(), 0);
    expectTwoDrivesLinked("at power-up");
    ASSERT_TRUE(serve(10));
    expectTwoDrivesLinked("after P_BusCmd 10");
}

// An axis parameter file as the workbench exports it for two real axes of
// eight, with one inverted input.
std::string axisParameterFile()
{
    std::string text = "GLOBAL ENABLE_OUT(8)\r\nGLOBAL CLEAR_OUT(8)\r\n";
    char line[128];
    for (int axis = 0; axis < 2; ++axis) {
        auto add = [&](const char* format, auto... values) {
            std::snprintf(line, sizeof line, format, values...);
            text += line;
        };
        add("BASE(%d)'\r\n", axis);
        add("ATYPE=%d\r\n", 7);
        add("UNITS=%.3f\r\n", 100.0 + axis);
        add("LSPEED=%.3f\r\n", 1.0);
        add("SPEED=%.3f\r\n", 50.0 + axis);
        add("ACCEL=%.3f\r\n", 500.0);
        add("DECEL=%.3f\r\n", 500.0);
        add("FASTDEC = %.3f\r\n", 0.0);
        add("SRAMP=%.3f\r\n", 10.0);
        add("FS_LIMIT=%.3f\r\n", 2000.0);
        add("RS_LIMIT=%.3f\r\n", -2000.0);
        add("INVERT_STEP=%d\r\n", 0);
        add("DATUM_IN=%d\r\n", -1);
        add("FWD_IN=%d\r\n", -1);
        add("REV_IN=%d\r\n", -1);
        add("ALM_IN=%d\r\n", -1);
        add("STEP_RATIO(%d,%d)\r\n", 1, 1);
        add("ENCODER_RATIO(%d,%d)\r\n", 1, 1);
        add("'STEP_RATIO1=%d\r\n", 1);
        add("'STEP_RATIO2=%d\r\n", 1);
        add("'ENCODER_RATIO1=%d\r\n", 1);
        add("'ENCODER_RATIO2=%d\r\n", 1);
        add("ENABLE_OUT(%d)=%d\r\n", axis, axis + 8);
        add("CLEAR_OUT(%d)=%d\r\n\r\n", axis, -1);
    }
    return text + "INVERT_IN(3,1)\r\n";
}

TEST_F(ShippedBusProgram, RunsAppendedToAnAxisParameterFileFromRom)
{
    const std::string text = axisParameterFile() + shippedBusProgram();
    const link::krx::KrxPackage package{"127.0.0.11",
                                        {{"127.0.0.11.Bas", {text.begin(), text.end()}}}};
    std::string messages;
    ASSERT_EQ(controller->downloadPackage(link::krx::writeKrx(package).bytes, true, messages), 0)
        << messages;
    EXPECT_EQ(messages, "");
    // Once from the download, once after a reboot.
    for (int round = 0; round < 2; ++round) {
        ASSERT_GT(tickUntilPublished(), 0) << "round " << round;
        EXPECT_EQ(ok("?ATYPE(0) UNITS(1) SPEED(1) FS_LIMIT(0) ENABLE_OUT(1) INVERT_IN(3)"),
                  "7 101 51 2000 9 1\r\n");
        EXPECT_EQ(problems(), std::vector<std::string>{});
        ok("P_NodeAxisnum(1) = 0");
        ASSERT_TRUE(serve(4));
        EXPECT_EQ(axisLink(4), "0 -1\r\n");
        ASSERT_TRUE(serve(10));
        EXPECT_EQ(problems(), std::vector<std::string>{});
        EXPECT_EQ(controller->runState(), 1);
        ok("reboot");
    }
}

} // namespace
} // namespace korvan::controller::testing
