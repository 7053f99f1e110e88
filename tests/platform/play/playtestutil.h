#pragma once

#include "play/playcontrol.h"
#include "playmedia.h"

#include "support/waiting.h"

#include <functional>
#include <gtest/gtest.h>

namespace korimo::test {

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    return waitFor(done, timeoutMs);
}

// The index of the picture the control shows, read from a capture.
inline int shownIndex(const PlayControl& play) {
    return decodeIndex(play.FramePicture(5000));
}

// Shows the one-keyframe clip in a window of its own size, paused on frame.
inline void showLongGopPausedAt(PlayControl& play, int frame) {
    play.resize(kClipWidth, kClipHeight);
    play.show();
    play.setSource(clipPath(QStringLiteral("longgop.mov")));
    play.Pause();
    play.setPosition(frame);
}

class PlayTest : public ::testing::Test {
public:
    static void SetUpTestSuite() { PlayControl::setAudioDriver("null"); }
};

} // namespace korimo::test
