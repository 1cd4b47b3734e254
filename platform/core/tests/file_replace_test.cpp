// Replacing a file's content: permissions, symbolic links and nothing left behind.
#include "platform/core/file_replace.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvan::platform {
namespace {

namespace fs = std::filesystem;

class FileReplace : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "korvan-replace-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static std::string read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static unsigned modeOf(const fs::path& path)
    {
        struct stat info
        {
        };
        ::stat(path.c_str(), &info);
        return info.st_mode & 07777;
    }
    std::size_t entries() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

    fs::path m_dir;
};

TEST_F(FileReplace, KeepsTheModeOfAnExistingFileAndGivesANewOneTheUmasks)
{
    for (const unsigned mode : {0600u, 0640u, 0755u}) {
        const fs::path file = m_dir / ("f" + std::to_string(mode));
        std::ofstream(file) << "old";
        ::chmod(file.c_str(), mode);
        ASSERT_FALSE(replaceFileContent(file, "new", AtSymlink::WriteTarget));
        EXPECT_EQ(read(file), "new");
        EXPECT_EQ(modeOf(file), mode);
    }
    const mode_t saved = ::umask(027);
    const fs::path fresh = m_dir / "fresh";
    const std::error_code error = replaceFileContent(fresh, "text", AtSymlink::WriteTarget);
    ::umask(saved);
    ASSERT_FALSE(error);
    EXPECT_EQ(modeOf(fresh), 0640u);
    EXPECT_EQ(entries(), 4u) << "a temporary file was left behind";
}

TEST_F(FileReplace, ALinkIsWrittenThroughOrReplacedAsAsked)
{
    fs::create_directories(m_dir / "real");
    std::ofstream(m_dir / "real" / "target.ini") << "old";
    fs::create_symlink("real/target.ini", m_dir / "through.ini");
    fs::create_symlink("through.ini", m_dir / "chain.ini");
    ASSERT_FALSE(replaceFileContent(m_dir / "chain.ini", "via chain", AtSymlink::WriteTarget));
    EXPECT_TRUE(fs::is_symlink(m_dir / "chain.ini"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "through.ini"));
    EXPECT_EQ(read(m_dir / "real" / "target.ini"), "via chain");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "real"), fs::directory_iterator()), 1);

    ASSERT_FALSE(replaceFileContent(m_dir / "through.ini", "own file", AtSymlink::ReplaceLink));
    EXPECT_FALSE(fs::is_symlink(m_dir / "through.ini"));
    EXPECT_EQ(read(m_dir / "through.ini"), "own file");
    EXPECT_EQ(read(m_dir / "real" / "target.ini"), "via chain");
}

TEST_F(FileReplace, AFolderThatCannotTakeTheFileLeavesNothing)
{
    EXPECT_TRUE(replaceFileContent(m_dir / "missing" / "x.ini", "x", AtSymlink::WriteTarget));
    fs::create_directories(m_dir / "a folder");
    EXPECT_TRUE(replaceFileContent(m_dir / "a folder", "x", AtSymlink::ReplaceLink));
    EXPECT_TRUE(fs::is_directory(m_dir / "a folder"));
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileReplace, AFullDiskLeavesTheFileAsItWas)
{
    const fs::path target = m_dir / "axis.Bas";
    std::ofstream(target) << "old";
    // A file size limit fails the write as a full disk does.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::error_code error =
        replaceFileContent(target, std::string(4096, 'x'), AtSymlink::WriteTarget);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(error);
    EXPECT_EQ(read(target), "old");
    EXPECT_EQ(entries(), 1u);
}

} // namespace
} // namespace korvan::platform
