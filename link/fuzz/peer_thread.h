// One thread that stays for the whole fuzzing run and does, per input, the
// far end's part of a socket exchange. A thread per input would cost more
// than the input itself under the sanitizers.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korvan::link::fuzzing {

class PeerThread
{
public:
    PeerThread() : m_thread([this] { loop(); }) {}
    ~PeerThread()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    PeerThread(const PeerThread&) = delete;
    PeerThread& operator=(const PeerThread&) = delete;

    /// Starts job on the peer thread; wait() waits for its end.
    void start(std::function<void()> job)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_job = std::move(job);
        }
        m_wake.notify_all();
    }
    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_job; });
    }

private:
    void loop()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_quit || m_job; });
            if (m_quit)
                return;
            const std::function<void()> job = m_job;
            lock.unlock();
            job();
            lock.lock();
            m_job = nullptr;
            m_wake.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::function<void()> m_job;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace korvan::link::fuzzing
