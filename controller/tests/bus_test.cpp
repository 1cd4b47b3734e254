// The field bus of the virtual controller: slot and node reports, node
// channels in the controller's I/O, SDO access with every data type, its
// errors, and axes linked to drives and expansion modules.
#include "bus_profile.h"
#include "controller/bus/axis_link.h"
#include "controller_fixture.h"
#include "link/krx/krx.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace korvan::controller::testing {
namespace {

class Bus : public ControllerTest
{
protected:
    Bus() : ControllerTest(busProfile()) {}

    double value(const std::string& expression) { return std::stod(ok("?" + expression)); }

    // Runs text that must fail; returns its code and keeps its messages.
    int32_t fails(const std::string& text)
    {
        const Outcome o = controller->execute(task, text);
        lastMessages = o.messages;
        return o.code;
    }

    std::string lastMessages;
};

TEST_F(Bus, SlotReportAndNodeCounts)
{
    EXPECT_EQ(ok("?*SLOT"), "0:ETHERCAT.1:RTEX\r\n");
    EXPECT_EQ(value("NODE_COUNT(0)"), 3);
    EXPECT_EQ(value("NODE_COUNT(1)"), 1);
    EXPECT_EQ(value("NODE_AXIS_COUNT(0,1)"), 2);
    EXPECT_EQ(value("NODE_AXIS_COUNT(0,2)"), 0);
    // A value in an expression, as the bus program uses it.
    EXPECT_EQ(value("NODE_COUNT(0) + NODE_COUNT(1)"), 4);
}

TEST_F(Bus, NodeInformation)
{
    struct Case
    {
        int slot, node, info;
        double expected;
    };
    const Case cases[] = {
        {0, 0, 0, 1647}, {0, 0, 1, 1},  {0, 0, 2, 2},  {0, 0, 3, 1}, {0, 0, 4, 11}, {0, 0, 5, 0},
        {0, 0, 6, 1},    {0, 2, 6, 3},  {1, 0, 6, 2},  {0, 2, 5, 5}, {0, 2, 10, 8}, {0, 2, 11, 8},
        {0, 2, 12, 2},   {0, 2, 13, 1}, {0, 0, 10, 0}, {1, 0, 1, 9},
    };
    for (const Case& c : cases) {
        const std::string text = "NODE_INFO(" + std::to_string(c.slot) + "," +
                                 std::to_string(c.node) + "," + std::to_string(c.info) + ")";
        EXPECT_EQ(value(text), c.expected) << text;
    }
}

TEST(BusNodeVendor, ANodeTheProfileNamesNoMakerForIsKorvans)
{
    const Profile profile = parseProfile(R"({"bus": [{"type": "EtherCAT", "nodes": [
        {"kind": "io", "inputs": 8}, {"kind": "drive", "vendor": 1647, "axes": 1}]}]})");
    ASSERT_EQ(profile.slots.at(0).nodes.size(), 2u);
    EXPECT_EQ(profile.slots[0].nodes[0].vendor, 0x4B4F5256u);
    EXPECT_EQ(profile.slots[0].nodes[1].vendor, 1647u);
}

TEST_F(Bus, NodeChannelsAreControllerIo)
{
    EXPECT_EQ(value("NODE_IO(0,2)"), 32);
    EXPECT_EQ(value("NODE_AIO(0,2)"), 8);
    ok("OP(33,1)");
    ok("SDO_READ(0,2,$7000,2,1,5)");
    EXPECT_EQ(value("TABLE(5)"), 1);
    ok("SDO_WRITE(0,2,$7000,1,1,1)");
    EXPECT_EQ(value("OP(32)"), 1);
    controller->setInputLevel(39, true);
    EXPECT_EQ(value("IN(39)"), 1);
    ok("SDO_READ(0,2,$6000,8,1,0)");
    EXPECT_EQ(value("TABLE(0)"), 1);
    ok("SDO_WRITE(0,2,$6411,1,6,3000)");
    EXPECT_EQ(value("AOUT(8)"), 3000);
    // The node's channels end the numbering; the next number has none.
    EXPECT_NE(fails("?IN(40)"), 0);
    EXPECT_NE(ok("?*max").find("max_in:16,40\n"), std::string::npos);
}

