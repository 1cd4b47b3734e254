// Frames over a byte-stream descriptor (socket or tty). Does not own the
// descriptor; keeps the bytes of a frame that is not complete yet, so that a
// read that timed out mid-frame resumes where it stopped.
#pragma once

#include "link/wire/fd_io.h"
#include "link/wire/frame.h"

#include <chrono>
#include <optional>

namespace korvan::link::wire {

enum class ReadStatus
{
    Frame,
    Timeout,
    Closed,
    Stopped,
    Failed,
    Malformed, // bad magic, flags or length; see lastError()
    Stalled    // a started frame did not complete within its time limit
};

/// How long a frame may take from its first byte to its last: the base time
/// plus one second per bytesPerSecond of the payload its header announces.
struct FrameTimeLimit
{
    std::chrono::milliseconds base{10'000};
    uint32_t bytesPerSecond = 256 * 1024;

    /// The latest time a frame that started at start may complete.
    Deadline deadlineFor(Deadline start, std::optional<uint32_t> announced) const;
};

class FrameStream
{
public:
    explicit FrameStream(int fd, uint32_t maxPayload = kMaxPayload)
        : m_fd(fd), m_decoder(maxPayload)
    {}

    /// Reads until one frame is complete, the deadline passes or the stop fd fires.
    ReadStatus read(Frame& frame, Deadline deadline, int stopFd = -1);
    /// Writes one frame.
    IoStatus write(uint16_t type, uint32_t id, std::span<const uint8_t> payload, Deadline deadline,
                   int stopFd = -1);
    /// From now on a frame that takes longer than the limit ends a read with Stalled.
    void limitFrameTime(FrameTimeLimit limit) { m_frameLimit = limit; }
    /// What made the last read Malformed.
    DecodeStatus lastError() const { return m_lastError; }
    FrameDecoder& decoder() { return m_decoder; }
    int fd() const { return m_fd; }

private:
    void feed();

    int m_fd;
    FrameDecoder m_decoder;
    std::vector<uint8_t> m_chunk;
    DecodeStatus m_lastError = DecodeStatus::NeedMore;
    std::optional<FrameTimeLimit> m_frameLimit;
    Deadline m_partialSince{}; // when the first byte of the buffered frame came
};

} // namespace korvan::link::wire
