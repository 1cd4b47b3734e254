// The controller's sense of time. Tests step a ManualClock; the simulator
// uses the steady clock.
#pragma once

#include <atomic>
#include <chrono>

namespace korvan::controller {

class Clock
{
public:
    virtual ~Clock() = default;
    /// Seconds since an arbitrary start.
    virtual double seconds() const = 0;
};

class SteadyClock final : public Clock
{
public:
    double seconds() const override
    {
        using namespace std::chrono;
        return duration<double>(steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

class ManualClock final : public Clock
{
public:
    double seconds() const override { return m_now.load(); }
    /// Moves time forward by dt seconds.
    void advance(double dt) { m_now.store(m_now.load() + dt); }

private:
    std::atomic<double> m_now{0.0};
};

} // namespace korvan::controller