TEST_F(Bus, SdoRoundTripsWithEveryType)
{
    struct Case
    {
        const char* what;
        int node, index, sub, type;
        double written, read;
    };
    const Case cases[] = {
        {"Bool output", 2, 0x7000, 3, 1, 1, 1},
        {"Int8 mode", 1, 0x6060, 0, 2, 10, 10},
        {"Int8 exponent", 1, 0x60C2, 2, 2, -4, -4},
        {"Int16 torque", 1, 0x6071, 0, 3, -250, -250},
        {"Int16 quick stop option", 1, 0x605A, 0, 3, 6, 6},
        {"Int32 target", 1, 0x607A, 0, 4, -123456, -123456},
        {"Uint8 period", 1, 0x60C2, 1, 5, 200, 200},
        {"Uint16 max torque", 1, 0x6072, 0, 6, 65535, 65535},
        {"Uint16 second axis", 1, 0x6840, 0, 6, 15, 15},
        {"Uint32 velocity", 1, 0x6081, 0, 7, 4000000000.0, 4000000000.0},
        {"Uint32 as 32 signed bits", 1, 0x6881, 0, 7, -1, 4294967295.0},
    };
    for (const Case& c : cases) {
        const std::string target = "0," + std::to_string(c.node) + "," + std::to_string(c.index) +
                                   "," + std::to_string(c.sub) + "," + std::to_string(c.type) + ",";
        char written[32];
        std::snprintf(written, sizeof written, "%.0f", c.written);
        ok("SDO_WRITE(" + target + written + ")");
        ok("TABLE(0)=-7\r\nSDO_READ(" + target + "0)");
        EXPECT_EQ(value("TABLE(0)"), c.read) << c.what;
    }
    // Same size, other type: the bits are read as that type.
    ok("SDO_READ(0,1,$60C2,2,5,1)");
    EXPECT_EQ(value("TABLE(1)"), 252);
    // Identity and device type, read only.
    ok("SDO_READ(0,0,$1018,1,7,2)\r\nSDO_READ(0,0,$1018,4,7,3)\r\nSDO_READ(0,0,$1018,0,5,4)");
    EXPECT_EQ(ok("?TABLE(2) TABLE(3) TABLE(4)"), "1647 11 4\r\n");
}

TEST(BusObjects, InterpolationPeriodFollowsTheServoPeriod)
{
    struct Case
    {
        const char* servoPeriod; // ms
        int mantissa, exponent;
    };
    const Case cases[] = {
        {"1", 1, -3}, {"0.5", 5, -4}, {"0.25", 25, -5}, {"2.5", 25, -4}, {"10", 10, -3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.servoPeriod);
        ManualClock clock;
        Controller controller(parseProfile(std::string(R"({"servoPeriod": )") + c.servoPeriod +
                                           R"(, "bus": [{"type": "EtherCAT", "nodes": [
                                               {"kind": "drive", "axes": 2}]}]})"),
                              {"", &clock});
        TaskContext task;
        auto read = [&](int index, int sub, int type) {
            const std::string text = "SDO_READ(0,0," + std::to_string(index) + "," +
                                     std::to_string(sub) + "," + std::to_string(type) + ",0)";
            EXPECT_EQ(controller.execute(task, text).code, 0) << text;
            return controller.execute(task, "?TABLE(0)").output;
        };
        // Both axes of the drive, before and after a write and a reboot.
        for (const int axis : {0x60C2, 0x68C2}) {
            EXPECT_EQ(read(axis, 0, 5), "2\r\n");
            EXPECT_EQ(read(axis, 1, 5), std::to_string(c.mantissa) + "\r\n");
            EXPECT_EQ(read(axis, 2, 2), std::to_string(c.exponent) + "\r\n");
        }
        controller.execute(task, "SDO_WRITE(0,0,$60C2,1,5,7)");
        EXPECT_EQ(read(0x60C2, 1, 5), "7\r\n");
        controller.execute(task, "reboot");
        EXPECT_EQ(read(0x60C2, 1, 5), std::to_string(c.mantissa) + "\r\n");
    }
}

