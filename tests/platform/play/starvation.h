#pragma once

#include <atomic>
#include <sched.h>
#include <thread>
#include <vector>

namespace korimo::test {

// Starves the calling thread and every thread it starts from now on (the engine's among them)
// of CPU, as a busy machine does: all are pinned to one core that `busyLoops` spinning threads
// share with them. The old affinity comes back when this goes.
class CpuStarvation {
public:
    explicit CpuStarvation(int busyLoops);
    ~CpuStarvation();
    CpuStarvation(const CpuStarvation&) = delete;
    CpuStarvation& operator=(const CpuStarvation&) = delete;

    // False when the system refused to pin the thread (the test then runs unstarved).
    bool pinned() const { return m_pinned; }

private:
    cpu_set_t m_before;
    bool m_pinned = false;
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_loops;
};

} // namespace korimo::test
