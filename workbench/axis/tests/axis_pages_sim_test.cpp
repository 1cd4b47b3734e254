// The specification report, the grid's edits, the parameter files and the
// ROM download through libkorvan against korvan-sim on loopback: what the
// virtual controller holds afterwards, and what runs after its reboot.
#include "workbench/axis/axis_file.h"
#include "workbench/axis/axis_para_grid.h"
#include "workbench/axis/axis_table_ops.h"
#include "workbench/axis/link_axis_port.h"
#include "workbench/axis/port_queries.h"
#include "workbench/axis/rom_download.h"
#include "workbench/axis/spec_report.h"
#include "workbench/axis/tests/file_test_support.h"

#include "cmdlib/controller_data.h"
#include "testing/simprocess/sim_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace korvan::axis {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::NoDefaultsFile;
using testing::ReadFile;

constexpr const char* kAddress = "127.0.0.145:0";

fs::path SourceDir()
{
    const char* source = std::getenv("KORVAN_SOURCE_DIR");
    return source ? fs::path(source) : fs::current_path();
}

class AxisPagesOnSim : public ::testing::Test
{
protected:
    void TearDown() override
    {
        closeLink();
        sim.reset();
    }

    void start(const std::string& profile)
    {
        sim = std::make_unique<korvan::testing::SimProcess>(
            korvan::testing::ethernetOptions(kAddress, profile));
        ASSERT_TRUE(sim->ready()) << sim->readyLine();
        ASSERT_EQ(VXC_OpenEth(sim->ethEndpoint().c_str(), &handle), 0);
        port = std::make_unique<LinkAxisPort>(handle);
    }

    void closeLink()
    {
        port.reset();
        if (handle)
            VXC_Close(handle);
        handle = nullptr;
    }

    // The controller refuses connections for a while after a reboot.
    void rebootAndReconnect()
    {
        port->execute("reboot", nullptr);
        closeLink();
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (VXC_OpenEth(sim->ethEndpoint().c_str(), &handle) != 0) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the controller stays away";
            std::this_thread::sleep_for(200ms);
        }
        port = std::make_unique<LinkAxisPort>(handle);
    }

    // A program sets values as it runs; wait until it set this one.
    bool waitFor(const std::string& query, float expected)
    {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (QueryFloat(*port, query) == expected)
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    float read(const std::string& query)
    {
        const std::optional<float> value = QueryFloat(*port, query);
        EXPECT_TRUE(value) << query;
        return value.value_or(-12345.0f);
    }

    testing::ScratchFolder scratch{"korvan-axispages"};
    const fs::path& dir = scratch.path();
    std::unique_ptr<korvan::testing::SimProcess> sim;
    ControllerHandle handle = nullptr;
    std::unique_ptr<LinkAxisPort> port;
    std::unique_ptr<AxisTable> table = std::make_unique<AxisTable>();
    testing::RecordedFileMessages messages;
};

TEST_F(AxisPagesOnSim, ReportAndNodesOfTheDefaultController)
{
    start("default.json");
    const std::string report = BuildSpecReport(handle).value();
    for (const char* line :
         {"VirtualAxises:\t8\r\n", "RealAxises:\t4\r\n", "TABLE Regs:\t320000\r\n",
          "RomSize:\t4096KB\r\n", "SoftType:\tKorvan VC-8 ECI\r\n",
          "SoftVersion:\t1.200-20260315\r\n", "IpAddress:\t127.0.0.145\r\n",
          "HardVersion:\t3-1\r\n", "ControllerID:\t1001\r\n",
          "0: Step Encoder\r\n1: Step Encoder\r\n2: Step Encoder\r\n3: Servo\r\n",
          "Local\t\t\t24\t16\t2\t2\r\n", "2\t801\t2\t16(48-)\t16(48-)\t0\t0\t\r\n"})
        EXPECT_THAT(report, HasSubstr(line));
    EXPECT_THAT(report, ::testing::Not(HasSubstr("No Io card find.")));

    const std::vector<NodeListRow> nodes = BuildBusNodeList(handle, 1);
    ASSERT_EQ(nodes.size(), 4u);
    EXPECT_THAT(nodes[0],
                ElementsAre("Slot0", "0", "松下(66fH)", "1H", "1", "1", "0", "0", "0", "0"));
    EXPECT_EQ(nodes[2][2], "台达(1ddH)");
    EXPECT_THAT(nodes[3], ElementsAre("Slot0", "3", "倍福(2H)", "3H", "4", "0", "16(64-79)",
                                      "16(64-79)", "2(8-9)", "2(8-9)"));
}

