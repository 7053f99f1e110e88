#pragma once

#include "support/modalanswerer.h"

#include <QStringList>
#include <functional>

namespace korimo::test {

// Runs the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 8000);

// Closes every message window that turns up and keeps its title and message texts.
struct MessageCatcher {
    MessageCatcher();
    QStringList titles;
    QStringList texts;
    ModalAnswerer answerer;
};

} // namespace korimo::test
