// Running out of file descriptors on purpose, for the tests and the
// benchmark of a server that must not spin or starve when that happens.
#pragma once

#include "link/wire/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <vector>

namespace korvan::link::testing {

/// Lowers this process's descriptor limit and takes every free number below
/// it; gives them back and restores the limit when destroyed.
class DescriptorDrought
{
public:
    explicit DescriptorDrought(rlim_t limit)
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = std::min(m_saved.rlim_cur, limit);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        for (;;) {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                break;
            m_taken.emplace_back(fd);
        }
        m_exhausted = errno == EMFILE;
    }
    ~DescriptorDrought()
    {
        m_taken.clear();
        ::setrlimit(RLIMIT_NOFILE, &m_saved);
    }
    bool exhausted() const { return m_exhausted; }

private:
    rlimit m_saved{};
    std::vector<wire::UniqueFd> m_taken;
    bool m_exhausted = false;
};

/// CPU time this process used so far, user and system.
inline double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace korvan::link::testing