TEST(BusObjects, DeviceTypeNamesTheNodesKindAndItsIo)
{
    ManualClock clock;
    Controller controller(parseProfile(R"({"bus": [{"type": "EtherCAT", "nodes": [
        {"kind": "drive"},
        {"kind": "io", "inputs": 8, "outputs": 8, "analogInputs": 2, "analogOutputs": 1},
        {"kind": "io", "inputs": 16},
        {"kind": "io", "outputs": 4, "analogOutputs": 2},
        {"kind": "io", "analogInputs": 4}]}]})"),
                          {"", &clock});
    TaskContext task;
    // CiA 402 servo drive; CiA 401 with bit 16 digital in, 17 digital out,
    // 18 analogue in and 19 analogue out for what the module has.
    const uint32_t expected[] = {0x00020192, 0x000F0191, 0x00010191, 0x000A0191, 0x00040191};
    for (int node = 0; node < 5; ++node) {
        const std::string text = "SDO_READ(0," + std::to_string(node) + ",$1000,0,7,0)";
        ASSERT_EQ(controller.execute(task, text).code, 0) << text;
        EXPECT_EQ(controller.execute(task, "?TABLE(0)").output,
                  std::to_string(expected[node]) + "\r\n")
            << "node " << node;
    }
}

TEST_F(Bus, SdoErrors)
{
    struct Case
    {
        const char* text;
        int32_t code;
        const char* message; // part of the error report
    };
    const Case cases[] = {
        {"SDO_READ(0,0,$1234,0,4,0)", 2101, "06020000"},
        {"SDO_READ(0,0,$1018,5,7,0)", 2101, "06090011"},
        {"SDO_READ(0,0,$6041,0,4,0)", 2101, "06070010"},
        {"SDO_WRITE(0,0,$6041,0,6,0)", 2101, "06010002"},
        {"SDO_WRITE(0,0,$6077,0,3,5)", 2101, "06010002"},
        {"SDO_READ(0,0,$6077,0,4,0)", 2101, "06070010"},
        {"SDO_WRITE(0,0,$6060,0,2,7)", 2101, "06090030"},
        {"SDO_WRITE(0,0,$605A,0,3,9)", 2101, "06090030"},
        {"SDO_WRITE(0,0,$605A,0,3,-1)", 2101, "06090030"},
        {"SDO_WRITE(0,2,$7000,1,5,2)", 2101, "06090030"},
        {"SDO_READ(0,2,$7000,9,1,0)", 2101, "06090011"},
        {"SDO_READ(0,0,$6840,0,6,0)", 2101, "06020000"}, // a one-axis drive
        {"SDO_WRITE(0,0,$6060,0,2,128)", 2004, "data type 2"},
        {"SDO_WRITE(0,0,$6072,0,6,-1)", 2004, "data type 6"},
        {"SDO_WRITE(0,2,$7000,1,1,2)", 2004, "data type 1"},
        {"SDO_WRITE(0,0,$6040,0,6,1.5)", 2004, "data type 6"},
        {"SDO_READ(0,0,$6041,0,0,0)", 2004, "data type 1..7"},
        {"SDO_READ(0,0,$6041,0,8,0)", 2004, "data type 1..7"},
        {"SDO_READ(0,0,$10000,0,6,0)", 2004, "index"},
        {"SDO_READ(1,0,$6041,0,6,0)", 2102, "RTEX"},
        {"SDO_WRITE(1,0,$6040,0,6,15)", 2102, "RTEX"},
        {"SDO_READ(2,0,$6041,0,6,0)", 2003, "slot 2"},
        {"SDO_READ(0,3,$6041,0,6,0)", 2003, "node 3"},
        {"SDO_READ(0,0,$6041,0,6,40000)", 2003, "TABLE(40000)"},
        {"SDO_READ(0,0,$6041,0,6)", 2004, "arguments"},
        {"?NODE_COUNT(2)", 2003, "slot 2"},
        {"?NODE_INFO(0,0,7)", 2004, "information 7"},
        {"?NODE_INFO(0,-1,0)", 2003, "node -1"},
        {"?NODE_IO(0)", 2004, "arguments"},
        {"NODE_COUNT(0)", 2004, "print it"},
        {"NODE_COUNT=1", 2010, "NODE_COUNT"},
        {"GLOBAL NODE_INFO(3)", 2010, "NODE_INFO"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fails(c.text), c.code) << c.text;
        EXPECT_NE(lastMessages.find(c.message), std::string::npos)
            << c.text << ": " << lastMessages;
        EXPECT_EQ(controller->lastError(), c.code) << c.text;
    }
    // A failed read leaves the TABLE as it was.
    ok("TABLE(0)=42");
    fails("SDO_READ(0,0,$1234,0,4,0)");
    EXPECT_EQ(value("TABLE(0)"), 42);
}

