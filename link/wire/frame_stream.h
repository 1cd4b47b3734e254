// Frames over a byte-stream descriptor (socket or tty). Does not own the
// descriptor; keeps the bytes of a frame that is not complete yet, so that a
// read that timed out mid-frame resumes where it stopped.
#pragma once

#include "link/wire/fd_io.h"
#include "link/wire/frame.h"

namespace korvan::link::wire {

enum class ReadStatus
{
    Frame,
    Timeout,
    Closed,
    Stopped,
    Failed,
    Malformed // bad magic, flags or length; see lastError()
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
    /// What made the last read Malformed.
    DecodeStatus lastError() const { return m_lastError; }
    FrameDecoder& decoder() { return m_decoder; }
    int fd() const { return m_fd; }

private:
    int m_fd;
    FrameDecoder m_decoder;
    std::vector<uint8_t> m_chunk;
    DecodeStatus m_lastError = DecodeStatus::NeedMore;
};

} // namespace korvan::link::wire
