// The information records, the module walk and numbering, value files and
// the presence check.
#include "cmdlib/error_codes.h"
#include "cmdlib/presence.h"
#include "cmdlib/records.h"
#include "cmdlib/value_file.h"
#include "testing/fakelink/fake_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace korvan::cmd;
using namespace korvan::testing;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::array<uint8_t, VXC_CHILD_CARD_SIZE> card(uint16_t number, uint32_t hardId = 0,
                                              std::array<uint8_t, 5> counts = {})
{
    std::array<uint8_t, VXC_CHILD_CARD_SIZE> bytes{};
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(hardId >> (8 * i));
    bytes[4] = static_cast<uint8_t>(number);
    bytes[5] = static_cast<uint8_t>(number >> 8);
    for (int i = 0; i < 5; ++i)
        bytes[6 + i] = counts[i];
    bytes[11] = 0xEE; // reserved byte, read by nobody
    return bytes;
}

class RecordsTest : public ::testing::Test
{
protected:
    FakeLink link;
    ControllerHandle h = link.handle();
};

TEST_F(RecordsTest, SpecRecordFieldsAreLittleEndianAtTheirOffsets)
{
    std::array<uint8_t, VXC_SPEC_RECORD_SIZE> bytes{};
    bytes[1] = 0x03;                  // DT reads served (bit 0), other bits ignored
    bytes[4] = 0x2C, bytes[5] = 0x01; // 300 virtual axes
    bytes[6] = 16;                    // real axes
    bytes[8] = 24, bytes[9] = 12, bytes[10] = 4, bytes[11] = 2;
    bytes[12] = 0x00, bytes[13] = 0x04;                                     // ROM 1024 KB
    bytes[16] = 0xFF, bytes[17] = 0xFF, bytes[18] = 0xFF, bytes[19] = 0xFF; // flash -1
    bytes[24] = 0x10, bytes[25] = 0x27;                                     // 10000 Modbus bits
    bytes[26] = 0x00, bytes[27] = 0x80; // 32768 registers (unsigned)
    bytes[32] = 0xA0, bytes[33] = 0x86, bytes[34] = 0x01, bytes[35] = 0x00; // 100000
    bytes[36] = 0x00, bytes[37] = 0x10;                                     // 4096 VR
    bytes[55] = 8;
    link.setSpecRecord(bytes);

    ControllerSpecRecord spec;
    ASSERT_EQ(ReadControllerSpec(h, spec), 0);
    EXPECT_TRUE(spec.servesDtRegisters());
    EXPECT_EQ(spec.virtualAxisCount(), 300);
    EXPECT_EQ(spec.realAxisCount(), 16);
    EXPECT_EQ(spec.digitalInputCount(), 24);
    EXPECT_EQ(spec.digitalOutputCount(), 12);
    EXPECT_EQ(spec.analogInputCount(), 4);
    EXPECT_EQ(spec.analogOutputCount(), 2);
    EXPECT_EQ(spec.romSizeKb(), 1024);
    EXPECT_EQ(spec.flashSizeKb(), -1);
    EXPECT_EQ(spec.modbusBitCount(), 10000);
    EXPECT_EQ(spec.modbusRegisterCount(), 32768);
    EXPECT_EQ(spec.tableRegisterCount(), 100000);
    EXPECT_EQ(spec.vrRegisterCount(), 4096);
    EXPECT_EQ(spec.scopeChannelCount(), 8);
}

TEST_F(RecordsTest, SpecReadFailureIsPassedOnAndBytesStayZero)
{
    ControllerSpecRecord spec;
    EXPECT_EQ(ReadControllerSpec(nullptr, spec), VXC_ERR_BAD_HANDLE);
    link.fail("VXC_GetSysSpecification", VXC_ERR_TIMEOUT);
    EXPECT_EQ(ReadControllerSpec(h, spec), VXC_ERR_TIMEOUT);
    EXPECT_EQ(spec.scopeChannelCount(), 0);
    EXPECT_FALSE(spec.servesDtRegisters());
}

