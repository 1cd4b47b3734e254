#include "controller/motion/servo_thread.h"
#include "controller/motion/motion_engine.h"

namespace korvan::motion {

ServoThread::ServoThread(MotionEngine& engine, std::mutex& mutex) : m_engine(engine), m_mutex(mutex)
{}

ServoThread::~ServoThread()
{
    stop();
}

void ServoThread::start()
{
    if (m_running.exchange(true))
        return;
    m_thread = std::thread([this] { run(); });
}

void ServoThread::stop()
{
    m_running = false;
    if (m_thread.joinable())
        m_thread.join();
}

void ServoThread::run()
{
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(m_engine.period()));
    auto next = Clock::now() + period;
    while (m_running) {
        {
            const std::lock_guard lock(m_mutex);
            m_engine.tick();
        }
        ++m_ticks;
        // Catch up without bursts when the machine was busy: skip missed periods.
        const auto now = Clock::now();
        if (next < now - 10 * period)
            next = now;
        std::this_thread::sleep_until(next);
        next += period;
    }
}

} // namespace korvan::motion
