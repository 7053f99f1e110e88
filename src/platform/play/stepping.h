#pragma once

// What the play control's steps share with the rest of it.

namespace korimo {

// Steps, seeks and frames wait for the engine's answer however long a heavy video takes; only
// an engine that has stopped answering reaches this.
inline constexpr int kEngineWaitMs = 60000;
// Times closer than this are the same picture's.
inline constexpr double kTimeEpsilon = 1e-4;

} // namespace korimo
