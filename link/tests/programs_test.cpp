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

} // namespace
} // namespace korvan::link::testing
