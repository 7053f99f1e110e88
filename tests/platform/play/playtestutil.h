#pragma once

#include "play/playcontrol.h"

#include "support/waiting.h"

#include <functional>
#include <gtest/gtest.h>

namespace korimo::test {

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    return waitFor(done, timeoutMs);
}

class PlayTest : public ::testing::Test {
public:
    static void SetUpTestSuite() { PlayControl::setAudioDriver("null"); }
};

} // namespace korimo::test
