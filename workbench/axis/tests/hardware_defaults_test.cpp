#include "workbench/axis/axis_table_ops.h"
#include "workbench/axis/hardware_defaults.h"
#include "workbench/axis/tests/fake_axis_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

namespace korvan::axis {
namespace {

using ::testing::ElementsAre;
using testing::FakeAxisPort;
using ::testing::IsEmpty;

class HardwareDefaults : public ::testing::Test
{
protected:
    void SetUp() final
    {
        m_directory = std::filesystem::temp_directory_path() /
                      ("axis_defaults_" + std::to_string(::getpid()) + "_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_directory);
    }
    void TearDown() final { std::filesystem::remove_all(m_directory); }

    HardwareDefaultsFile write(const std::string& xml)
    {
        const auto path = m_directory / "AxisInit.xml";
        std::ofstream(path, std::ios::binary) << xml;
        return file(path);
    }
    HardwareDefaultsFile file(const std::filesystem::path& path)
    {
        return {path, [this](const std::string& title, const std::string& text) {
                    messages.push_back(title + "|" + text);
                }};
    }

    FakeAxisPort port;
    std::unique_ptr<AxisTable> table = std::make_unique<AxisTable>();
    std::vector<std::string> messages;

private:
    std::filesystem::path m_directory;
};

TEST_F(HardwareDefaults, NonMatchingEntryChangesNothing)
{
    port.id = 0x00020000u | 1003u;
    const auto xml = write(R"(<r><C HardVersion="1002"><AxisInfo Index="1" Atype="7"/></C></r>)");
    EXPECT_EQ(ApplyHardwareDefaults(port, *table, xml), HardwareDefaultsResult::Done);
    EXPECT_THAT(port.commands(), IsEmpty());
    EXPECT_FLOAT_EQ(table->at(AxisRow::Atype, 1), 0.0f);
}

TEST_F(HardwareDefaults, VersionIsTheLow16BitsAndMatchesExactly)
{
    port.id = 0x00050000u | 1002u;
    const auto xml = write(R"(<r><C HardVersion=" 1002"><AxisInfo Atype="3"/></C>
                                 <C HardVersion="1002"><AxisInfo Atype="4"/></C></r>)");
    ApplyHardwareDefaults(port, *table, xml);
    EXPECT_THAT(port.commands(), ElementsAre("ATYPE(0)=4"));
}

TEST_F(HardwareDefaults, TwoMatchingEntriesAreAppliedInOrder)
{
    const auto xml = write(R"(<r>
        <A HardVersion="1002"><AxisInfo Index="2" Atype="1" FwdIn="4" EnableOut="7"/></A>
        <B HardVersion="1002"><axisinfo INDEX="2" atype="65" REVIN="5" ClearOut="8"/></B>
      </r>)");
    ApplyHardwareDefaults(port, *table, xml);
    EXPECT_THAT(port.commands(),
                ElementsAre("ATYPE(2)=1", "FWD_IN(2)=4", "ATYPE(2)=65", "Rev_In(2)=5"));
    EXPECT_FLOAT_EQ(table->at(AxisRow::Atype, 2), 65.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::FwdIn, 2), 4.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::EnableOut, 2), 7.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::ClearOut, 2), 8.0f);
}

TEST_F(HardwareDefaults, AtypeBeforeIndexAppliesToThePreviousAxis)
{
    const auto xml = write(R"(<r><C HardVersion="1002">
        <AxisInfo Atype="1" Index="3" DatumIn="9"/>
        <AxisInfo AlmIn="6" Index="5" Atype="4"/>
        <Other Index="7"/>
        <AxisInfo Index="200" Atype="3"/>
        <AxisInfo Index="-4" FwdIn="2"/>
      </C></r>)");
    ApplyHardwareDefaults(port, *table, xml);
    EXPECT_THAT(port.commands(), ElementsAre("ATYPE(0)=1", "DATUM_IN(3)=9", "ALM_IN(3)=6",
                                             "ATYPE(5)=4", "ATYPE(0)=3", "FWD_IN(0)=2"));
}