TEST_F(AxisPagesOnSim, ReportOfTheSmallControllerAndAKorvanNode)
{
    start("small.json");
    const std::string report = BuildSpecReport(handle).value();
    EXPECT_THAT(report, HasSubstr("RealAxises:\t2\r\n"));
    EXPECT_THAT(report, HasSubstr("\r\n[Axis features list]\r\n0: Step\r\n1: Step Encoder\r\n"));
    EXPECT_THAT(report, ::testing::EndsWith("Local\t\t\t16\t8\t1\t1\r\nNo Io card find."));
    EXPECT_THAT(BuildBusNodeList(handle, 0), IsEmpty());
    closeLink();
    sim.reset();

    // A bus node whose profile names no maker is Korvan's own.
    std::ifstream small(SourceDir() / "resources/sim/small.json");
    std::string profile((std::istreambuf_iterator<char>(small)), {});
    profile.insert(profile.rfind('}'), R"(, "bus": [{"type": "ETHERCAT", "nodes": [
        {"kind": "io", "device": 5, "inputs": 8, "outputs": 8}]}])");
    std::ofstream(dir / "korvan-node.json") << profile;
    start((dir / "korvan-node.json").string());
    const std::vector<NodeListRow> nodes = BuildBusNodeList(handle, 1);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0][2], "Korvan(4b4f5256H)");
    EXPECT_EQ(nodes[0][3], "5H");
}

TEST_F(AxisPagesOnSim, GridEditsAreWhatTheControllerHolds)
{
    start("default.json");
    AxisParaGrid grid(*table);
    ASSERT_TRUE(grid.build(port.get(), 0, NoDefaultsFile()));
    ASSERT_EQ(grid.axisCount(), 4);
    EXPECT_EQ(grid.cell(0, 3), "65-ECAT CSP");

    EXPECT_TRUE(grid.commitEdit(port.get(), 3, 0, "250.5"));
    EXPECT_EQ(read("?SPEED(0)"), 250.5f);
    EXPECT_TRUE(grid.commitEdit(port.get(), 13, 1, "-1"));
    EXPECT_EQ(read("?DATUM_IN(1)"), -1.0f);
    EXPECT_TRUE(grid.commitEdit(port.get(), 14, 1, "5"));
    EXPECT_EQ(read("?FWD_IN(1)"), 5.0f);
    EXPECT_FALSE(grid.commitEdit(port.get(), 3, 1, "1e3"));
    EXPECT_EQ(read("?SPEED(1)"), 100.0f);
    EXPECT_TRUE(grid.commitCombo(port.get(), 0, 2, "1-Pulse Axis", 0));
    EXPECT_EQ(read("?ATYPE(2)"), 1.0f);

    // Ratios: 3/4 is taken, 2/0 becomes 1/1 on the controller too.
    EXPECT_TRUE(grid.commitEdit(port.get(), 10, 1, "3/4"));
    cmd::RatioPairs pairs;
    ASSERT_EQ(cmd::QueryStepRatios(handle, pairs), 0);
    EXPECT_EQ(pairs.first[1], 3.0f);
    EXPECT_EQ(pairs.second[1], 4.0f);
    EXPECT_TRUE(grid.commitEdit(port.get(), 10, 1, "2/0"));
    ASSERT_EQ(cmd::QueryStepRatios(handle, pairs), 0);
    EXPECT_EQ(pairs.first[1], 1.0f);
    EXPECT_EQ(pairs.second[1], 1.0f);

    // The poll finds nothing to rewrite, then what changed elsewhere.
    EXPECT_THAT(grid.poll(port.get()), IsEmpty());
    port->set("SPEED(1)=77");
    EXPECT_THAT(grid.poll(port.get()), ElementsAre(GridCell{3, 1}));
    EXPECT_EQ(grid.cell(3, 1), "77");
}

