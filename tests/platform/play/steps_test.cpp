#include "play/playcontrol.h"
#include "playmedia.h"
#include "playtestutil.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

using namespace korimo;
using namespace korimo::test;

namespace {

// How a wait for the engine looked from the window: its timers' ticks and whether the busy
// pointer showed while it lasted.
struct WaitWatch {
    int ticks = 0;
    bool busyShown = false;
    qint64 tookMs = 0;
};

template <class F> WaitWatch watchWait(F&& action) {
    WaitWatch watch;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++watch.ticks;
        const QCursor* c = QGuiApplication::overrideCursor();
        watch.busyShown = watch.busyShown || (c && c->shape() == Qt::BusyCursor);
    });
    timer.start(50);
    QElapsedTimer clock;
    clock.start();
    EXPECT_NO_THROW(action());
    watch.tookMs = clock.elapsed();
    return watch;
}

// What the area paints, read back as a frame index.
int paintedIndex(PlayControl& play) {
    return decodeIndex(play.grab().toImage().scaled(kClipWidth, kClipHeight));
}

} // namespace

// On a clip with one keyframe, steps back show kept pictures and steps forward climb back up to
// the engine's: position, picture, painting and capture agree all the way, and play starts from
// the picture shown.
TEST_F(PlayTest, KeptPicturesAgreeWithPositionCaptureAndPlay) {
    PlayControl play;
    showLongGopPausedAt(play, 60);
    ASSERT_EQ(shownIndex(play), 60);
    const auto expectAt = [&](int frame) {
        ASSERT_EQ(play.Position(), frame);
        ASSERT_EQ(shownIndex(play), frame);
        ASSERT_EQ(decodeIndex(QImage::fromData(dibAsBmpFile(play.FrameDib(5000)), "BMP")), frame);
        ASSERT_TRUE(waitUntil([&] { return paintedIndex(play) == frame; }, 3000))
            << "painted " << paintedIndex(play) << " at " << frame;
    };
    for (int i = 59; i >= 25; --i) {
        ASSERT_NO_THROW(play.PreviousFrame()) << "step back to " << i;
        expectAt(i);
    }
    for (int i = 26; i <= 45; ++i) {
        ASSERT_NO_THROW(play.NextFrame()) << "step to " << i;
        expectAt(i);
    }
    for (int i = 44; i >= 40; --i) {
        ASSERT_NO_THROW(play.PreviousFrame()) << "step back to " << i;
        expectAt(i);
    }
    // Kept in a denser form, the picture still comes back exactly as the engine gives it.
    const QImage keptPicture = play.FramePicture(5000);
    const QByteArray keptDib = play.FrameDib(5000);

    pumpFor(100); // reports of the steps are on their way
    QSignalSpy progress(&play, &PlayControl::Progress);
    play.setSelectionEnd(0.04 * 46);
    QElapsedTimer played;
    played.start();
    play.Run();
    ASSERT_TRUE(waitUntil([&] { return play.State() == 1; }, 5000)) << "did not stop";
    const qint64 playedMs = played.elapsed();
    EXPECT_EQ(play.Position(), 46);
    EXPECT_EQ(shownIndex(play), 46);
    ASSERT_FALSE(progress.isEmpty());
    // The window takes the reports as it gets to them, so a busy machine can make it miss the
    // first few; the engine's clock cannot run short. From the engine's own picture, 45, the play
    // would take a frame's time.
    EXPECT_GE(playedMs, (46 - 41) * 1000 / kClipFps) << "play did not start from the picture shown";
    for (const auto& args : progress) {
        EXPECT_GE(args.at(0).toInt(), 40);
        EXPECT_LE(args.at(0).toInt(), 46);
    }

    play.setPosition(40);
    EXPECT_TRUE(play.FramePicture(5000) == keptPicture);
    EXPECT_TRUE(play.FrameDib(5000) == keptDib);

    // A seek leaves the kept pictures behind: a step back from it goes to the engine again.
    play.setPosition(20);
    ASSERT_NO_THROW(play.PreviousFrame());
    expectAt(19);
}

