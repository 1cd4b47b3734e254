#include "link/server/link_server.h"

#include "link/server/connection.h"
#include "link/server/discovery_responder.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

namespace korvan::link::server {

namespace {

using wire::UniqueFd;

[[noreturn]] void throwErrno(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

UniqueFd makeSocket(int domain, int type)
{
    UniqueFd fd(::socket(domain, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd)
        throwErrno("socket");
    return fd;
}

sockaddr_in ipv4Address(const std::string& address, uint16_t port)
{
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &in.sin_addr) != 1)
        throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                                "not an IPv4 address: " + address);
    return in;
}

// Binds a TCP listener and a UDP socket to the same address and port.
std::pair<UniqueFd, UniqueFd> bindTcpAndUdp(const std::string& address, uint16_t port)
{
    // With port 0 the UDP port may be taken by someone else; try another.
    constexpr int kAttempts = 16;
    for (int attempt = 0;; ++attempt) {
        UniqueFd tcp = makeSocket(AF_INET, SOCK_STREAM);
        const int on = 1;
        ::setsockopt(tcp.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in in = ipv4Address(address, port);
        if (::bind(tcp.get(), reinterpret_cast<sockaddr*>(&in), sizeof in) != 0)
            throwErrno("bind " + address + ":" + std::to_string(port));
        socklen_t length = sizeof in;
        ::getsockname(tcp.get(), reinterpret_cast<sockaddr*>(&in), &length);
        UniqueFd udp = makeSocket(AF_INET, SOCK_DGRAM);
        if (::bind(udp.get(), reinterpret_cast<sockaddr*>(&in), sizeof in) == 0) {
            if (::listen(tcp.get(), 16) != 0)
                throwErrno("listen");
            return {std::move(tcp), std::move(udp)};
        }
        if (port != 0 || attempt + 1 == kAttempts)
            throwErrno("bind udp " + address + ":" + std::to_string(ntohs(in.sin_port)));
    }
}

uint16_t boundPort(int fd)
{
    sockaddr_in in{};
    socklen_t length = sizeof in;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&in), &length);
    return ntohs(in.sin_port);
}

} // namespace

LinkServer::LinkServer(ControllerEndpoint& endpoint)
    : m_endpoint(endpoint), m_stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!m_stop)
        throwErrno("eventfd");
}

LinkServer::~LinkServer()
{
    stop();
}

uint16_t LinkServer::listenTcp(const std::string& address, uint16_t port)
{
    auto [tcp, udp] = bindTcpAndUdp(address, port);
    const uint16_t bound = boundPort(tcp.get());
    const int tcpFd = tcp.get();
    const int udpFd = udp.get();
    {
        const std::lock_guard lock(m_mutex);
        m_listeners.push_back(std::move(tcp));
        m_listeners.push_back(std::move(udp));
    }
    startWorker([this, tcpFd] { acceptLoop(tcpFd, Transport::Ethernet); });
    startWorker([this, udpFd, bound] { answerDiscovery(udpFd, bound, m_endpoint, m_stop.get()); });
    return bound;
}

void LinkServer::listenUnix(const std::filesystem::path& path)
{
    sockaddr_un un{};
    un.sun_family = AF_UNIX;
    const std::string name = path.string();
    if (name.empty() || name.size() >= sizeof un.sun_path)
        throw std::system_error(std::make_error_code(std::errc::filename_too_long), name);
    std::memcpy(un.sun_path, name.c_str(), name.size() + 1);
    struct stat info
    {
    };
    if (::lstat(name.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
        ::unlink(name.c_str());
    UniqueFd fd = makeSocket(AF_UNIX, SOCK_STREAM);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&un), sizeof un) != 0)
        throwErrno("bind " + name);
    if (::listen(fd.get(), 16) != 0)
        throwErrno("listen " + name);
    const int listenFd = fd.get();
    {
        const std::lock_guard lock(m_mutex);
        m_listeners.push_back(std::move(fd));
        m_socketFiles.push_back(path);
    }
    startWorker([this, listenFd] { acceptLoop(listenFd, Transport::Pci); });
}

void LinkServer::serveSerial(int fd)
{
    if (!wire::setNonBlocking(fd))
        throwErrno("serial line");
    startWorker([this, fd] { serveSerialLine(fd, m_endpoint, m_stop.get()); });
}

void LinkServer::startWorker(std::function<void()> body)
{
    const std::lock_guard lock(m_mutex);
    if (m_stopped)
        throw std::system_error(std::make_error_code(std::errc::operation_canceled),
                                "link server stopped");
    Worker& worker = m_workers.emplace_back();
    worker.thread = std::thread([&worker, body = std::move(body)] {
        body();
        worker.done = true;
    });
}

void LinkServer::reapFinishedWorkers()
{
    std::list<Worker> finished;
    {
        const std::lock_guard lock(m_mutex);
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            auto current = it++;
            if (current->done)
                finished.splice(finished.end(), m_workers, current);
        }
    }
    for (Worker& worker : finished)
        worker.thread.join();
}

void LinkServer::acceptLoop(int listenFd, Transport transport)
{
    const int stopFd = m_stop.get();
    for (;;) {
        if (wire::waitFor(listenFd, POLLIN, wire::kNoDeadline, stopFd) != wire::IoStatus::Ok)
            return;
        UniqueFd client(::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!client)
            continue;
        if (transport == Transport::Ethernet) {
            const int on = 1;
            ::setsockopt(client.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }
        reapFinishedWorkers();
        auto shared = std::make_shared<UniqueFd>(std::move(client));
        try {
            startWorker([this, shared, transport, stopFd] {
                serveConnection(shared->get(), transport, m_endpoint, stopFd);
            });
        } catch (const std::system_error&) {
            return; // stopping
        }
    }
}

void LinkServer::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
        m_stopped = true;
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_stop.get(), &one, sizeof one);
    // No worker starts after m_stopped, so the list only shrinks now.
    for (;;) {
        std::list<Worker> workers;
        {
            const std::lock_guard lock(m_mutex);
            workers.splice(workers.end(), m_workers);
        }
        if (workers.empty())
            break;
        for (Worker& worker : workers)
            worker.thread.join();
    }
    m_listeners.clear();
    for (const std::filesystem::path& file : m_socketFiles)
        ::unlink(file.c_str());
    m_socketFiles.clear();
}

} // namespace korvan::link::server