TEST_F(RecordsTest, ChildCardFields)
{
    link.addChildCard(card(3, 0x00020105, {8, 6, 4, 2, 3}));
    const auto modules = EnumerateModules(h);
    ASSERT_EQ(modules.size(), 1u);
    const ChildCardRecord& m = modules[0];
    EXPECT_EQ(m.hardwareId(), 0x00020105u);
    EXPECT_EQ(m.cardNumber(), 3);
    EXPECT_EQ(m.digitalInputCount(), 8);
    EXPECT_EQ(m.digitalOutputCount(), 6);
    EXPECT_EQ(m.analogInputCount(), 4);
    EXPECT_EQ(m.analogOutputCount(), 2);
    EXPECT_EQ(m.axisCount(), 3);
    EXPECT_FALSE(m.isEnd());
}

TEST_F(RecordsTest, EnumerationStartsAt65535AndFollowsCardNumbers)
{
    link.addChildCard(card(0));
    link.addChildCard(card(2));
    const auto modules = EnumerateModules(h);
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_EQ(modules[1].cardNumber(), 2);
    std::vector<int64_t> previous;
    for (const auto& call : link.calls("VXC_EnumChildCard"))
        previous.push_back(call.args.at(0));
    EXPECT_THAT(previous, ElementsAre(65535, 0, 2));
}

TEST_F(RecordsTest, NoModulesWhenTheFirstCallFailsOrEnds)
{
    EXPECT_THAT(EnumerateModules(h), IsEmpty()); // the fake answers an end record
    link.addChildCard(card(0));
    link.fail("VXC_EnumChildCard", VXC_ERR_TIMEOUT);
    EXPECT_THAT(EnumerateModules(h), IsEmpty());
    EXPECT_THAT(EnumerateModules(nullptr), IsEmpty());
}

TEST_F(RecordsTest, ALinkThatRepeatsACardNumberCannotLoopForever)
{
    link.scriptChildCardAnswers({card(4), card(5), card(5), card(6)});
    const auto modules = EnumerateModules(h);
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_EQ(modules[1].cardNumber(), 5);
    EXPECT_EQ(link.calls("VXC_EnumChildCard").size(), 3u);
}

TEST_F(RecordsTest, FindModuleAsksForTheOneAfterNMinusOne)
{
    link.addChildCard(card(0, 11));
    link.addChildCard(card(2, 22));
    ChildCardRecord m;
    ASSERT_EQ(FindModule(h, 0, m), 0);
    EXPECT_EQ(m.hardwareId(), 11u);
    ASSERT_EQ(FindModule(h, 2, m), 0);
    EXPECT_EQ(m.hardwareId(), 22u);
    // Card 1 does not exist: the link answers card 2, which is not card 1.
    EXPECT_EQ(FindModule(h, 1, m), kErrNotNumeric);
    EXPECT_EQ(m.hardwareId(), 22u);
    std::vector<int64_t> previous;
    for (const auto& call : link.calls("VXC_EnumChildCard"))
        previous.push_back(call.args.at(0));
    EXPECT_THAT(previous, ElementsAre(65535, 1, 0));
    EXPECT_EQ(FindModule(h, 128, m), kErrInvalidArgument);
}

TEST(ModuleIoNumberingTest, FollowsTheCardNumber)
{
    EXPECT_EQ(ModuleIoNumbering(0), (ModuleIoBase{16, 8, 4}));
    EXPECT_EQ(ModuleIoNumbering(2), (ModuleIoBase{48, 24, 12}));
    EXPECT_EQ(ModuleIoNumbering(127), (ModuleIoBase{2048, 1024, 512}));
}

class ValueFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("cmdlib-values-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string path(const char* name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
};

