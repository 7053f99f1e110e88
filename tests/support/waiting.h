#pragma once

#include "support/modalanswerer.h"

#include <QStringList>
#include <functional>

namespace korimo::test {

// Runs the event loop until the condition holds or the time is up. The limit only ends a wait
// that will never succeed, so it is generous for a loaded machine with few cores.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 30000);

// Runs the event loop for a while, for what must still hold after events have come.
inline void pumpFor(int ms) {
    waitFor([] { return false; }, ms);
}

// Closes every message window that turns up and keeps its title and message texts.
struct MessageCatcher {
    MessageCatcher();
    QStringList titles;
    QStringList texts;
    ModalAnswerer answerer;
};

} // namespace korimo::test
