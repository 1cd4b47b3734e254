// File descriptors and deadline-bound I/O shared by the link's server and
// client. Every wait is a poll() on the descriptor and, when given, a stop
// descriptor whose readability means "give up now".
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace korvan::link::wire {

class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void reset(int fd = -1);
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;
inline constexpr Deadline kNoDeadline = Deadline::max();

/// Now plus the given milliseconds.
Deadline deadlineAfter(uint32_t milliseconds);

enum class IoStatus
{
    Ok,
    Timeout, // the deadline passed
    Closed,  // the peer closed or reset the descriptor
    Stopped, // the stop descriptor became readable
    Failed   // any other error
};

/// Switches a descriptor to non-blocking mode; false on failure.
bool setNonBlocking(int fd);
/// Waits until fd is ready for the given poll events.
IoStatus waitFor(int fd, short events, Deadline deadline, int stopFd = -1);
/// Writes every byte (send() without SIGPIPE on sockets, write() otherwise).
IoStatus writeAll(int fd, std::span<const uint8_t> bytes, Deadline deadline, int stopFd = -1);
/// Reads what is there, waiting for at least one byte; chunk holds the bytes.
IoStatus readSome(int fd, std::vector<uint8_t>& chunk, Deadline deadline, int stopFd = -1);

} // namespace korvan::link::wire