TEST_F(ValueFileTest, RoundTripsTheBytesExactly)
{
    const float values[] = {1.5f, -2.0f, 0.0f, 1e30f};
    ASSERT_EQ(WriteValueFile(path("v.bin").c_str(), values, 4), 0);
    EXPECT_EQ(std::filesystem::file_size(path("v.bin")), 16u);
    std::vector<float> back;
    ASSERT_EQ(ReadValueFile(path("v.bin").c_str(), back), 0);
    EXPECT_THAT(back, ElementsAre(1.5f, -2.0f, 0.0f, 1e30f));

    // Bytes that look like line ends travel untranslated.
    const int32_t ints[] = {0x0A0D0A0D, 0x1A};
    ASSERT_EQ(WriteValueFile(path("i.bin").c_str(), ints, 2), 0);
    std::vector<int32_t> intsBack;
    ASSERT_EQ(ReadValueFile(path("i.bin").c_str(), intsBack), 0);
    EXPECT_THAT(intsBack, ElementsAre(0x0A0D0A0D, 0x1A));

    ASSERT_EQ(WriteValueFile(path("empty.bin").c_str(), static_cast<const float*>(nullptr), 0), 0);
    ASSERT_EQ(ReadValueFile(path("empty.bin").c_str(), back), 0);
    EXPECT_THAT(back, IsEmpty());
}

TEST_F(ValueFileTest, OpenFailuresAndShortFiles)
{
    const float one = 1.0f;
    std::vector<float> back{9.0f};
    EXPECT_EQ(WriteValueFile(path("missing-dir/v.bin").c_str(), &one, 1), kErrFileOpen);
    EXPECT_EQ(ReadValueFile(path("nothing.bin").c_str(), back), kErrFileOpen);
    EXPECT_THAT(back, IsEmpty());
    {
        std::ofstream out(path("odd.bin"), std::ios::binary);
        out.write("\1\2\3\4\5\6", 6); // a truncated second value
    }
    EXPECT_EQ(ReadValueFile(path("odd.bin").c_str(), back), kErrFileShort);
    EXPECT_THAT(back, IsEmpty());
    if (std::filesystem::exists("/dev/full")) {
        std::vector<float> many(4096, 1.0f);
        EXPECT_EQ(WriteValueFile("/dev/full", many.data(), 4096), kErrFileShort);
    }
    EXPECT_EQ(WriteValueFile(path("v.bin").c_str(), &one, -1), kErrInvalidArgument);
    EXPECT_EQ(WriteValueFile(path("v.bin").c_str(), static_cast<const float*>(nullptr), 1),
              kErrInvalidArgument);
}

TEST_F(RecordsTest, PresenceComparesWholeWordsOfTheSearch)
{
    link.setSearchResult("127.0.0.111 127.0.0.12  127.0.0.13");
    EXPECT_EQ(CheckControllerPresent("127.0.0.12", 100), 0);
    EXPECT_EQ(CheckControllerPresent("127.0.0.13", 100), 0);
    // A prefix of another address is not a match.
    EXPECT_EQ(CheckControllerPresent("127.0.0.11", 100), kErrNotFound);
    const auto calls = link.calls("VXC_SearchEth");
    EXPECT_EQ(calls[0].capacity, 10230u);
    EXPECT_EQ(calls[0].timeoutMs, 100u);

    link.fail("VXC_SearchEth", VXC_ERR_TIMEOUT);
    EXPECT_EQ(CheckControllerPresent("127.0.0.12", 100), kErrNotFound);
    EXPECT_EQ(CheckControllerPresent(nullptr, 100), kErrInvalidArgument);
}

TEST_F(RecordsTest, PresenceLooksAtTheFirst100WordsOnly)
{
    std::string result;
    for (int i = 0; i < 100; ++i)
        result += "127.0.1." + std::to_string(i) + " ";
    link.setSearchResult(result + "127.0.0.5");
    EXPECT_EQ(CheckControllerPresent("127.0.1.99", 100), 0);
    EXPECT_EQ(CheckControllerPresent("127.0.0.5", 100), kErrNotFound);
}

} // namespace
