#include "link/server/link_server.h"

#include "link/server/connection.h"
#include "link/server/discovery_responder.h"

#include "link/korvan.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

// How long an accept loop rests when the system has no descriptor to spare.
constexpr int kOutOfDescriptorsRestMs = 100;

// A descriptor held in reserve, so that a loop that runs out of them can
// still take a waiting connection off the queue and close it.
UniqueFd spareDescriptor()
{
    return UniqueFd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
}

// After accept() failed: false when the server stops meanwhile. Out of
// descriptors the waiting connection stays queued and keeps poll() awake, so
// it is shed with the spare descriptor (its client sees the link close at
// once instead of timing out), or the loop rests when there is no spare.
bool recoverFromAcceptError(int listenFd, int error, UniqueFd& spare, int stopFd)
{
    if (error != EMFILE && error != ENFILE && error != ENOBUFS && error != ENOMEM)
        return true; // ECONNABORTED, EAGAIN, EINTR: the next poll tells
    if (spare && (error == EMFILE || error == ENFILE)) {
        spare.reset();
        UniqueFd(::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC)).reset();
        spare = spareDescriptor();
        if (spare)
            return true;
    }
    pollfd stop{stopFd, POLLIN, 0};
    return ::poll(&stop, 1, kOutOfDescriptorsRestMs) == 0;
}

uint16_t boundPort(int fd)
{
    sockaddr_in in{};
    socklen_t length = sizeof in;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&in), &length);
    return ntohs(in.sin_port);
}

} // namespace

LinkServer::LinkServer(ControllerEndpoint& endpoint, ServerLimits limits)
    : m_endpoint(endpoint), m_limits(limits), m_stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
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
    startAcceptLoop(tcpFd, Transport::Ethernet);
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
    startAcceptLoop(listenFd, Transport::Pci);
}

void LinkServer::serveSerial(int fd)
{
    if (!wire::setNonBlocking(fd))
        throwErrno("serial line");
    startWorker([this, fd] { serveSerialLine(fd, m_endpoint, m_stop.get(), m_limits); });
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

void LinkServer::startAcceptLoop(int listenFd, Transport transport)
{
    // The spare is taken here, before the caller can use the last descriptor up.
    auto spare = std::make_shared<UniqueFd>(spareDescriptor());
    startWorker(
        [this, listenFd, transport, spare] { acceptLoop(listenFd, transport, std::move(*spare)); });
}

void LinkServer::acceptLoop(int listenFd, Transport transport, UniqueFd spare)
{
    const int stopFd = m_stop.get();
    for (;;) {
        if (wire::waitFor(listenFd, POLLIN, wire::kNoDeadline, stopFd) != wire::IoStatus::Ok)
            return;
        UniqueFd client(::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!client) {
            if (!recoverFromAcceptError(listenFd, errno, spare, stopFd))
                return;
            continue;
        }
        if (!spare)
            spare = spareDescriptor();
        if (transport == Transport::Ethernet) {
            const int on = 1;
            ::setsockopt(client.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }
        reapFinishedWorkers();
        try {
            take(std::move(client), transport);
        } catch (const std::system_error&) {
            return; // stopping
        }
    }
}

void LinkServer::take(UniqueFd client, Transport transport)
{
    const int stopFd = m_stop.get();
    auto shared = std::make_shared<UniqueFd>(std::move(client));
    if (m_connections >= m_limits.maxConnections) {
        // Past the limit of refusals the connection just closes: its client
        // sees the link fail at once either way.
        if (m_refusals >= m_limits.maxRefusals)
            return;
        startCounted(m_refusals, [this, shared, transport, stopFd] {
            refuseConnection(shared->get(), transport, VXC_ERR_BUSY, stopFd, m_limits);
            shared->reset();
        });
        return;
    }
    startCounted(m_connections, [this, shared, transport, stopFd] {
        serveConnection(shared->get(), transport, m_endpoint, stopFd, m_limits);
        shared->reset();
    });
}

void LinkServer::startCounted(std::atomic<int>& counter, std::function<void()> body)
{
    ++counter;
    try {
        startWorker([&counter, body = std::move(body)] {
            body();
            --counter;
        });
    } catch (...) {
        --counter;
        throw;
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