TEST_F(AxisPagesOnSim, ExportEditImportAndRomDownloadWithBusNodes)
{
    start("default.json");
    LoadAxisTable(*port, *table, NoDefaultsFile());
    const fs::path edited = dir / "edited.Bas";
    ASSERT_TRUE(ExportAxisFile(*port, *table, edited, 0, messages));
    std::string text = ReadFile(edited);
    const std::size_t block1 = text.find("BASE(1)'");
    const std::size_t speed = text.find("\r\nSPEED=", block1) + 2;
    ASSERT_NE(speed, std::string::npos + 2);
    text.replace(speed, text.find("\r\n", speed) - speed, "SPEED=432.000");
    std::ofstream(edited, std::ios::binary) << text;

    const auto imported = std::make_unique<AxisTable>();
    ImportAxisFile(*port, *imported, edited, dir / "tempfile.ini", 0, messages);
    EXPECT_FALSE(fs::exists(dir / "tempfile.ini"));
    SendAxisTable(*port, *imported);
    EXPECT_EQ(read("?SPEED(1)"), 432.0f);

    const RomDownloadFiles files{dir / "127.0.0.145.Bas", SourceDir() / "resources/EcatInit.bas"};
    DownloadToRom(*port, *imported, files, 1, 0, messages);
    EXPECT_THAT(messages.page, ElementsAre("Download Succeed !"));
    EXPECT_THAT(messages.application, IsEmpty());
    EXPECT_THAT(ReadFile(files.parameterFile), ::testing::EndsWith(ReadFile(files.busStartFile)));

    // After the reboot the controller starts from its factory state and
    // the ROM program sets the parameters and starts the bus program.
    rebootAndReconnect();
    EXPECT_TRUE(waitFor("?SPEED(1)", 432.0f));
    EXPECT_TRUE(waitFor("?Sys_version", 1.02f));
    EXPECT_TRUE(cmd::ProbeSysVersion(handle));
}

TEST_F(AxisPagesOnSim, RomDownloadWithoutBusNodesLeavesTheBusProgramOut)
{
    start("small.json");
    LoadAxisTable(*port, *table, NoDefaultsFile());
    table->set(AxisRow::Accel, 1, 4321.0f);
    table->set(AxisRow::FsLimit, 0, 5000.0f);
    const RomDownloadFiles files{dir / "127.0.0.145.Bas", dir / "EcatInit.bas"};
    std::ofstream(files.busStartFile) << "this would not compile\r\n";
    // A controller without a bus (type 0), and one whose bus has no nodes.
    for (const int busType : {0, 1}) {
        messages.page.clear();
        DownloadToRom(*port, *table, files, busType, 1, messages);
        EXPECT_THAT(messages.page, ElementsAre("下载成功,开始运行!")) << busType;
        EXPECT_THAT(ReadFile(files.parameterFile),
                    ::testing::Not(HasSubstr("this would not compile")));
    }
    rebootAndReconnect();
    EXPECT_TRUE(waitFor("?ACCEL(1)", 4321.0f));
    EXPECT_TRUE(waitFor("?FS_LIMIT(0)", 5000.0f));
    EXPECT_FALSE(cmd::ProbeSysVersion(handle));
}

} // namespace
} // namespace korvan::axis
