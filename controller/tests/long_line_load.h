// Sessions that keep a controller busy with long command lines, for the test
// and the benchmark of how long a short query waits meanwhile. Each session
// is its own libkorvan handle on its own thread; loopback only.
#pragma once

#include "link/korvan.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace korvan::controller::testing {

/// Runs close to the 100,000 statements a command line may run.
inline constexpr const char* kLongLine = "FOR i = 1 TO 49990 : VR(5) = i : NEXT";

class LongLineLoad
{
public:
    /// Opens sessions links to address and has each run linesEach lines (0:
    /// until stop()).
    LongLineLoad(const std::string& address, int sessions, int linesEach)
    {
        for (int i = 0; i < sessions; ++i) {
            m_threads.emplace_back([this, address, linesEach] {
                ControllerHandle handle = nullptr;
                if (VXC_OpenEth(address.c_str(), &handle) != VXC_OK) {
                    ++m_failures;
                    return;
                }
                // A line may take long under load; this measures the others.
                VXC_SetTimeOut(handle, 60'000);
                ++m_ready;
                char reply[256];
                for (int line = 0; !m_stop && (linesEach == 0 || line < linesEach); ++line) {
                    if (VXC_Execute(handle, kLongLine, 0, reply, sizeof reply) != VXC_OK)
                        ++m_failures;
                    ++m_lines;
                }
                VXC_Close(handle);
                ++m_done;
            });
        }
        while (m_ready + m_failures < sessions)
            std::this_thread::yield();
    }
    ~LongLineLoad()
    {
        stop();
        for (std::thread& thread : m_threads)
            thread.join();
    }
    LongLineLoad(const LongLineLoad&) = delete;
    LongLineLoad& operator=(const LongLineLoad&) = delete;

    void stop() { m_stop = true; }
    /// True once every session ran its lines.
    bool finished() const { return m_done == static_cast<int>(m_threads.size()); }
    int lines() const { return m_lines; }
    int failures() const { return m_failures; }

private:
    std::vector<std::thread> m_threads;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_ready{0};
    std::atomic<int> m_done{0};
    std::atomic<int> m_lines{0};
    std::atomic<int> m_failures{0};
};

} // namespace korvan::controller::testing
