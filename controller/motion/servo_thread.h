#pragma once
// Runs MotionEngine::tick() every servo period on a thread of its own, under a mutex
// that the host also takes while it handles commands.

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace korvan::motion {

class MotionEngine;

class ServoThread
{
public:
    // Ticks engine every period while running; engine and mutex must outlive the thread.
    ServoThread(MotionEngine& engine, std::mutex& mutex);
    ~ServoThread();
    ServoThread(const ServoThread&) = delete;
    ServoThread& operator=(const ServoThread&) = delete;

    // Starts ticking (no effect when already running).
    void start();
    // Stops and joins the thread.
    void stop();
    bool running() const { return m_running.load(); }
    // Ticks done since start.
    long long ticks() const { return m_ticks.load(); }

private:
    void run();

    MotionEngine& m_engine;
    std::mutex& m_mutex;
    std::atomic<bool> m_running{false};
    std::atomic<long long> m_ticks{0};
    std::thread m_thread;
};

} // namespace korvan::motion
