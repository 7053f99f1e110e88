#pragma once

#include "play/playcontrol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace korimo::test {

// Runs the event loop until the condition holds or the time is up.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

inline void pumpFor(int ms) {
    waitUntil([] { return false; }, ms);
}

class PlayTest : public ::testing::Test {
public:
    static void SetUpTestSuite() { PlayControl::setAudioDriver("null"); }
};

} // namespace korimo::test
