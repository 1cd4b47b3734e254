#include "platform/core/replacing_file.h"

#include <cerrno>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvan::platform {
namespace {

// What a newly created file gets: 0666 less the process's umask.
mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view content)
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

} // namespace

ReplacingFile::ReplacingFile(std::filesystem::path target) : m_target(std::move(target))
{
    if (m_target.empty() || !m_target.has_filename())
        return;
    // Through a link to the file it names, so that the link stays a link.
    std::error_code error;
    if (std::filesystem::is_symlink(m_target, error))
        m_target = std::filesystem::weakly_canonical(m_target, error);
    std::string pattern = m_target.string() + ".XXXXXX";
    m_fd = ::mkstemp(pattern.data());
    if (m_fd < 0)
        return;
    m_temporary = pattern;
    struct stat existing
    {
    };
    const mode_t mode =
        ::stat(m_target.c_str(), &existing) == 0 ? existing.st_mode & 07777 : NewFileMode();
    ::fchmod(m_fd, mode);
}

ReplacingFile::~ReplacingFile()
{
    discard();
}

void ReplacingFile::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

bool ReplacingFile::commit(std::string_view content)
{
    if (m_fd < 0)
        return false;
    const bool written = WriteAll(m_fd, content) && ::fsync(m_fd) == 0;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (!written || !closed || ::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        discard();
        return false;
    }
    m_temporary.clear();
    return true;
}

} // namespace korvan::platform
