#include "link/wire/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvan::link::wire {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

int pollTimeout(Deadline deadline)
{
    if (deadline == kNoDeadline)
        return -1;
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    // Round up so that a wait never ends just before its deadline.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, 60'000));
}

bool isClosedError(int error)
{
    return error == ECONNRESET || error == EPIPE || error == EIO || error == ENOTCONN ||
           error == ESHUTDOWN;
}

} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other)
        reset(other.release());
    return *this;
}

void UniqueFd::reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

Deadline deadlineAfter(uint32_t milliseconds)
{
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

bool setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

IoStatus waitFor(int fd, short events, Deadline deadline, int stopFd)
{
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
        const int count = ::poll(fds, stopFd >= 0 ? 2 : 1, pollTimeout(deadline));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return IoStatus::Failed;
        }
        if (stopFd >= 0 && (fds[1].revents & POLLIN))
            return IoStatus::Stopped;
        if (fds[0].revents & (events | POLLHUP | POLLERR))
            return IoStatus::Ok; // the following read or write tells what happened
        if (fds[0].revents & POLLNVAL)
            return IoStatus::Failed;
        if (count == 0 && Clock::now() >= deadline)
            return IoStatus::Timeout;
    }
}

IoStatus writeAll(int fd, std::span<const uint8_t> bytes, Deadline deadline, int stopFd)
{
    bool socket = true;
    while (!bytes.empty()) {
        ssize_t written = socket ? ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) : -1;
        if (socket && written < 0 && errno == ENOTSOCK)
            socket = false;
        if (!socket)
            written = ::write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const IoStatus status = waitFor(fd, POLLOUT, deadline, stopFd);
            if (status != IoStatus::Ok)
                return status;
            continue;
        }
        return written < 0 && isClosedError(errno) ? IoStatus::Closed : IoStatus::Failed;
    }
    return IoStatus::Ok;
}

IoStatus readSome(int fd, std::vector<uint8_t>& chunk, Deadline deadline, int stopFd)
{
    chunk.resize(kReadChunk);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got > 0) {
            chunk.resize(static_cast<std::size_t>(got));
            return IoStatus::Ok;
        }
        if (got == 0) {
            chunk.clear();
            return IoStatus::Closed;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            const IoStatus status = waitFor(fd, POLLIN, deadline, stopFd);
            if (status != IoStatus::Ok) {
                chunk.clear();
                return status;
            }
            continue;
        }
        chunk.clear();
        return isClosedError(errno) ? IoStatus::Closed : IoStatus::Failed;
    }
}

} // namespace korvan::link::wire
