#include "platform/core/private_profile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace korvan::platform {
namespace {

namespace fs = std::filesystem;

class PrivateProfileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("korvan-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path write(const std::string& content)
    {
        const fs::path file = m_dir / "test.ini";
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }
    static std::string contents(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_dir;
};

constexpr const char* kSample = "; a comment line\r\n"
                                "[Menu]\r\n"
                                "ID_MENU0 = Controller \r\n"
                                "  IDC_MENU_AUTO=Auto connect\r\n"
                                "no equals sign here\r\n"
                                "[AXIS0]\r\n"
                                "FASTDEC = 0.000\r\n"
                                "'STEP_RATIO1=1\r\n"
                                "ENABLE_OUT(0)=-1\r\n"
                                "Empty=\r\n"
                                "[axis0]\r\n"
                                "ATYPE=99\r\n";

struct ReadCase
{
    const char* section;
    const char* key;
    const char* expected;
};

TEST_F(PrivateProfileTest, ReadsWithProfileRules)
{
    const PrivateProfile ini(write(kSample));
    const ReadCase cases[] = {
        {"Menu", "ID_MENU0", "Controller"},        // blanks around the value
        {"menu", "idc_menu_auto", "Auto connect"}, // case of section and key
        {" Menu ", " ID_MENU0 ", "Controller"},    // blanks around the names
        {"AXIS0", "FASTDEC", "0.000"},             // blanks around '='
        {"AXIS0", "'STEP_RATIO1", "1"},            // a key may start with a quote
        {"AXIS0", "ENABLE_OUT(0)", "-1"},
        {"AXIS0", "Empty", ""},                  // present but empty
        {"AXIS0", "ATYPE", "NULL"},              // only the first [AXIS0] counts
        {"Menu", "no equals sign here", "NULL"}, // no '=' carries no key
        {"Menu", "; a comment line", "NULL"},
        {"Missing", "ID_MENU0", "NULL"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.readString(c.section, c.key, "NULL"), c.expected)
            << c.section << "/" << c.key;
}

TEST_F(PrivateProfileTest, SnapshotReadsAsTheProfileDoesFromTheFileAsItWas)
{
    const fs::path file = write(kSample);
    const ProfileSnapshot snapshot(file);
    PrivateProfile ini(file);
    for (const auto& [section, key] : {std::pair{"menu", "idc_menu_auto"},
                                       {"AXIS0", "FASTDEC"},
                                       {"AXIS0", "'STEP_RATIO1"},
                                       {"AXIS0", "ATYPE"},
                                       {"Missing", "ID_MENU0"}})
        EXPECT_EQ(snapshot.readString(section, key, "NULL"), ini.readString(section, key, "NULL"))
            << section << "/" << key;
    EXPECT_EQ(snapshot.readString("Menu", "ID_MENU0", "", 5), "Cont");
    ASSERT_TRUE(ini.writeString("Menu", "ID_MENU0", "Changed"));
    EXPECT_EQ(snapshot.readString("Menu", "ID_MENU0", "NULL"), "Controller");
    EXPECT_EQ(ProfileSnapshot(m_dir / "absent.ini").readString("Menu", "ID_MENU0", "NULL"), "NULL");
}

TEST_F(PrivateProfileTest, MissingFileGivesDefaults)
{
    const PrivateProfile ini(m_dir / "absent.ini");
    EXPECT_EQ(ini.readString("Menu", "ID_MENU0", "NULL"), "NULL");
    EXPECT_EQ(ini.readInt("Menu", "ID_MENU0", 7), 7);
    EXPECT_TRUE(ini.sectionNames().empty());
    EXPECT_FALSE(fs::exists(m_dir / "absent.ini"));
}

TEST_F(PrivateProfileTest, CutsValueToCapacity)
{
    const PrivateProfile ini(write("[S]\nk=abcdef\nz=\xE4\xB8\xAD\xE6\x96\x87\n"));
    EXPECT_EQ(ini.readString("S", "k", "", 4), "abc");
    EXPECT_EQ(ini.readString("S", "k", "", 7), "abcdef");
    EXPECT_EQ(ini.readString("S", "k", "", 1), "");
    EXPECT_EQ(ini.readString("S", "k", "", 0), "");
    EXPECT_EQ(ini.readString("S", "missing", "defaultvalue", 5), "defa");
    // Never half a character: 5 bytes of room hold one 3-byte character.
    EXPECT_EQ(ini.readString("S", "z", "", 5), "\xE4\xB8\xAD");
}

TEST_F(PrivateProfileTest, ReadsIntegers)
{
    const PrivateProfile ini(write("[S]\na=42\nb=-7 units\nc=abc\nd=\n"));
    EXPECT_EQ(ini.readInt("S", "a", 0), 42);
    EXPECT_EQ(ini.readInt("S", "b", 0), -7);
    EXPECT_EQ(ini.readInt("S", "c", 5), 0);
    EXPECT_EQ(ini.readInt("S", "d", 5), 0);
    EXPECT_EQ(ini.readInt("S", "e", 5), 5);
}

TEST_F(PrivateProfileTest, WriteReplacesOneKeyAndKeepsEverythingElse)
{
    const fs::path file = write(kSample);
    PrivateProfile ini(file);
    ASSERT_TRUE(ini.writeString("menu", "id_menu0", "Steuerung"));
    std::string expected = kSample;
    expected.replace(expected.find("ID_MENU0 = Controller "), 22, "id_menu0=Steuerung");
    EXPECT_EQ(contents(file), expected);
    EXPECT_EQ(ini.readString("Menu", "ID_MENU0", "NULL"), "Steuerung");
}

TEST_F(PrivateProfileTest, WriteAddsKeysAndSections)
{
    const fs::path file = write("[A]\nx=1\n\n[B]\ny=2\n");
    PrivateProfile ini(file);
    ASSERT_TRUE(ini.writeString("A", "z", "3"));
    ASSERT_TRUE(ini.writeString("C", "w", "4"));
    // A new section follows the last line, without a blank line, as Windows writes it.
    EXPECT_EQ(contents(file), "[A]\nx=1\nz=3\n\n[B]\ny=2\n[C]\nw=4\n");
    EXPECT_THAT(ini.sectionNames(), ::testing::ElementsAre("A", "B", "C"));
    EXPECT_THAT(ini.keyNames("a"), ::testing::ElementsAre("x", "z"));
}

TEST_F(PrivateProfileTest, WriteCreatesMissingFileAndFolders)
{
    PrivateProfile ini(m_dir / "sub" / "dir" / "new.ini");
    ASSERT_TRUE(ini.writeString("Scope", "Channel", "4"));
    EXPECT_EQ(contents(ini.path()), "[Scope]\r\nChannel=4\r\n");
    EXPECT_EQ(ini.readInt("scope", "channel", 0), 4);
}

TEST_F(PrivateProfileTest, KeepsByteOrderMarkAndLineEnds)
{
    const fs::path file = write("\xEF\xBB\xBF[S]\r\nk=1\r\n");
    PrivateProfile ini(file);
    EXPECT_EQ(ini.readString("S", "k", ""), "1");
    ASSERT_TRUE(ini.writeString("S", "j", "2"));
    EXPECT_EQ(contents(file), "\xEF\xBB\xBF[S]\r\nk=1\r\nj=2\r\n");
}

TEST_F(PrivateProfileTest, ReadsValuesAndDefaultsAsWindowsDoes)
{
    const PrivateProfile ini(write("[S]\r\n"
                                   "double = \"  padded  \" \r\n"
                                   "single='quoted'\r\n"
                                   "empty=\"\"\r\n"
                                   "one=\"\r\n"
                                   "open=\"unmatched\r\n"
                                   "mixed=\"a'\r\n"
                                   "inner=a\"b\"c\r\n"
                                   "twice=\"\"x\"\"\r\n"
                                   "number=\"42\"\r\n"));
    const ReadCase cases[] = {
        {"S", "double", "  padded  "}, // one pair of quotes goes, what they hold stays
        {"S", "single", "quoted"},     {"S", "empty", ""},     {"S", "one", "\""},
        {"S", "open", "\"unmatched"},  {"S", "mixed", "\"a'"}, {"S", "inner", "a\"b\"c"},
        {"S", "twice", "\"x\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.readString(c.section, c.key, "NULL"), c.expected) << c.key;
    EXPECT_EQ(ini.readInt("S", "number", 0), 42);
    // A default loses its trailing blanks, not its leading ones.
    EXPECT_EQ(ini.readString("S", "missing", "  default \t "), "  default");
    EXPECT_EQ(ini.readString("S", "missing", "   "), "");
}

TEST_F(PrivateProfileTest, ACarriageReturnAloneEndsALine)
{
    const fs::path file = write("[A]\rx=1\r[B]\ry=2\r");
    PrivateProfile ini(file);
    EXPECT_EQ(ini.readString("A", "x", "NULL"), "1");
    EXPECT_EQ(ini.readString("B", "y", "NULL"), "2");
    EXPECT_THAT(ini.sectionNames(), ::testing::ElementsAre("A", "B"));
    ASSERT_TRUE(ini.writeString("A", "z", "3"));
    EXPECT_EQ(contents(file), "[A]\rx=1\rz=3\r[B]\ry=2\r") << "its own line ends are kept";
    // Mixed line ends read line by line too.
    const PrivateProfile mixed(write("[M]\r\na=1\rb=2\nc=3"));
    EXPECT_EQ(mixed.readString("M", "a", ""), "1");
    EXPECT_EQ(mixed.readString("M", "b", ""), "2");
    EXPECT_EQ(mixed.readString("M", "c", ""), "3");
}

TEST_F(PrivateProfileTest, SavesInPlaceOfTheFileItsLinkAndItsMode)
{
    fs::create_directories(m_dir / "real");
    const fs::path target = m_dir / "real" / "settings.ini";
    std::ofstream(target, std::ios::binary) << "[S]\r\nk=1\r\n";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, m_dir / "link.ini");
    // A stale temporary of the old fixed name is in the way of nothing now.
    fs::create_directories(m_dir / "link.ini.tmp");
    PrivateProfile ini(m_dir / "link.ini");
    ASSERT_TRUE(ini.writeString("S", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.ini"));
    EXPECT_EQ(contents(target), "[S]\r\nk=2\r\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "real"), fs::directory_iterator()), 1)
        << "a temporary file was left behind";
}

TEST_F(PrivateProfileTest, RemovingFromAMissingFileCreatesNone)
{
    PrivateProfile ini(m_dir / "absent.ini");
    EXPECT_TRUE(ini.removeKey("S", "k"));
    EXPECT_TRUE(ini.removeSection("S"));
    EXPECT_FALSE(fs::exists(m_dir / "absent.ini"));
}

TEST_F(PrivateProfileTest, FileWithoutFinalLineEnd)
{
    const fs::path file = write("[S]\nk=1");
    PrivateProfile ini(file);
    EXPECT_EQ(ini.readString("S", "k", ""), "1");
    ASSERT_TRUE(ini.writeString("S", "j", "2"));
    EXPECT_EQ(contents(file), "[S]\nk=1\nj=2\n");
}

TEST_F(PrivateProfileTest, RemovesKeysAndSections)
{
    const fs::path file = write("[A]\nx=1\ny=2\n[B]\nz=3\n");
    PrivateProfile ini(file);
    ASSERT_TRUE(ini.removeKey("a", "X"));
    ASSERT_TRUE(ini.removeKey("A", "absent"));
    EXPECT_EQ(contents(file), "[A]\ny=2\n[B]\nz=3\n");
    ASSERT_TRUE(ini.removeSection("b"));
    EXPECT_EQ(contents(file), "[A]\ny=2\n");
}

TEST_F(PrivateProfileTest, UnwritableFileReportsFailure)
{
    fs::create_directories(m_dir / "a-directory.ini");
    PrivateProfile ini(m_dir / "a-directory.ini");
    EXPECT_FALSE(ini.writeString("S", "k", "v"));
}

TEST_F(PrivateProfileTest, HostileContentIsHarmless)
{
    std::string content = "[unterminated\n[]\n=value without key\n[S]\n";
    content += "long=" + std::string(100000, 'x') + "\n";
    content += std::string("nul\0byte=1\n", 11);
    const PrivateProfile ini(write(content));
    EXPECT_EQ(ini.readString("S", "long", "", 260).size(), 259u);
    EXPECT_EQ(ini.readString("", "", "d"), "value without key");
}

} // namespace
} // namespace korvan::platform
