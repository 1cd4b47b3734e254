// Packages and one-file projects sent over the link.
#include "link/krx/krx.h"
#include "link/tests/link_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace korvan::link::testing {
namespace {

namespace fs = std::filesystem;

class Programs : public LinkFixture
{
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        std::string pattern = (fs::temp_directory_path() / "korvan-krx-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override
    {
        LinkFixture::TearDown();
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    fs::path write(const std::string& name, const std::string& text)
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
        return m_dir / name;
    }
    fs::path m_dir;
};

TEST_F(Programs, PackageFilesTravelUnchanged)
{
    ControllerHandle handle = open();
    const fs::path file = write("any.krx", std::string("not checked here\0\x01", 19));
    ASSERT_EQ(VXC_DownKrx(handle, file.c_str(), 0), VXC_OK);
    EXPECT_EQ(m_endpoint.lastPackage.size(), 19u);
    EXPECT_EQ(m_endpoint.lastTarget, PackageTarget::Rom);
    ASSERT_EQ(VXC_DownKrxToRamAndRun(handle, file.c_str()), VXC_OK);
    EXPECT_EQ(m_endpoint.lastTarget, PackageTarget::RamRun);
    EXPECT_EQ(VXC_DownKrx(handle, (m_dir / "missing.krx").c_str(), 0), VXC_ERR_NO_SUCH_FILE);
    EXPECT_EQ(VXC_DownKrx(handle, m_dir.c_str(), 0), VXC_ERR_NO_SUCH_FILE);
    EXPECT_EQ(VXC_Resume(handle), VXC_OK);
}

TEST_F(Programs, OneFileProjectBuildsAPackageOfTheProgram)
{
    ControllerHandle handle = open();
    const fs::path bas = write("Axis.bas", "BASE(0)\r\nATYPE=1\r\n");
    char first[VXC_KPJ_BUFFER_SIZE];
    char second[VXC_KPJ_BUFFER_SIZE];
    ASSERT_EQ(VXC_MakeOneFileKpj(first, second, bas.c_str()), VXC_OK);
    EXPECT_EQ(fs::path(first), m_dir / "Axis.kpj");
    EXPECT_EQ(fs::path(second), m_dir);
    EXPECT_TRUE(fs::exists(m_dir / "Axis.kpj"));

    ASSERT_EQ(VXC_MakeKrxAndRamRun2(handle, first, second, 0, 0), VXC_OK);
    EXPECT_EQ(m_endpoint.lastTarget, PackageTarget::RamRun);
    const krx::ReadResult read = krx::readKrx(m_endpoint.lastPackage);
    ASSERT_EQ(read.error, krx::KrxError::None);
    EXPECT_EQ(read.package.project, "Axis");
    ASSERT_EQ(read.package.files.size(), 1u);
    EXPECT_EQ(read.package.files[0].name, "Axis.bas");
    const std::string program(read.package.files[0].data.begin(), read.package.files[0].data.end());
    EXPECT_EQ(program, "BASE(0)\r\nATYPE=1\r\n");
    ASSERT_EQ(VXC_MakeKrxAndDown2(handle, first, second, 0, 0), VXC_OK);
    EXPECT_EQ(m_endpoint.lastTarget, PackageTarget::Rom);

    // The program is read when the package is made, not when the project is.
    fs::remove(bas);
    EXPECT_EQ(VXC_MakeKrxAndDown2(handle, first, second, 0, 0), VXC_ERR_NO_SUCH_FILE);
    EXPECT_EQ(VXC_MakeOneFileKpj(first, second, bas.c_str()), VXC_ERR_NO_SUCH_FILE);
    EXPECT_STREQ(first, "");
    EXPECT_EQ(VXC_MakeOneFileKpj(nullptr, second, bas.c_str()), VXC_ERR_INVALID_ARGUMENT);
    write("bad.kpj", "not a project\n");
    EXPECT_EQ(VXC_MakeKrxAndDown2(handle, (m_dir / "bad.kpj").c_str(), m_dir.c_str(), 0, 0),
              VXC_ERR_INVALID_ARGUMENT);
}

TEST_F(Programs, FilesBehindLinksOutOfTheProgramFolderAreNotSent)
{
    ControllerHandle handle = open();
    const fs::path outside = m_dir / "outside";
    const fs::path folder = m_dir / "project";
    fs::create_directories(outside);
    fs::create_directories(folder / "lib");
    std::ofstream(outside / "secret.txt") << "not for the controller";
    std::ofstream(folder / "Main.bas") << "?1";
    fs::create_symlink(outside / "secret.txt", folder / "Leak.bas");
    fs::create_symlink("../../outside/secret.txt", folder / "lib" / "Relative.bas");
    fs::create_symlink(outside, folder / "Away");
    fs::create_symlink("Main.bas", folder / "Alias.bas"); // inside: fine

    struct Case
    {
        const char* file;
        int32_t code;
    };
    const std::vector<Case> cases = {
        {"Leak.bas", VXC_ERR_INVALID_ARGUMENT},
        {"lib/Relative.bas", VXC_ERR_INVALID_ARGUMENT},
        {"Away/secret.txt", VXC_ERR_INVALID_ARGUMENT},
        {"Alias.bas", VXC_OK},
        {"Missing.bas", VXC_ERR_NO_SUCH_FILE},
    };
    for (const Case& c : cases) {
        m_endpoint.lastPackage.clear();
        const fs::path project = folder / "P.kpj";
        std::ofstream(project, std::ios::binary | std::ios::trunc)
            << "KORVAN-KPJ 1\nproject=P\nfile=Main.bas\nfile=" << c.file << "\n";
        EXPECT_EQ(VXC_MakeKrxAndRamRun2(handle, project.c_str(), folder.c_str(), 0, 0), c.code)
            << c.file;
        if (c.code != VXC_OK) {
            EXPECT_TRUE(m_endpoint.lastPackage.empty()) << c.file << ": something was sent";
        }
    }
}

TEST_F(Programs, AProjectIsWrittenOverALinkNotThroughIt)
{
    const fs::path bas = write("Axis.bas", "?1");
    const fs::path victim = write("victim.txt", "keep me");
    fs::create_symlink(victim, m_dir / "Axis.kpj");
    char first[VXC_KPJ_BUFFER_SIZE];
    char second[VXC_KPJ_BUFFER_SIZE];
    ASSERT_EQ(VXC_MakeOneFileKpj(first, second, bas.c_str()), VXC_OK);
    std::ifstream victimText(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victimText), {}), "keep me");
    EXPECT_FALSE(fs::is_symlink(m_dir / "Axis.kpj"));
    std::ifstream project(m_dir / "Axis.kpj");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(project), {}),
              "KORVAN-KPJ 1\nproject=Axis\nfile=Axis.bas\n");
    // Nothing but the three files is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 3);
}

} // namespace
} // namespace korvan::link::testing