TEST_F(HardwareDefaults, AtMost128ChildrenPerEntry)
{
    std::string xml = R"(<r><C HardVersion="1002">)";
    for (int i = 0; i < 130; ++i)
        xml += "<AxisInfo Index=\"" + std::to_string(i % 128) + "\" Atype=\"1\"/>";
    xml += "</C></r>";
    ApplyHardwareDefaults(port, *table, write(xml));
    EXPECT_EQ(port.commands().size(), 128u);
}

TEST_F(HardwareDefaults, UnreadableFileShowsTheChineseErrorAndReturns2)
{
    EXPECT_EQ(ApplyHardwareDefaults(port, *table, file("/nonexistent/AxisInit.xml")),
              HardwareDefaultsResult::FileUnreadable);
    EXPECT_EQ(ApplyHardwareDefaults(port, *table, write("<r><C HardVersion=")),
              HardwareDefaultsResult::FileUnreadable);
    EXPECT_THAT(messages, ElementsAre("错误|无法正确读取xml文件", "错误|无法正确读取xml文件"));
    EXPECT_THAT(port.commands(), IsEmpty());
}

TEST_F(HardwareDefaults, UnreadableHardwareIdMatchesNoEntry)
{
    port.id.reset();
    const auto xml = write(R"(<r><C HardVersion=""><AxisInfo Atype="1"/></C></r>)");
    EXPECT_EQ(ApplyHardwareDefaults(port, *table, xml), HardwareDefaultsResult::Done);
    EXPECT_THAT(port.commands(), IsEmpty());
}

TEST_F(HardwareDefaults, ClearOutReadFailing2002PutsTheFileValuesBack)
{
    port.counts = ControllerCounts{4, 4, 0};
    port.rangeCodes["CLEAR_OUT"] = kNoOutputTableCode;
    const auto xml =
        write(R"(<r><C HardVersion="1002"><AxisInfo Index="1" ClearOut="3"/></C></r>)");
    LoadAxisTable(port, *table, xml);
    EXPECT_FLOAT_EQ(table->at(AxisRow::ClearOut, 0), -1.0f);
    EXPECT_FLOAT_EQ(table->at(AxisRow::ClearOut, 1), 3.0f);
}

TEST_F(HardwareDefaults, ShippedFileFollowsTheDefaultVirtualController)
{
    const char* source = std::getenv("KORVAN_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    // The entry must follow the profile: its hardware id, axis types and the
    // inputs wired to each axis's switches.
    std::ifstream stream(std::filesystem::path(source) / "resources/sim/default.json");
    const nlohmann::json profile = nlohmann::json::parse(stream);
    port.id = profile.at("identity").at("hardId").get<uint32_t>();
    for (int axis = 0; axis < kAxisCount; ++axis)
        table->set(AxisRow::Atype, axis, -7.0f);
    ApplyHardwareDefaults(port, *table,
                          file(std::filesystem::path(source) / "resources/AxisInit.xml"));
    EXPECT_THAT(messages, IsEmpty());
    const auto& types = profile.at("axes").at("types");
    for (std::size_t axis = 0; axis < types.size(); ++axis)
        EXPECT_FLOAT_EQ(table->at(AxisRow::Atype, static_cast<int>(axis)), types[axis].get<float>())
            << "axis " << axis;
    const auto input = [](const nlohmann::json& switches, const char* name) {
        return switches.contains(name) ? switches.at(name).get<float>() : -1.0f;
    };
    for (const nlohmann::json& switches : profile.at("switches")) {
        const int axis = switches.at("axis").get<int>();
        EXPECT_FLOAT_EQ(table->at(AxisRow::DatumIn, axis), input(switches, "origin")) << axis;
        EXPECT_FLOAT_EQ(table->at(AxisRow::FwdIn, axis), input(switches, "forwardLimit")) << axis;
        EXPECT_FLOAT_EQ(table->at(AxisRow::RevIn, axis), input(switches, "reverseLimit")) << axis;
        EXPECT_FLOAT_EQ(table->at(AxisRow::AlmIn, axis), input(switches, "alarm")) << axis;
    }
}

} // namespace
} // namespace korvan::axis
