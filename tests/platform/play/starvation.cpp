#include "starvation.h"

namespace korimo::test {

CpuStarvation::CpuStarvation(int busyLoops) {
    CPU_ZERO(&m_before);
    if (sched_getaffinity(0, sizeof m_before, &m_before) != 0)
        return;
    const int core = sched_getcpu();
    if (core < 0)
        return;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(core, &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0)
        return;
    m_pinned = true;
    // Started after the pinning, the loops inherit the one core.
    for (int i = 0; i < busyLoops; ++i)
        m_loops.emplace_back([this] {
            volatile unsigned spin = 0;
            while (!m_stop.load(std::memory_order_relaxed))
                spin = spin + 1;
        });
}

CpuStarvation::~CpuStarvation() {
    m_stop = true;
    for (auto& t : m_loops)
        t.join();
    if (m_pinned)
        sched_setaffinity(0, sizeof m_before, &m_before);
}

} // namespace korimo::test
