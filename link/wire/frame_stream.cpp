#include "link/wire/frame_stream.h"

#include <algorithm>

namespace korvan::link::wire {

Deadline FrameTimeLimit::deadlineFor(Deadline start, std::optional<uint32_t> announced) const
{
    const auto perPayload = std::chrono::milliseconds(static_cast<uint64_t>(announced.value_or(0)) *
                                                      1000 / std::max<uint32_t>(bytesPerSecond, 1));
    return start + base + perPayload;
}

void FrameStream::feed()
{
    if (!m_decoder.hasPartial())
        m_partialSince = Clock::now();
    m_decoder.feed(m_chunk);
}

ReadStatus FrameStream::read(Frame& frame, Deadline deadline, int stopFd)
{
    for (;;) {
        const DecodeStatus decoded = m_decoder.next(frame);
        if (decoded == DecodeStatus::Frame) {
            // Bytes after the frame start the next one now.
            if (m_decoder.hasPartial())
                m_partialSince = Clock::now();
            return ReadStatus::Frame;
        }
        if (decoded != DecodeStatus::NeedMore) {
            m_lastError = decoded;
            return ReadStatus::Malformed;
        }
        Deadline wait = deadline;
        std::optional<Deadline> frameDeadline;
        if (m_frameLimit && m_decoder.hasPartial()) {
            frameDeadline = m_frameLimit->deadlineFor(m_partialSince, m_decoder.announcedLength());
            wait = std::min(wait, *frameDeadline);
        }
        switch (readSome(m_fd, m_chunk, wait, stopFd)) {
        case IoStatus::Ok:
            feed();
            break;
        case IoStatus::Timeout:
            if (frameDeadline && Clock::now() >= *frameDeadline)
                return ReadStatus::Stalled;
            if (Clock::now() >= deadline)
                return ReadStatus::Timeout;
            break; // woke a little early: wait again
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
