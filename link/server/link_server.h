// The controller side of the link: accepts clients on TCP, a Unix-domain
// socket (PCI cards) and serial descriptors, decodes their frames and calls
// the endpoint's sessions. Each connection has its own thread and session,
// so the workbench and the oscilloscope can hold links to one controller;
// ServerLimits bound how many and how long a frame may take.
#pragma once

#include "link/server/controller_endpoint.h"
#include "link/server/server_limits.h"
#include "link/wire/fd_io.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvan::link::server {

class LinkServer
{
public:
    /// The endpoint must outlive the server.
    explicit LinkServer(ControllerEndpoint& endpoint, ServerLimits limits = {});
    ~LinkServer();
    LinkServer(const LinkServer&) = delete;
    LinkServer& operator=(const LinkServer&) = delete;

    /// Listens on an IPv4 address; port 0 picks a free one. Discovery probes
    /// are answered on the same UDP port. Returns the port; throws
    /// std::system_error when the address cannot be bound.
    uint16_t listenTcp(const std::string& address, uint16_t port);
    /// Listens on a Unix-domain socket (a PCI card); a stale socket file is replaced.
    void listenUnix(const std::filesystem::path& path);
    /// Serves a serial line (a tty or pty master); the descriptor stays the
    /// caller's and must stay open until stop().
    void serveSerial(int fd);
    /// Ends every connection and listener, joins their threads and removes
    /// the socket files. Session calls in progress are waited for.
    void stop();

private:
    struct Worker
    {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void startWorker(std::function<void()> body);
    /// Starts a worker that counter counts while it runs.
    void startCounted(std::atomic<int>& counter, std::function<void()> body);
    void reapFinishedWorkers();
    void startAcceptLoop(int listenFd, Transport transport);
    void acceptLoop(int listenFd, Transport transport, wire::UniqueFd spare);
    /// Serves an accepted connection, or refuses it past the connection limit.
    void take(wire::UniqueFd client, Transport transport);

    ControllerEndpoint& m_endpoint;
    const ServerLimits m_limits;
    std::atomic<int> m_connections{0};
    std::atomic<int> m_refusals{0};
    wire::UniqueFd m_stop; // an eventfd; readable once stop() ran
    std::mutex m_mutex;
    std::list<Worker> m_workers;
    std::vector<wire::UniqueFd> m_listeners;
    std::vector<std::filesystem::path> m_socketFiles;
    bool m_stopped = false;
};

} // namespace korvan::link::server