// A step on a video so heavy that it takes seconds waits for the engine: no error, the frame
// asked for, the window's timers running and the busy pointer shown meanwhile, and the next
// step going on from there.
TEST_F(PlayTest, ASlowStepWaitsForTheEngineWithTheWindowAlive) {
    PlayControl play;
    play.setSource(clipPath(QStringLiteral("longgop.mov")));
    play.Pause();
    play.setPosition(50);
    ASSERT_EQ(shownIndex(play), 50);
    ASSERT_TRUE(slowDown(play, 0.5));
    play.FramePicture(5000);

    const WaitWatch watch = watchWait([&] { play.PreviousFrame(); });
    EXPECT_EQ(play.Position(), 49);
    EXPECT_EQ(shownIndex(play), 49);
    EXPECT_GT(watch.ticks, watch.tookMs / 200)
        << "the event loop stood still during the step of " << watch.tookMs << " ms";
    EXPECT_TRUE(watch.busyShown);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    ASSERT_NO_THROW(play.NextFrame());
    EXPECT_EQ(play.Position(), 50);
    EXPECT_EQ(shownIndex(play), 50);
    ASSERT_NO_THROW(play.NextFrame());
    EXPECT_EQ(play.Position(), 51);
    EXPECT_EQ(shownIndex(play), 51);
}

// A capture right after a seek that takes the engine seconds waits for it with the busy pointer
// shown and the window running, and gets the frame asked for.
TEST_F(PlayTest, AGrabAfterASlowSeekShowsTheBusyPointerAndGetsItsFrame) {
    PlayControl play;
    play.setSource(clipPath(QStringLiteral("longgop.mov")));
    play.Pause();
    ASSERT_TRUE(slowDown(play, 0.5));
    int grabbed = -1;
    const WaitWatch watch = watchWait([&] {
        play.setPosition(40);
        grabbed = shownIndex(play);
    });
    EXPECT_EQ(grabbed, 40);
    EXPECT_EQ(play.Position(), 40);
    EXPECT_GT(watch.tookMs, 500) << "the seek was not slow enough to show anything";
    EXPECT_GT(watch.ticks, watch.tookMs / 200)
        << "the event loop stood still during the wait of " << watch.tookMs << " ms";
    EXPECT_TRUE(watch.busyShown);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// With sound, play from a paused seek, or from steps after it, starts from the frame shown:
// stopped again, position, capture and painting name one frame past it. A single keyframe
// under the whole clip is the hard case: the engine cannot start over from a nearby one.
TEST_F(PlayTest, PlayAfterAPausedSeekWithSoundMovesThePicture) {
    for (const char* name : {"longgopsound.mov", "longgopsound.avi", "longsound.mpg", "clip.mpg",
                             "clip.mov", "mpeg4.avi"}) {
        for (int steps : {0, 2}) {
            SCOPED_TRACE(std::string(name) + " after " + std::to_string(steps) + " steps");
            PlayControl play;
            play.resize(kClipWidth, kClipHeight);
            play.show();
            play.setSource(clipPath(QString::fromLatin1(name)));
            play.Pause();
            play.setPosition(10);
            ASSERT_EQ(shownIndex(play), 10);
            for (int i = 0; i < steps; ++i)
                ASSERT_NO_THROW(play.NextFrame());
            play.Run();
            pumpFor(600);
            play.Pause();
            const int shown = shownIndex(play);
            EXPECT_GT(shown, 10 + steps) << "the picture did not move on";
            EXPECT_EQ(play.Position(), shown);
            EXPECT_TRUE(waitUntil([&] { return paintedIndex(play) == shown; }, 3000))
                << "painted " << paintedIndex(play) << " with " << shown << " captured";
        }
    }
}

// While a step back waits for the engine to decode the pictures it keeps, the window goes on
// painting the picture the step began on, whether that was the engine's own or a kept one, and
// never one the engine passes or stopped on before.
TEST_F(PlayTest, ASlowStepBackPaintsThePictureItBeganOnWhileItWaits) {
    PlayControl play;
    showLongGopPausedAt(play, kLongGopFrames - 1);
    ASSERT_EQ(shownIndex(play), kLongGopFrames - 1);
    ASSERT_TRUE(waitUntil([&] { return paintedIndex(play) == kLongGopFrames - 1; }, 3000));
    ASSERT_TRUE(slowDown(play, 1.0));
    std::vector<int> painted;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { painted.push_back(paintedIndex(play)); });
    int refills = 0;
    // Enough steps that the kept pictures run out and are refilled at least once.
    for (int from = kLongGopFrames - 1; from > 20; --from) {
        painted.clear();
        QElapsedTimer clock;
        clock.start();
        watch.start(20);
        ASSERT_NO_THROW(play.PreviousFrame()) << "step back from " << from;
        watch.stop();
        refills += clock.elapsed() > 200;
        for (int p : painted)
            ASSERT_TRUE(p == from || p == from - 1)
                << "painted " << p << " during the step back from " << from;
        ASSERT_TRUE(waitUntil([&] { return paintedIndex(play) == from - 1; }, 3000))
            << "painted " << paintedIndex(play) << " after the step back from " << from;
    }
    EXPECT_GE(refills, 2) << "the steps back never waited for the engine";
}
