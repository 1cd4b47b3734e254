// Axis parameter files and the ROM download against the scripted port: the
// exported bytes, what an import reads back, the files left behind, and the
// download's steps and messages.
#include "workbench/axis/axis_file.h"
#include "workbench/axis/rom_download.h"
#include "workbench/axis/tests/fake_axis_port.h"
#include "workbench/axis/tests/file_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace korvan::axis {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using namespace testing;
using ::testing::IsEmpty;

class AxisFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        port.counts = ControllerCounts{8, 2, 4};
        port.cards = {{32, 2}};
        port.answers["?INVERT_IN(2)"] = {0, "1\r\n"};
        port.answers["?INVERT_IN(33)"] = {0, "1\r\n"};
        const std::array<std::pair<AxisRow, float>, 19> axis0{{
            {AxisRow::Atype, 1},         {AxisRow::Units, 1000},   {AxisRow::Speed, 100.5f},
            {AxisRow::Accel, 1000},      {AxisRow::Fastdec, 2000}, {AxisRow::FsLimit, 200000000},
            {AxisRow::RsLimit, -2e8f},   {AxisRow::InvertStep, 2}, {AxisRow::DatumIn, 0},
            {AxisRow::FwdIn, 1},         {AxisRow::RevIn, 2},      {AxisRow::AlmIn, -1},
            {AxisRow::StepRatio1, 2},    {AxisRow::StepRatio2, 3}, {AxisRow::EncoderRatio1, 1},
            {AxisRow::EncoderRatio2, 1}, {AxisRow::EnableOut, 0},  {AxisRow::ClearOut, 1},
            {AxisRow::Lspeed, 0.0626f},
        }};
        for (const auto& [row, value] : axis0)
            table->set(row, 0, value);
        table->set(AxisRow::Atype, 1, 65);
        table->set(AxisRow::Units, 1, 0.125f);
        table->set(AxisRow::Dpos, 1, 99); // status rows are not written
    }
    // Files in the test folder, for what an operation leaves behind.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    ScratchFolder scratch{"korvan-axisfile"};
    const fs::path& dir = scratch.path();
    FakeAxisPort port;
    std::unique_ptr<AxisTable> table = std::make_unique<AxisTable>();
    RecordedFileMessages messages;
};

const char* const kExpectedExport = "GLOBAL ENABLE_OUT(8)\r\n"
                                    "GLOBAL CLEAR_OUT(8)\r\n"
                                    "BASE(0)'\r\n"
                                    "ATYPE=1\r\n"
                                    "UNITS=1000.000\r\n"
                                    "LSPEED=0.063\r\n"
                                    "SPEED=100.500\r\n"
                                    "ACCEL=1000.000\r\n"
                                    "DECEL=0.000\r\n"
                                    "FASTDEC = 2000.000\r\n"
                                    "SRAMP=0.000\r\n"
                                    "FS_LIMIT=200000000.000\r\n"
                                    "RS_LIMIT=-200000000.000\r\n"
                                    "INVERT_STEP=2\r\n"
                                    "DATUM_IN=0\r\n"
                                    "FWD_IN=1\r\n"
                                    "REV_IN=2\r\n"
                                    "ALM_IN=-1\r\n"
                                    "STEP_RATIO(2,3)\r\n"
                                    "ENCODER_RATIO(1,1)\r\n"
                                    "'STEP_RATIO1=2\r\n"
                                    "'STEP_RATIO2=3\r\n"
                                    "'ENCODER_RATIO1=1\r\n"
                                    "'ENCODER_RATIO2=1\r\n"
                                    "ENABLE_OUT(0)=0\r\n"
                                    "CLEAR_OUT(0)=1\r\n"
                                    "\r\n"
                                    "BASE(1)'\r\n"
                                    "ATYPE=65\r\n"
                                    "UNITS=0.125\r\n"
                                    "LSPEED=0.000\r\n"
                                    "SPEED=0.000\r\n"
                                    "ACCEL=0.000\r\n"
                                    "DECEL=0.000\r\n"
                                    "FASTDEC = 0.000\r\n"
                                    "SRAMP=0.000\r\n"
                                    "FS_LIMIT=0.000\r\n"
                                    "RS_LIMIT=0.000\r\n"
                                    "INVERT_STEP=0\r\n"
                                    "DATUM_IN=0\r\n"
                                    "FWD_IN=0\r\n"
                                    "REV_IN=0\r\n"
                                    "ALM_IN=0\r\n"
                                    "STEP_RATIO(0,0)\r\n"
                                    "ENCODER_RATIO(0,0)\r\n"
                                    "'STEP_RATIO1=0\r\n"
                                    "'STEP_RATIO2=0\r\n"
                                    "'ENCODER_RATIO1=0\r\n"
                                    "'ENCODER_RATIO2=0\r\n"
                                    "ENABLE_OUT(1)=0\r\n"
                                    "CLEAR_OUT(1)=0\r\n"
                                    "\r\n"
                                    "INVERT_IN(2,1)\r\n"
                                    "INVERT_IN(33,1)\r\n";

