// A mutex that hands itself on in the order its users came. A long command
// line lets the others in between its slices (yield()); with a plain mutex
// the same thread would usually take it straight back, and a short query of
// another session would wait for the whole line.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace korvan::controller {

class FairMutex
{
public:
    void lock()
    {
        std::unique_lock guard(m_mutex);
        const uint64_t ticket = m_nextTicket++;
        m_turn.wait(guard, [&] { return m_serving == ticket; });
    }

    void unlock()
    {
        {
            const std::lock_guard guard(m_mutex);
            ++m_serving;
        }
        m_turn.notify_all();
    }

    /// With the lock held: lets everyone who waits for it have a turn first.
    void yield()
    {
        {
            const std::lock_guard guard(m_mutex);
            if (m_nextTicket == m_serving + 1)
                return; // nobody waits
        }
        unlock();
        lock();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_turn;
    uint64_t m_nextTicket = 0;
    uint64_t m_serving = 0;
};

} // namespace korvan::controller
