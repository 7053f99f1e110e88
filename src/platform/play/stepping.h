#pragma once

// What the play control's steps share with the rest of it.

#include <QElapsedTimer>

namespace korimo {

// Steps, seeks and frames wait for the engine's answer however long a heavy video takes; only
// an engine that has stopped answering reaches this.
inline constexpr int kEngineWaitMs = 60000;
// Times closer than this are the same picture's.
inline constexpr double kTimeEpsilon = 1e-4;

// The busy pointer, shown once a wait for the engine has lasted a moment and taken back when it
// ends. A step waits many times, each wait short, so one is held across the whole step: the
// waits inside it count from its start and leave the pointer to it. GUI thread only.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    void tick();

private:
    BusyPointer* m_outer;
    QElapsedTimer m_clock;
    bool m_shown = false;
};

} // namespace korimo