TEST_F(AxisFileTest, ExportOfTwoRealAndEightVirtualAxesByteForByte)
{
    const fs::path path = dir / "axes.Bas";
    ASSERT_TRUE(ExportAxisFile(port, *table, path, 0, messages));
    EXPECT_EQ(ReadFile(path), kExpectedExport);
    EXPECT_THAT(messages.page, IsEmpty());
    EXPECT_THAT(files(), ElementsAre("axes.Bas"));
    // Every local input, then the module's two inputs from its first number.
    EXPECT_THAT(port.log, ElementsAre("read spec", "read ?INVERT_IN(0)", "read ?INVERT_IN(1)",
                                      "read ?INVERT_IN(2)", "read ?INVERT_IN(3)",
                                      "read ?INVERT_IN(32)", "read ?INVERT_IN(33)"));
}

TEST_F(AxisFileTest, AFailedExportLeavesTheOldFileAndNoOther)
{
    const fs::path path = dir / "axes.Bas";
    WriteFile(path, "old content");
    port.answers["?INVERT_IN(32)"] = {3400, ""};
    EXPECT_FALSE(ExportAxisFile(port, *table, path, 0, messages));
    EXPECT_EQ(ReadFile(path), "old content");
    EXPECT_THAT(files(), ElementsAre("axes.Bas"));
    EXPECT_THAT(messages.page, IsEmpty()); // the query failure has no message of its own

    port.answers.erase("?INVERT_IN(32)");
    port.counts.reset();
    EXPECT_FALSE(ExportAxisFile(port, *table, dir / "new.Bas", 1, messages));
    EXPECT_THAT(files(), ElementsAre("axes.Bas"));

    port.counts = ControllerCounts{8, 2, 4};
    EXPECT_FALSE(ExportAxisFile(port, *table, dir / "missing" / "new.Bas", 1, messages));
    EXPECT_FALSE(ExportAxisFile(port, *table, "", 0, messages));
    EXPECT_THAT(messages.page, ElementsAre("文件打开失败!", "File Open Failed!"));
}

TEST_F(AxisFileTest, ImportReadsBackWhatTheExportWrote)
{
    const fs::path path = dir / "axes.Bas";
    ASSERT_TRUE(ExportAxisFile(port, *table, path, 0, messages));
    const auto imported = std::make_unique<AxisTable>();
    imported->set(AxisRow::Dpos, 1, 5);
    const fs::path scratch = dir / "tempfile.ini";
    ImportAxisFile(port, *imported, path, scratch, 0, messages);
    for (int axis = 0; axis < 2; ++axis)
        for (int row = 0; row <= static_cast<int>(AxisRow::ClearOut); ++row) {
            const auto which = static_cast<AxisRow>(row);
            if (which >= AxisRow::Dpos && which <= AxisRow::Mtype)
                continue;
            // The file holds three decimals.
            EXPECT_NEAR(imported->at(which, axis), table->at(which, axis), 0.0005) << row;
        }
    EXPECT_FLOAT_EQ(imported->at(AxisRow::Dpos, 1), 5);
    EXPECT_FALSE(fs::exists(scratch));
    EXPECT_THAT(messages.page, IsEmpty());
}

