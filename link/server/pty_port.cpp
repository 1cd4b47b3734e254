#include "link/server/pty_port.h"

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace korvan::link::server {

PtyPort::PtyPort(std::filesystem::path link) : m_link(std::move(link))
{
    int master = -1;
    int slave = -1;
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master, &slave, nullptr, &raw, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "openpty");
    m_master.reset(master);
    m_slave.reset(slave);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    char name[128] = {};
    if (::ptsname_r(master, name, sizeof name) != 0)
        throw std::system_error(errno, std::generic_category(), "ptsname");
    m_slavePath = name;
    std::error_code ignored;
    std::filesystem::create_directories(m_link.parent_path(), ignored);
    std::filesystem::remove(m_link, ignored);
    std::filesystem::create_symlink(m_slavePath, m_link);
}

PtyPort::~PtyPort()
{
    std::error_code ignored;
    std::filesystem::remove(m_link, ignored);
}

} // namespace korvan::link::server
