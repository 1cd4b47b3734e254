#include "platform/core/file_replace.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace korvan::platform {

namespace fs = std::filesystem;

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

// A descriptor that closes itself.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    /// Closes now; false when closing reports an error (a write that failed late).
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

// Opens a new file of a name nobody uses, beside target: ".<name>.<random>".
// The kernel applies the umask to its mode, as for any new file.
int createTemporary(const fs::path& target, fs::path& temporary)
{
    static std::atomic<unsigned> serial{0};
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned tag = entropy() ^ (serial++ * 2654435761u);
        temporary = target.parent_path() /
                    ("." + target.filename().string() + "." + std::to_string(tag) + ".tmp");
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, std::string_view content)
{
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// So that the rename itself survives a crash; a folder that cannot be
// synced is no reason to fail the write.
void syncFolder(const fs::path& folder)
{
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

fs::path resolveSymlinks(const fs::path& path)
{
    fs::path target = path;
    std::error_code error;
    // The kernel's own bound on a chain of links.
    for (int hops = 0; hops < 40 && fs::is_symlink(target, error); ++hops) {
        const fs::path next = fs::read_symlink(target, error);
        if (error)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

std::error_code replaceFileContent(const fs::path& path, std::string_view content,
                                   AtSymlink atSymlink)
{
    const fs::path target = atSymlink == AtSymlink::WriteTarget ? resolveSymlinks(path) : path;
    fs::path temporary;
    Descriptor fd(createTemporary(target, temporary));
    if (fd.get() < 0)
        return lastError();
    const auto fail = [&temporary](std::error_code error) {
        ::unlink(temporary.c_str());
        return error;
    };
    struct stat existing
    {
    };
    if (::lstat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        // Owner first: a change of owner may clear the set-id bits the mode restores.
        [[maybe_unused]] const int owned = ::fchown(fd.get(), existing.st_uid, existing.st_gid);
        if (::fchmod(fd.get(), existing.st_mode & 07777) != 0)
            return fail(lastError());
    }
    if (!writeAll(fd.get(), content) || ::fsync(fd.get()) != 0)
        return fail(lastError());
    if (!fd.close())
        return fail(lastError());
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return fail(lastError());
    syncFolder(target.parent_path());
    return {};
}

} // namespace korvan::platform