TEST_F(AxisFileTest, ImportOfFilesWithoutRatioCommentsOrBlocks)
{
    struct Case
    {
        const char* name;
        std::string file;
        std::vector<std::pair<AxisRow, float>> axis0;
        std::vector<std::pair<AxisRow, float>> axis1;
    };
    const std::vector<Case> cases = {
        {"no ratio comment lines",
         "BASE(0)'\r\nSTEP_RATIO(2,3)\r\nENCODER_RATIO(4,5)\r\nSPEED=12.5\r\n"
         "BASE(1)'\r\nATYPE=65\r\n",
         {{AxisRow::StepRatio1, 0},
          {AxisRow::StepRatio2, 0},
          {AxisRow::EncoderRatio1, 0},
          {AxisRow::Speed, 12.5f}},
         {{AxisRow::Atype, 65}, {AxisRow::StepRatio1, 0}}},
        {"fewer blocks than axes",
         "GLOBAL ENABLE_OUT(8)\r\nBASE(0)'\r\nUNITS = 3.5\r\nfastdec  =  7\r\nENABLE_OUT(0)=4\r\n",
         {{AxisRow::Units, 3.5f}, {AxisRow::Fastdec, 7}, {AxisRow::EnableOut, 4}},
         {{AxisRow::Units, 0}, {AxisRow::ClearOut, 0}, {AxisRow::AlmIn, 0}}},
        {"cut at the first NUL",
         std::string("BASE(0)'\r\nSPEED=9\r\n") + '\0' + "BASE(1)'\r\nSPEED=8\r\n",
         {{AxisRow::Speed, 9}},
         {{AxisRow::Speed, 0}}},
        {"another axis's output key does not count",
         "BASE(1)'\r\nENABLE_OUT(0)=6\r\nCLEAR_OUT(1)=2\r\n'STEP_RATIO2=7\r\n",
         {{AxisRow::EnableOut, 0}},
         {{AxisRow::EnableOut, 0}, {AxisRow::ClearOut, 2}, {AxisRow::StepRatio2, 7}}},
    };
    for (const Case& c : cases) {
        const fs::path path = dir / "in.Bas";
        WriteFile(path, c.file);
        const auto imported = std::make_unique<AxisTable>();
        for (int row = 0; row < kAxisRowCount; ++row)
            for (int axis = 0; axis < 3; ++axis)
                imported->set(static_cast<AxisRow>(row), axis, 42);
        ImportAxisFile(port, *imported, path, dir / "tempfile.ini", 0, messages);
        for (const auto& [row, value] : c.axis0)
            EXPECT_FLOAT_EQ(imported->at(row, 0), value) << c.name;
        for (const auto& [row, value] : c.axis1)
            EXPECT_FLOAT_EQ(imported->at(row, 1), value) << c.name;
        // Only the controller's two real axes are read.
        EXPECT_FLOAT_EQ(imported->at(AxisRow::Speed, 2), 42) << c.name;
        EXPECT_FLOAT_EQ(imported->at(AxisRow::Mpos, 0), 42) << c.name;
        EXPECT_THAT(files(), ElementsAre("in.Bas")) << c.name;
    }
    EXPECT_THAT(messages.page, IsEmpty());
}

TEST_F(AxisFileTest, ImportFailuresTellTheUserAndLeaveNoScratchFile)
{
    const auto imported = std::make_unique<AxisTable>();
    imported->set(AxisRow::Speed, 0, 42);
    ImportAxisFile(port, *imported, dir / "missing.Bas", dir / "tempfile.ini", 1, messages);
    WriteFile(dir / "in.Bas", "BASE(0)'\r\nSPEED=1\r\n");
    ImportAxisFile(port, *imported, dir / "in.Bas", dir / "no-folder" / "tempfile.ini", 0,
                   messages);
    EXPECT_THAT(messages.page, ElementsAre("文件打开失败!", "File Open Failed!"));
    EXPECT_FLOAT_EQ(imported->at(AxisRow::Speed, 0), 42);
    EXPECT_THAT(files(), ElementsAre("in.Bas"));

    port.counts.reset();
    ImportAxisFile(port, *imported, dir / "in.Bas", dir / "tempfile.ini", 0, messages);
    EXPECT_FLOAT_EQ(imported->at(AxisRow::Speed, 0), 42);
    EXPECT_EQ(messages.page.size(), 2u);
}

TEST(AxisFileToProfileText, MakesEachBlockASection)
{
    EXPECT_EQ(AxisFileToProfileText("BASE(12)'\r\nbase(1)\r\nMOVE(1)'x\r\n"),
              "[AXIS12]\r\nbase(1)\r\nMOVE(1]x\r\n");
}

