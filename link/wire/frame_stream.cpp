#include "link/wire/frame_stream.h"

namespace korvan::link::wire {

ReadStatus FrameStream::read(Frame& frame, Deadline deadline, int stopFd)
{
    for (;;) {
        const DecodeStatus decoded = m_decoder.next(frame);
        if (decoded == DecodeStatus::Frame)
            return ReadStatus::Frame;
        if (decoded != DecodeStatus::NeedMore) {
            m_lastError = decoded;
            return ReadStatus::Malformed;
        }
        switch (readSome(m_fd, m_chunk, deadline, stopFd)) {
        case IoStatus::Ok:
            m_decoder.feed(m_chunk);
            break;
        case IoStatus::Timeout:
            return ReadStatus::Timeout;
        case IoStatus::Closed:
            return ReadStatus::Closed;
        case IoStatus::Stopped:
            return ReadStatus::Stopped;
        case IoStatus::Failed:
            return ReadStatus::Failed;
        }
    }
}

IoStatus FrameStream::write(uint16_t type, uint32_t id, std::span<const uint8_t> payload,
                            Deadline deadline, int stopFd)
{
    return writeAll(m_fd, encodeFrame(type, id, payload), deadline, stopFd);
}

} // namespace korvan::link::wire