TEST_F(Bus, DriveObjectsFollowTheLinkedAxis)
{
    const int address = busAxisAddress(0, 0, 0);
    ok("AXIS_ADDRESS(4)=" + std::to_string(address) + "\r\nATYPE(4)=65\r\nUNITS(4)=100");
    tick(); // the drive powers up; the controller enables it (AXIS_ENABLE 1)
    EXPECT_EQ(controller->axisFeatures(4), 0x2800u);
    ok("SDO_READ(0,0,$6061,0,2,0)");
    EXPECT_EQ(value("TABLE(0)"), 8);
    ok("SDO_WRITE(0,0,$6060,0,2,9)");
    EXPECT_EQ(value("ATYPE(4)"), 66);

    // Shut down by SDO, the drive is ready to switch on and its axis disabled.
    ok("SDO_WRITE(0,0,$6040,0,6,6)");
    EXPECT_EQ(value("AXIS_ENABLE(4)"), 0);
    ok("SDO_READ(0,0,$6041,0,6,0)");
    EXPECT_EQ(value("TABLE(0)"), 0x0231);
    ok("AXIS_ENABLE(4)=1\r\nSDO_READ(0,0,$6040,0,6,0)\r\nSDO_READ(0,0,$6041,0,6,1)");
    EXPECT_EQ(value("TABLE(0)"), 0x000F);
    EXPECT_EQ(value("TABLE(1)"), 0x1637); // operation enabled, target reached (idle), following

    ok("DPOS(4)=2.5\r\nMPOS(4)=1.5\r\nSDO_READ(0,0,$607A,0,4,0)\r\nSDO_READ(0,0,$6064,0,4,1)");
    EXPECT_EQ(value("TABLE(0)"), 250);
    EXPECT_EQ(value("TABLE(1)"), 150);
    EXPECT_EQ(fails("SDO_WRITE(0,0,$607A,0,4,0)"), 2101);
    EXPECT_NE(lastMessages.find("08000022"), std::string::npos);
    ok("SDO_WRITE(0,0,$6081,0,7,5000)");
    EXPECT_EQ(value("SPEED(4)"), 50);

    // A second axis naming the same drive axis does not take it over.
    ok("AXIS_ADDRESS(5)=" + std::to_string(address) + "\r\nATYPE(5)=65");
    EXPECT_EQ(controller->axisFeatures(5), 0u);
    ok("SDO_READ(0,0,$6061,0,2,0)");
    EXPECT_EQ(value("TABLE(0)"), 9);

    // Unlinked, the drive shows what SDO writes stored, until a reboot.
    ok("ATYPE(4)=1\r\nATYPE(5)=0\r\nSDO_WRITE(0,0,$6060,0,2,10)\r\nSDO_WRITE(0,0,$607A,0,4,77)");
    ok("SDO_READ(0,0,$6061,0,2,0)\r\nSDO_READ(0,0,$607A,0,4,1)\r\nSDO_READ(0,0,$6064,0,4,2)");
    EXPECT_EQ(ok("?TABLE(0) TABLE(1) TABLE(2)"), "10 77 0\r\n");
    ok("reboot");
    ok("SDO_READ(0,0,$6061,0,2,0)\r\nSDO_READ(0,0,$607A,0,4,1)");
    EXPECT_EQ(ok("?TABLE(0) TABLE(1)"), "8 0\r\n");
}