// The ROM download with the export above, per bus and outcome.
class RomDownloadTest : public AxisFileTest
{
protected:
    void SetUp() override
    {
        AxisFileTest::SetUp();
        romFiles.parameterFile = dir / "127.0.0.11.Bas";
        romFiles.busStartFile = dir / "EcatInit.bas";
        WriteFile(romFiles.busStartFile, "' bus program\r\nGLOBAL Sys_version\r\n");
    }
    // The log from the first step after the export.
    std::vector<std::string> afterExport() const
    {
        const auto last = std::find(port.log.begin(), port.log.end(), "read ?INVERT_IN(33)");
        return {last + 1, port.log.end()};
    }
    RomDownloadFiles romFiles;
};

TEST_F(RomDownloadTest, WithoutBusNodesTheBusProgramIsLeftOut)
{
    for (const int busType : {0, 1}) {
        port.log.clear();
        port.answers["?NODE_COUNT(0)"] = {0, "0\r\n"};
        DownloadToRom(port, *table, romFiles, busType, 0, messages);
        EXPECT_EQ(ReadFile(romFiles.parameterFile), kExpectedExport) << busType;
        std::vector<std::string> expected = {
            "timeout 20000", "make project " + romFiles.parameterFile.string(),
            "download " + romFiles.parameterFile.string() + ".kpj", "resume", "timeout 5000"};
        if (busType != 0)
            expected.insert(expected.begin(), "read ?NODE_COUNT(0)");
        EXPECT_EQ(afterExport(), expected) << busType;
    }
    EXPECT_THAT(messages.page, ElementsAre("Download Succeed !", "Download Succeed !"));
    EXPECT_THAT(messages.application, IsEmpty());
}

TEST_F(RomDownloadTest, WithBusNodesTheBusProgramFollowsTheParameters)
{
    port.answers["?NODE_COUNT(0)"] = {0, "4\r\n"};
    DownloadToRom(port, *table, romFiles, 3, 1, messages);
    EXPECT_EQ(ReadFile(romFiles.parameterFile),
              std::string(kExpectedExport) + "' bus program\r\nGLOBAL Sys_version\r\n");
    EXPECT_THAT(messages.page, ElementsAre("下载成功,开始运行!"));

    // Without the bus program the parameters still go down, after a message.
    fs::remove(romFiles.busStartFile);
    DownloadToRom(port, *table, romFiles, 1, 0, messages);
    EXPECT_EQ(ReadFile(romFiles.parameterFile), kExpectedExport);
    EXPECT_THAT(messages.application, ElementsAre("BusInit File Open failed"));
    EXPECT_EQ(messages.page.back(), "Download Succeed !");
}

TEST_F(RomDownloadTest, FailuresAreToldAndTheTimeoutComesBack)
{
    struct Case
    {
        int makeCode;
        int downloadCode;
        int language;
        const char* message;
        bool resumed;
    };
    const Case cases[] = {
        {3103, 0, 0, "Make Kpj error!", false},
        {3103, 0, 1, "项目文件生成失败!", false},
        {0, 277, 1, "下载失败! 错误代码：277", false},
        {0, 277, 0, "Download Failed!", false},
    };
    for (const Case& c : cases) {
        port.log.clear();
        messages.page.clear();
        port.makeProjectCode = c.makeCode;
        port.downloadCode = c.downloadCode;
        DownloadToRom(port, *table, romFiles, 0, c.language, messages);
        EXPECT_THAT(messages.page, ElementsAre(c.message));
        const std::vector<std::string> steps = afterExport();
        EXPECT_EQ(steps.front(), "timeout 20000") << c.message;
        EXPECT_EQ(steps.back(), "timeout 5000") << c.message;
        EXPECT_EQ(std::count(steps.begin(), steps.end(), "resume"), 0) << c.message;
    }

    // A failed export stops before anything else happens.
    port.log.clear();
    messages.page.clear();
    port.answers["?INVERT_IN(0)"] = {3400, ""};
    DownloadToRom(port, *table, romFiles, 1, 0, messages);
    EXPECT_EQ(port.log.back(), "read ?INVERT_IN(0)");
    EXPECT_THAT(messages.page, IsEmpty());
}

TEST(RomFileStem, IpThenSerialThenPci)
{
    EXPECT_EQ(RomFileStem("127.0.0.11", "COM3", ""), "127.0.0.11");
    EXPECT_EQ(RomFileStem("", "COM3", "PCI1"), "COM3");
    EXPECT_EQ(RomFileStem("", "", "PCI1"), "PCI1");
    EXPECT_EQ(RomFileStem("", "", ""), "");
}

} // namespace
} // namespace korvan::axis
