// The controller specification report and the bus node list against the
// recording fake link: the exact report text, its optional lines, and the
// node rows with their vendor names and I/O ranges.
#include "workbench/axis/spec_report.h"

#include "testing/fakelink/fake_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace korvan::axis {
namespace {

using korvan::testing::ChildCardPreset;
using korvan::testing::FakeLink;
using korvan::testing::Reply;
using korvan::testing::SpecPreset;
using ::testing::ElementsAre;

SpecPreset TwoAxisController()
{
    SpecPreset spec;
    spec.virtualAxes = 8;
    spec.realAxes = 2;
    spec.inputs = 24;
    spec.outputs = 16;
    spec.analogInputs = 2;
    spec.analogOutputs = 1;
    spec.romKb = 4096;
    spec.flashKb = 16384;
    spec.modbusBits = 8000;
    spec.modbusRegisters = 7000;
    spec.tableRegisters = 320000;
    spec.vrRegisters = 1024;
    return spec;
}

class SpecReportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        link.setSpecRecord(TwoAxisController());
        link.setSoftVersion(1.2f, "Korvan VC-8 ECI", 20260315);
        link.setIpAddress("127.0.0.11");
        link.setHardId(0x00010003);
        link.setControllerIdDate(1001, 2026, 3, 15, 1);
        link.setAxisFeatures(0, 0x11);
        link.setAxisFeatures(1, 0);
    }
    FakeLink link;
};

TEST_F(SpecReportTest, TheReportTextExactly)
{
    const std::optional<std::string> report = BuildSpecReport(link.handle());
    ASSERT_TRUE(report);
    EXPECT_EQ(*report, "[Controller specification]\r\n"
                       "VirtualAxises:\t8\r\n"
                       "RealAxises:\t2\r\n"
                       "Modbus0x Bits:\t8000\r\n"
                       "Modbus4x Regs:\t7000\r\n"
                       "VR Regs:\t1024\r\n"
                       "TABLE Regs:\t320000\r\n"
                       "RomSize:\t4096KB\r\n"
                       "FlashSize:\t16384KB\r\n"
                       "SoftType:\tKorvan VC-8 ECI\r\n"
                       "SoftVersion:\t1.200-20260315\r\n"
                       "IpAddress:\t127.0.0.11\r\n"
                       "HardVersion:\t3-1\r\n"
                       "ControllerID:\t1001\r\n"
                       "\r\n"
                       "[Axis features list]\r\n"
                       "0: Step Encoder\r\n"
                       "\r\n"
                       "[Io list]\r\n"
                       "CanID\tHardId\tAxises\tMaxIn\tMaxOut\tMaxAin\tMaxAout\r\n"
                       "Local\t\t\t24\t16\t2\t1\r\n"
                       "No Io card find.");
}

TEST_F(SpecReportTest, ModuleLinesAndAllFeatureWords)
{
    link.setAxisFeatures(1, 0x1 | 0x10 | 0x80 | 0x100 | 0x200 | 0x800 | 0x2000);
    link.addChildCard(ChildCardPreset{801, 0, 16, 16, 0, 0, 2});
    link.addChildCard(ChildCardPreset{802, 2, 0, 8, 4, 2, 0});
    const std::string report = BuildSpecReport(link.handle()).value();
    EXPECT_NE(report.find("1: Step Encoder Ssi Tama Endat Servo Canopen\r\n"), std::string::npos);
    const std::string modules = report.substr(report.find("Local\t"));
    EXPECT_EQ(modules, "Local\t\t\t24\t16\t2\t1\r\n"
                       "0\t801\t2\t16(16-)\t16(16-)\t0\t0\t\r\n"
                       "2\t802\t0\t0\t8(48-)\t4(24-)\t2(12-)\t\r\n");
}

TEST_F(SpecReportTest, OptionalLinesAreLeftOutAndTheAddressAlwaysWritten)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<const char*, int>> failures;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const std::vector<Case> cases = {
        {"serial link",
         {{"VXC_GetCurIpAddr", VXC_ERR_NOT_SUPPORTED}},
         {"IpAddress:\tNone\r\n"},
         {"127.0.0.11"}},
        {"address lost", {{"VXC_GetCurIpAddr", VXC_ERR_TIMEOUT}}, {"IpAddress:\tError\r\n"}, {}},
        {"no versions",
         {{"VXC_GetSoftVersion", VXC_ERR_TIMEOUT},
          {"VXC_GetHardId", VXC_ERR_TIMEOUT},
          {"VXC_GetControllerIDDate", VXC_ERR_TIMEOUT},
          {"VXC_GetAxisFeatures", VXC_ERR_TIMEOUT}},
         {"FlashSize:\t16384KB\r\nIpAddress:\t127.0.0.11\r\n\r\n[Axis features list]\r\n\r\n"},
         {"SoftType", "SoftVersion", "HardVersion", "ControllerID"}},
    };
    for (const Case& c : cases) {
        link.reset();
        SetUp();
        for (const auto& [function, code] : c.failures)
            link.fail(function, code);
        const std::string report = BuildSpecReport(link.handle()).value();
        for (const std::string& text : c.present)
            EXPECT_NE(report.find(text), std::string::npos) << c.name << ": " << text;
        for (const std::string& text : c.absent)
            EXPECT_EQ(report.find(text), std::string::npos) << c.name << ": " << text;
    }
}