TEST_F(Bus, ModuleAxesBecomeControllerAxesByAddressAndType)
{
    // What the workbench's tree sends for the module's two axes after the
    // two local ones: address = card number + 32 per axis, type 8.
    EXPECT_EQ(controller->axisFeatures(2), 0u);
    ok("AXIS_ADDRESS(2)=0\r\nATYPE(2)=8\r\nAXIS_ADDRESS(3)=32\r\nATYPE(3)=8");
    EXPECT_EQ(controller->axisFeatures(2), 0x11u);
    EXPECT_EQ(controller->axisFeatures(3), 0x11u);
    // No third axis on the module; a module address needs type 8.
    ok("AXIS_ADDRESS(3)=64");
    EXPECT_EQ(controller->axisFeatures(3), 0u);
    ok("AXIS_ADDRESS(3)=32\r\nATYPE(3)=65");
    EXPECT_EQ(controller->axisFeatures(3), 0u);
    // A bus address with a module type is no module axis either.
    ok("AXIS_ADDRESS(2)=" + std::to_string(busAxisAddress(0, 1, 1)));
    EXPECT_EQ(controller->axisFeatures(2), 0u);
    ok("ATYPE(2)=66");
    EXPECT_EQ(controller->axisFeatures(2), 0x2800u);
    // RTEX drives are servo axes without CANopen objects.
    ok("AXIS_ADDRESS(2)=" + std::to_string(busAxisAddress(1, 0, 0)));
    EXPECT_EQ(controller->axisFeatures(2), 0x800u);
}

TEST(BusProgram, FactoryRomRunsTheProfilesBusProgramUntilARomDownloadReplacesIt)
{
    const auto dir = std::filesystem::temp_directory_path() / "korvan-bus-program-test";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "Start.bas") << "GLOBAL Sys_version\r\nSys_version = 1.02\r\n";
    const Profile profile = parseProfile(R"({"busProgram": "Start.bas"})", dir.string());
    EXPECT_EQ(profile.busProgramName, "Start.bas");
    ManualClock clock;
    Controller controller(profile, {"", &clock});
    TaskContext task;
    // The ROM program runs as a task: nothing of it has run before the
    // first servo tick.
    auto tick = [&] {
        clock.advance(0.001);
        controller.tick();
    };
    EXPECT_EQ(controller.execute(task, "?Sys_version").code, 2002);
    tick();
    EXPECT_EQ(controller.execute(task, "?Sys_version").output, "1.02\r\n");
    controller.execute(task, "reboot");
    EXPECT_EQ(controller.execute(task, "?Sys_version").code, 2002);
    tick();
    EXPECT_EQ(controller.execute(task, "?Sys_version").output, "1.02\r\n");
    link::krx::KrxPackage own{"own", {{"Own.bas", {}}}};
    const std::string text = "GLOBAL Sys_version\r\nSys_version = 2\r\n";
    own.files[0].data.assign(text.begin(), text.end());
    std::string messages;
    ASSERT_EQ(controller.downloadPackage(link::krx::writeKrx(own).bytes, true, messages), 0)
        << messages;
    controller.execute(task, "reboot");
    tick();
    EXPECT_EQ(controller.execute(task, "?Sys_version").output, "2\r\n");
    EXPECT_THROW(parseProfile(R"({"busProgram": "Missing.bas"})", dir.string()), ProfileError);
    std::filesystem::remove_all(dir);
}

TEST(BusProgram, DefaultProfileCarriesTheShippedBusProgram)
{
    const char* source = std::getenv("KORVAN_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const Profile profile =
        loadProfile((std::filesystem::path(source) / "resources/sim/default.json").string());
    EXPECT_EQ(profile.busProgramName, "EcatInit.bas");
    EXPECT_NE(profile.busProgram.find("P_BusCmd"), std::string::npos);
}

} // namespace
} // namespace korvan::controller::testing
