// A pseudo-terminal that stands for a controller's serial port: the server
// serves the master side, clients open the slave through a COM<n> link in
// the COM directory (see link/com_ports.h).
#pragma once

#include "link/wire/fd_io.h"

#include <filesystem>
#include <string>

namespace korvan::link::server {

class PtyPort
{
public:
    /// Opens a raw pty and points the symbolic link at its slave (an
    /// existing link is replaced). Throws std::system_error on failure.
    explicit PtyPort(std::filesystem::path link);
    /// Removes the symbolic link.
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    /// The descriptor to hand to LinkServer::serveSerial.
    int masterFd() const { return m_master.get(); }
    /// The slave's device path, e.g. "/dev/pts/7".
    const std::string& slavePath() const { return m_slavePath; }
    const std::filesystem::path& link() const { return m_link; }

private:
    wire::UniqueFd m_master;
    // Held open so that the master never reads end-of-file between clients
    // and the line keeps its raw settings.
    wire::UniqueFd m_slave;
    std::string m_slavePath;
    std::filesystem::path m_link;
};

} // namespace korvan::link::server