TEST_F(SpecReportTest, NoReportWithoutHandleOrSpecification)
{
    EXPECT_FALSE(BuildSpecReport(nullptr));
    link.fail("VXC_GetSysSpecification", VXC_ERR_TIMEOUT);
    EXPECT_FALSE(BuildSpecReport(link.handle()));
}

// Node info by (bus, node): vendor, device, switch, axes, first I/O, in,
// out, first AIO, AIN, AOUT.
using NodeFacts = std::array<int, 10>;

void ScriptNodes(FakeLink& link, const std::map<std::pair<int, int>, NodeFacts>& nodes,
                 std::array<int, 2> counts)
{
    link.respond([nodes, counts](std::string_view command) -> std::optional<Reply> {
        const std::string text(command);
        int bus = 0, node = 0, info = 0;
        if (std::sscanf(text.c_str(), "?NODE_COUNT(%d)", &bus) == 1)
            return Reply{std::to_string(counts.at(static_cast<std::size_t>(bus))) + "\r\n"};
        const auto facts = [&](std::size_t field) {
            const auto found = nodes.find({bus, node});
            if (found == nodes.end())
                return Reply{"", VXC_ERR_TIMEOUT};
            return Reply{std::to_string(found->second[field]) + "\r\n"};
        };
        if (std::sscanf(text.c_str(), "?NODE_INFO(%d,%d,%d)", &bus, &node, &info) == 3) {
            const std::map<int, std::size_t> fields{{0, 0},  {1, 1},  {3, 2}, {10, 5},
                                                    {11, 6}, {12, 8}, {13, 9}};
            return facts(fields.at(info));
        }
        if (std::sscanf(text.c_str(), "?NODE_AXIS_COUNT(%d,%d)", &bus, &node) == 2)
            return facts(3);
        if (std::sscanf(text.c_str(), "?NODE_IO(%d,%d)", &bus, &node) == 2)
            return facts(4);
        if (std::sscanf(text.c_str(), "?NODE_AIO(%d,%d)", &bus, &node) == 2)
            return facts(7);
        return std::nullopt;
    });
}

TEST(BusNodeList, RowsOfBothBusesWithVendorsAndRanges)
{
    FakeLink link;
    ScriptNodes(link,
                {{{0, 0}, {1647, 1, 1, 1, 0, 0, 0, 0, 0, 0}},
                 {{0, 1}, {2, 3, 4, 0, 100, 8, 8, 10, 2, 2}},
                 {{0, 2}, {static_cast<int>(kKorvanVendorId), 0x1a, 2, 0, 0, 16, 0, 0, 0, 0}},
                 {{1, 0}, {477, 2, 7, 2, 0, 0, 0, 0, 0, 0}},
                 {{1, 1}, {99, 5, 8, 0, 200, 4, 0, 20, 0, 1}}},
                {3, 2});
    const std::vector<NodeListRow> rows = BuildBusNodeList(link.handle(), 3);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_THAT(rows[0],
                ElementsAre("Slot0", "0", "松下(66fH)", "1H", "1", "1", "0", "0", "0", "0"));
    EXPECT_THAT(rows[1], ElementsAre("Slot0", "1", "倍福(2H)", "3H", "4", "0", "8(100-107)",
                                     "8(100-107)", "2(10-11)", "2(10-11)"));
    EXPECT_THAT(rows[2], ElementsAre("Slot0", "2", "Korvan(4b4f5256H)", "1aH", "2", "0", "16(0-15)",
                                     "0", "0", "0"));
    EXPECT_THAT(rows[3],
                ElementsAre("Slot1", "0", "台达(1ddH)", "2H", "7", "2", "0", "0", "0", "0"));
    EXPECT_THAT(rows[4], ElementsAre("Slot1", "1", "(63H)", "5H", "8", "0", "4(200-203)", "0", "0",
                                     "1(20-20)"));
}

TEST(BusNodeList, FailedReadsShowZerosAndBusTypesPickTheBuses)
{
    FakeLink link;
    ScriptNodes(link, {}, {2, 1}); // the nodes answer nothing
    const std::vector<NodeListRow> rows = BuildBusNodeList(link.handle(), 1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_THAT(rows[1], ElementsAre("Slot0", "1", "(0H)", "0H", "0", "0", "0", "0", "0", "0"));
    EXPECT_EQ(BuildBusNodeList(link.handle(), 2).size(), 2u);
    EXPECT_EQ(BuildBusNodeList(link.handle(), 3).size(), 3u);
    link.clearCalls();
    for (const int busType : {0, 4, -1})
        EXPECT_TRUE(BuildBusNodeList(link.handle(), busType).empty());
    EXPECT_TRUE(link.commands().empty());
}

TEST(VendorName, KnownIdsAndOthers)
{
    EXPECT_STREQ(VendorName(1647), "松下");
    EXPECT_STREQ(VendorName(1048576), "汇川");
    EXPECT_STREQ(VendorName(10066329), "智鼎");
    EXPECT_STREQ(VendorName(kKorvanVendorId), "Korvan");
    EXPECT_STREQ(VendorName(3), "");
}

} // namespace
} // namespace korvan::axis
