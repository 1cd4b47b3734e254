#include "platform/core/replacing_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvan::platform {
namespace {

namespace fs = std::filesystem;

class ReplacingFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("korvan-replacing-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }
    void write(const fs::path& path, const std::string& content)
    {
        std::ofstream(path, std::ios::binary) << content;
    }
    std::string read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
    // Everything in the folder but the given file.
    std::vector<fs::path> others(const fs::path& file)
    {
        std::vector<fs::path> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_dir))
            if (entry.path() != file)
                found.push_back(entry.path());
        return found;
    }
    fs::path m_dir;
};

TEST_F(ReplacingFileTest, CommitReplacesTheTargetAndKeepsItsPermissions)
{
    const fs::path target = m_dir / "axis.Bas";
    write(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    {
        ReplacingFile file(target);
        ASSERT_TRUE(file.isOpen());
        EXPECT_EQ(read(target), "old"); // nothing visible before the commit
        EXPECT_TRUE(file.commit("new\r\ncontent"));
    }
    EXPECT_EQ(read(target), "new\r\ncontent");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(others(target).empty());
}

TEST_F(ReplacingFileTest, AFileGivenUpOrNotCreatedLeavesTheTargetAndNoStrayFile)
{
    const fs::path target = m_dir / "axis.Bas";
    write(target, "old");
    {
        ReplacingFile file(target);
        ASSERT_TRUE(file.isOpen());
    }
    EXPECT_EQ(read(target), "old");
    EXPECT_TRUE(others(target).empty());

    ReplacingFile missingFolder(m_dir / "no-such-folder" / "axis.Bas");
    EXPECT_FALSE(missingFolder.isOpen());
    EXPECT_FALSE(missingFolder.commit("text"));
    EXPECT_FALSE(ReplacingFile("").isOpen());
}

TEST_F(ReplacingFileTest, AFullDiskLeavesTheTargetAsItWas)
{
    const fs::path target = m_dir / "axis.Bas";
    write(target, "old");
    // A file size limit fails the write as a full disk does.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool committed = true;
    {
        ReplacingFile file(target);
        ASSERT_TRUE(file.isOpen());
        committed = file.commit(std::string(4096, 'x'));
    }
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(committed);
    EXPECT_EQ(read(target), "old");
    EXPECT_TRUE(others(target).empty());
}

TEST_F(ReplacingFileTest, ALinkKeepsPointingAtTheReplacedFile)
{
    const fs::path real = m_dir / "real.Bas";
    const fs::path link = m_dir / "link.Bas";
    write(real, "old");
    fs::create_symlink(real, link);
    ReplacingFile file(link);
    ASSERT_TRUE(file.commit("new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read(real), "new");
}

} // namespace
} // namespace korvan::platform
