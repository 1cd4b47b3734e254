// The package format: round trips and the reader's refusals.
#include "link/krx/kpj.h"
#include "link/krx/krx.h"

#include <gtest/gtest.h>

namespace korvan::link::krx {
namespace {

std::vector<uint8_t> bytesOf(std::string_view text)
{
    return {text.begin(), text.end()};
}

KrxPackage demo()
{
    return {"Demo", {{"Demo.bas", bytesOf("BASE(0)\nMOVE(10)\n")}, {"lib/util.bas", {}}}};
}

// Replaces the CRC after a deliberate change, so that the change is what is refused.
void reseal(std::vector<uint8_t>& bytes)
{
    bytes.resize(bytes.size() - 4);
    const uint32_t crc = crc32(bytes);
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(crc >> (8 * i)));
}

TEST(Krx, RoundTrip)
{
    const WriteResult written = writeKrx(demo());
    ASSERT_EQ(written.error, KrxError::None);
    const ReadResult read = readKrx(written.bytes);
    ASSERT_EQ(read.error, KrxError::None);
    EXPECT_EQ(read.package.project, "Demo");
    ASSERT_EQ(read.package.files.size(), 2u);
    EXPECT_EQ(read.package.files[0].name, "Demo.bas");
    EXPECT_EQ(read.package.files[0].data, bytesOf("BASE(0)\nMOVE(10)\n"));
    EXPECT_EQ(read.package.files[1].name, "lib/util.bas");
    EXPECT_EQ(crc32(bytesOf("123456789")), 0xCBF43926u);
}

TEST(Krx, NamesThatLeaveThePackageAreRefused)
{
    for (const std::string& name :
         std::vector<std::string>{"", "/etc/passwd", "../up.bas", "a/../../b", "a//b", "./a", "a/",
                                  "C:\\x.bas", "a\\b", std::string("a\0b", 3), "tab\tname"}) {
        EXPECT_FALSE(isSafeName(name)) << name;
        KrxPackage package{"P", {{name, {}}}};
        EXPECT_EQ(writeKrx(package).error, KrxError::BadName) << name;
    }
    // The reader refuses the same names when a writer other than ours made them.
    std::vector<uint8_t> bytes = writeKrx({"P", {{"xx/a.bas", bytesOf("1")}}}).bytes;
    const std::size_t nameAt = 4 + 2 + 2 + 4 + 2 + 1 + 2;
    bytes[nameAt] = '.';
    bytes[nameAt + 1] = '.';
    reseal(bytes);
    EXPECT_EQ(readKrx(bytes).error, KrxError::BadName);
    EXPECT_TRUE(isSafeName("lib/util.bas"));
}

TEST(Krx, NamesThatDifferOnlyInLetterCaseAreOneName)
{
    struct Case
    {
        std::string first;
        std::string second;
        KrxError error;
    };
    const std::vector<Case> cases = {
        {"Main.bas", "Main.bas", KrxError::DuplicateName},
        {"Main.bas", "MAIN.BAS", KrxError::DuplicateName},
        {"lib/Util.bas", "LIB/util.bas", KrxError::DuplicateName},
        {"Main.bas", "Main2.bas", KrxError::None},
        {"lib/a.bas", "a.bas", KrxError::None},
    };
    for (const Case& c : cases) {
        KrxPackage package{"P", {{c.first, bytesOf("1")}, {c.second, bytesOf("2")}}};
        EXPECT_EQ(writeKrx(package).error, c.error) << c.first << " " << c.second;
    }
    // The reader refuses them too, from a writer other than ours.
    std::vector<uint8_t> bytes =
        writeKrx({"P", {{"a.bas", bytesOf("1")}, {"b.bas", bytesOf("2")}}}).bytes;
    const std::size_t secondNameAt = 4 + 2 + 2 + 4 + 2 + 1 + 2 + 5 + 4 + 2;
    ASSERT_EQ(bytes[secondNameAt], 'b');
    bytes[secondNameAt] = 'A';
    reseal(bytes);
    EXPECT_EQ(readKrx(bytes).error, KrxError::DuplicateName);
}

TEST(Krx, DamagedPackagesAreRefused)
{
    const std::vector<uint8_t> good = writeKrx(demo()).bytes;
    for (std::size_t size = 0; size < good.size(); ++size) {
        const KrxError error = readKrx({good.data(), size}).error;
        EXPECT_NE(error, KrxError::None) << size;
    }
    EXPECT_EQ(readKrx({good.data(), good.size() - 1}).error, KrxError::Truncated);

    std::vector<uint8_t> flipped = good;
    flipped[good.size() - 6] ^= 0x40;
    EXPECT_EQ(readKrx(flipped).error, KrxError::ChecksumMismatch);

    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_EQ(readKrx(longer).error, KrxError::TrailingData);

    std::vector<uint8_t> magic = good;
    magic[0] = 'X';
    EXPECT_EQ(readKrx(magic).error, KrxError::BadMagic);

    std::vector<uint8_t> version = good;
    version[4] = 9;
    EXPECT_EQ(readKrx(version).error, KrxError::UnsupportedVersion);
}

TEST(Krx, AbsurdSizesAreRefusedBeforeAnyAllocation)
{
    std::vector<uint8_t> bytes = writeKrx({"P", {{"a.bas", bytesOf("abc")}}}).bytes;
    // Data size and the file's size claim 4 GiB.
    std::vector<uint8_t> huge = bytes;
    for (int i = 8; i < 12; ++i)
        huge[i] = 0xFF;
    EXPECT_EQ(readKrx(huge).error, KrxError::TooLarge);
    // A file size that does not add up to the data size.
    std::vector<uint8_t> inconsistent = bytes;
    const std::size_t sizeAt = 12 + 2 + 1 + 2 + 5;
    inconsistent[sizeAt + 3] = 0x7F;
    reseal(inconsistent);
    EXPECT_EQ(readKrx(inconsistent).error, KrxError::BadManifest);
    // Many files announced, none present.
    std::vector<uint8_t> many = bytes;
    many[6] = 0xFF;
    many[7] = 0xFF;
    EXPECT_EQ(readKrx(many).error, KrxError::TooLarge);
    many[6] = 200;
    many[7] = 0;
    EXPECT_NE(readKrx(many).error, KrxError::None);
}

TEST(Kpj, FormatAndParse)
{
    const KpjProject project{"Demo", {"Demo.bas"}};
    const std::string text = formatKpj(project);
    EXPECT_EQ(text, "KORVAN-KPJ 1\nproject=Demo\nfile=Demo.bas\n");
    const auto parsed = parseKpj("KORVAN-KPJ 1\r\nproject=Demo\r\nfile=Demo.bas\r\n");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->files, project.files);
    for (const char* bad :
         {"", "KORVAN-KPJ 2\nproject=a\nfile=a.bas\n", "KORVAN-KPJ 1\nproject=a\n",
          "KORVAN-KPJ 1\nproject=a\nfile=../a\n", "KORVAN-KPJ 1\nproject=a\nfile=a.bas\nother=1\n"})
        EXPECT_FALSE(parseKpj(bad)) << bad;
}

// Found by the fuzzer: a project line ending in CR CR LF named a project
// "Demo\r", which no package may carry and which read back as "Demo".
TEST(Kpj, AProjectNameThePackageWouldRefuseIsRefused)
{
    for (const std::string& bad :
         {std::string("KORVAN-KPJ 1\r\nproject=Demo\r\r\nfile=Demo.bas\r\n"),
          std::string("KORVAN-KPJ 1\nproject=De\x01mo\nfile=Demo.bas\n"),
          "KORVAN-KPJ 1\nproject=" + std::string(256, 'p') + "\nfile=Demo.bas\n"})
        EXPECT_FALSE(parseKpj(bad)) << bad;
    EXPECT_TRUE(parseKpj("KORVAN-KPJ 1\nproject=" + std::string(255, 'p') + "\nfile=Demo.bas\n"));
}

} // namespace
} // namespace korvan::link::krx
