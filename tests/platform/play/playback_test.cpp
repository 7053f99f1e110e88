#include "play/playcontrol.h"
#include "playmedia.h"
#include "playtestutil.h"
#include "starvation.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <optional>

using namespace korimo;
using namespace korimo::test;

namespace {

// The frame the control paints, read from the picture at its normal size in the top left.
int paintedIndex(PlayControl& play) {
    return decodeIndex(play.grab().toImage().copy(QRect(0, 0, kClipWidth, kClipHeight)));
}

std::vector<int> progressValues(const QSignalSpy& spy) {
    std::vector<int> v;
    for (const auto& args : spy)
        v.push_back(args.at(0).toInt());
    return v;
}

// The end-of-play tests run with a sound output whose clock runs, as a sound card's does, and
// with none at all (a device that cannot be opened, as on a machine without sound).
class EndOfPlayTest : public PlayTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (GetParam())
            PlayControl::setAudioDriver("null");
        else
            PlayControl::setAudioDriver("alsa", "alsa/korimo-no-such-device");
    }
    void TearDown() override { PlayControl::setAudioDriver("null"); }
};

} // namespace

TEST_F(PlayTest, SourceRunPauseStopAndResetMoveThroughTheStates) {
    PlayControl play;
    EXPECT_EQ(play.State(), 0);
    EXPECT_EQ(play.SourceKind(), 0);
    EXPECT_NO_THROW(play.Stop()); // the open dialog stops an empty player first
    EXPECT_THROW(play.Run(), PlayError);
    EXPECT_THROW(play.NextFrame(), PlayError);
    EXPECT_THROW(play.FrameDib(1000), PlayError);

    QSignalSpy selection(&play, &PlayControl::SelectionChanged);
    play.setSource(clipPath(QStringLiteral("clip.mov")));
    EXPECT_EQ(play.State(), 3);
    EXPECT_EQ(play.SourceKind(), 1);
    EXPECT_NEAR(play.Duration(), 2.0, 0.1);
    // A new source selects all of it.
    ASSERT_TRUE(waitUntil([&] { return !selection.isEmpty(); }, 2000));
    EXPECT_EQ(selection.last().at(0).toInt(), 0);
    EXPECT_EQ(selection.last().at(1).toInt(), play.TrackLength());
    EXPECT_EQ(play.SelectionStart(), 0.0);
    EXPECT_EQ(play.SelectionEnd(), play.Duration());
    ASSERT_TRUE(waitUntil([&] { return play.Position() >= 5; }, 5000)) << "never moved";

    play.Pause();
    EXPECT_EQ(play.State(), 2);
    // The engine takes requests in order, so this frame is the one the pause stopped on.
    const int paused = decodeIndex(play.FramePicture(5000));
    ASSERT_TRUE(waitUntil([&] { return play.Position() == paused; }, 3000));
    pumpFor(300);
    EXPECT_EQ(play.Position(), paused);
    EXPECT_EQ(decodeIndex(play.FramePicture(5000)), paused);

    play.setSelectionStart(0.4); // frame 10
    play.Stop();
    EXPECT_EQ(play.State(), 1);
    EXPECT_EQ(play.Position(), 10);
    EXPECT_EQ(decodeIndex(play.FramePicture(5000)), 10);

    play.ResetSource();
    EXPECT_EQ(play.State(), 0);
    EXPECT_EQ(play.SourceKind(), 0);
    EXPECT_TRUE(play.Source().isEmpty());
    EXPECT_THROW(play.FramePicture(1000), PlayError);
}

TEST_P(EndOfPlayTest, PlaysToTheEndAndRewindsWhenAsked) {
    PlayControl play;
    play.setSource(clipPath(QStringLiteral("clip.mov")));
    QSignalSpy progress(&play, &PlayControl::Progress);
    ASSERT_TRUE(waitUntil([&] { return play.State() == 1; }, 8000)) << "did not finish";
    EXPECT_GE(play.Position(), kClipFrames - 2);
    const auto seen = progressValues(progress);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << "progress went backwards";

    play.setAutoRewind(true);
    play.Run(); // at the end: starts again from the selection start
    EXPECT_EQ(play.State(), 3);
    ASSERT_TRUE(waitUntil([&] { return play.Position() > 3 && play.Position() < 40; }, 3000));
    ASSERT_TRUE(waitUntil([&] { return play.State() == 1; }, 8000));
    pumpFor(200);
    EXPECT_EQ(play.Position(), 0);
    EXPECT_EQ(decodeIndex(play.FramePicture(5000)), 0);
}

// Played to its end, with and without the rewind, Position, the frame captured and the picture
// painted name one frame: the last, or the first after a rewind.
TEST_P(EndOfPlayTest, AtTheEndOfPlayPositionCaptureAndPictureAgree) {
    for (const char* name : {"clip.mov", "clip.mpg", "longsound.mpg"}) {
        for (bool rewind : {false, true}) {
            PlayControl play;
            play.resize(kClipWidth, kClipHeight);
            play.setSizeMode(2);
            play.show();
            play.setAutoRewind(rewind);
            play.setSource(clipPath(QString::fromLatin1(name)));
            ASSERT_TRUE(waitUntil([&] { return play.State() == 1; }, 10000)) << name;
            const int expected = rewind ? 0 : play.TrackLength() - 1;
            EXPECT_EQ(play.Position(), expected) << name << " rewind " << rewind;
            EXPECT_EQ(decodeIndex(play.FramePicture(5000)), expected)
                << name << " rewind " << rewind;
            EXPECT_TRUE(waitUntil([&] { return paintedIndex(play) == expected; }, 3000))
                << name << " rewind " << rewind << " paints " << paintedIndex(play);
            EXPECT_EQ(play.Position(), expected) << name << " rewind " << rewind;
        }
    }
}

// Play from a paused seek, or from steps after it, runs to the end and stops on the last picture
// on every clip whose sound needs care (one keyframe under the whole clip, sound outlasting the
// pictures), with the machine idle or its CPU taken by busy loops.
TEST_F(PlayTest, PlayAfterPausedSeeksAndStepsRunsToTheLastPicture) {
    for (const bool starved : {false, true}) {
        for (const char* name :
             {"longsound.mp4", "longsound.mpg", "longgopsound.mov", "longgopsound.avi"}) {
            for (int steps : {0, 2}) {
                SCOPED_TRACE(std::string(name) + " after " + std::to_string(steps) + " steps" +
                             (starved ? ", starved" : ""));
                std::optional<CpuStarvation> starve;
                if (starved) {
                    starve.emplace(3);
                    ASSERT_TRUE(starve->pinned());
                }
                PlayControl play;
                play.setSource(clipPath(QString::fromLatin1(name)));
                play.Pause();
                const int last = play.TrackLength() - 1;
                play.setPosition(last - 12);
                ASSERT_EQ(decodeIndex(play.FramePicture(5000)), last - 12);
                for (int i = 0; i < steps; ++i)
                    ASSERT_NO_THROW(play.NextFrame());
                play.Run();
                ASSERT_TRUE(waitUntil([&] { return play.State() == 1; }, 20000))
                    << "play never ended; stuck at " << play.Position();
                EXPECT_EQ(play.Position(), last);
                EXPECT_EQ(decodeIndex(play.FramePicture(5000)), last);
            }
        }
    }
}

// Played to its end, a video steps back from its last picture and on to the first, whatever its
// container and however its sound ends.
TEST_P(EndOfPlayTest, AfterPlayReachesTheEndStepsGoBack) {
    for (const char* name :
         {"longsound.mpg", "longsound.mp4", "clip.mpg", "clip.mov", "mpeg4.avi", "clip.wmv"}) {
        SCOPED_TRACE(name);
        PlayControl play;
        play.setSource(clipPath(QString::fromLatin1(name)));
        ASSERT_TRUE(waitUntil([&] { return play.State() == 1; }, 10000)) << "did not finish";
        const int last = play.TrackLength() - 1;
        ASSERT_EQ(play.Position(), last);
        for (int i = last - 1; i >= last - 3; --i) {
            ASSERT_NO_THROW(play.PreviousFrame()) << "step back to " << i;
            EXPECT_EQ(play.Position(), i);
            EXPECT_EQ(decodeIndex(play.FramePicture(5000)), i);
        }
        ASSERT_NO_THROW(play.NextFrame());
        EXPECT_EQ(play.Position(), last - 2);
        EXPECT_EQ(decodeIndex(play.FramePicture(5000)), last - 2);
    }
}

INSTANTIATE_TEST_SUITE_P(SoundOutputs, EndOfPlayTest, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "Timed" : "None"; });

TEST_F(PlayTest, RunWithASelectionStaysInsideIt) {
    PlayControl play;
    QSignalSpy selection(&play, &PlayControl::SelectionChanged);
    play.setSource(clipPath(QStringLiteral("mpeg4.avi")));
    play.Pause();
    play.setPosition(10);
    play.MarkSelectionStart();
    play.setPosition(20);
    play.MarkSelectionEnd();
    ASSERT_TRUE(waitUntil(
        [&] { return !selection.isEmpty() && selection.last().at(1).toInt() == 20; }, 2000));
    EXPECT_EQ(selection.last().at(0).toInt(), 10);
    EXPECT_NEAR(play.SelectionStart(), 0.4, 1e-6);
    EXPECT_NEAR(play.SelectionEnd(), 0.8, 1e-6);

    play.setPosition(30); // outside: Run starts over at the selection start
    play.FramePicture(5000);
    QCoreApplication::processEvents();
    QSignalSpy progress(&play, &PlayControl::Progress);
    play.Run();
    ASSERT_TRUE(waitUntil([&] { return play.State() == 1; }, 5000)) << "did not stop at the end";
    pumpFor(100);
    EXPECT_EQ(play.Position(), 20);
    EXPECT_EQ(decodeIndex(play.FramePicture(5000)), 20);
    for (int p : progressValues(progress)) {
        EXPECT_GE(p, 10);
        EXPECT_LE(p, 20);
    }
}

TEST_F(PlayTest, PlayCountZeroWrapsTheSelection) {
    PlayControl play;
    play.setSource(clipPath(QStringLiteral("clip.mpg")));
    play.Pause();
    play.setSelectionStart(0.2); // frames 5 to 15
    play.setSelectionEnd(0.6);
    play.setPlayCount(0);
    QSignalSpy progress(&play, &PlayControl::Progress);
    play.Run();
    int wraps = 0;
    int last = -1;
    waitUntil(
        [&] {
            for (int p : progressValues(progress)) {
                if (p < last)
                    ++wraps;
                last = p;
            }
            progress.clear();
            return wraps >= 2;
        },
        6000);
    EXPECT_GE(wraps, 2);
    EXPECT_EQ(play.State(), 3);
    play.Pause();
    const int p = play.Position();
    EXPECT_GE(p, 5);
    EXPECT_LE(p, 15);
}

TEST_F(PlayTest, HalfRatePlaysAtHalfSpeed) {
    PlayControl play;
    ASSERT_TRUE(play.IsRateSupported(0.5));
    EXPECT_FALSE(play.IsRateSupported(0.0));
    EXPECT_FALSE(play.IsRateSupported(-1.0));
    EXPECT_THROW(play.setRate(0.0), PlayError);
    play.setRate(0.5);
    EXPECT_EQ(play.Rate(), 0.5);

    play.setSource(clipPath(QStringLiteral("mpeg4.avi")));
    play.Pause();
    play.SeekStart();
    play.FramePicture(5000);
    QElapsedTimer clock;
    play.Run();
    clock.start();
    ASSERT_TRUE(waitUntil([&] { return play.Position() >= 2; }, 3000));
    const int from = play.Position();
    const qint64 t0 = clock.elapsed();
    pumpFor(1200);
    const int frames = play.Position() - from;
    const double seconds = double(clock.elapsed() - t0) / 1000.0;
    const double speed = frames / double(kClipFps) / seconds;
    EXPECT_GT(speed, 0.35);
    EXPECT_LT(speed, 0.65);
}

TEST_F(PlayTest, SoundFileHasNoPicture) {
    PlayControl play;
    play.setSource(clipPath(QStringLiteral("sound.mpa")));
    EXPECT_EQ(play.State(), 3);
    EXPECT_NEAR(play.TrackLength(), 50, 2); // counted at 25 a second
    try {
        play.FrameDib(2000);
        ADD_FAILURE() << "a sound file gave a picture";
    } catch (const PlayError& e) {
        EXPECT_EQ(e.code(), kPlayErrNoVideo);
    }
    EXPECT_THROW(play.NextFrame(), PlayError);
    EXPECT_THROW(play.PreviousFrame(), PlayError);
    ASSERT_TRUE(waitUntil([&] { return play.Position() > 3; }, 3000));
}

TEST_F(PlayTest, MemorySourceKeepsItsBufferAndCountsLikeTheFile) {
    PlayControl play;
    play.setSource(clipPath(QStringLiteral("clip.mpg")));
    const int fileLength = play.TrackLength();

    auto bytes = std::make_shared<const QByteArray>(readAll(clipPath(QStringLiteral("clip.mpg"))));
    std::weak_ptr<const QByteArray> watch = bytes;
    play.setSourceHandle(bytes);
    EXPECT_EQ(play.SourceKind(), 2);
    EXPECT_EQ(play.MemoryLoadCheck(), 1);
    EXPECT_EQ(play.SourceHandle(), bytes);
    EXPECT_EQ(play.TrackLength(), fileLength);
    play.Pause();
    play.setPosition(33);
    EXPECT_EQ(decodeIndex(play.FramePicture(5000)), 33);

    bytes.reset();
    EXPECT_FALSE(watch.expired()); // the player still holds it
    play.ResetSource();
    EXPECT_EQ(play.SourceKind(), 0);
    EXPECT_EQ(play.SourceHandle(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return watch.expired(); }, 3000)) << "buffer kept after reset";

    auto junk = std::make_shared<const QByteArray>(QByteArray(4096, 'x'));
    EXPECT_THROW(play.setSourceHandle(junk), PlayError);
    EXPECT_EQ(play.MemoryLoadCheck(), 0);
    EXPECT_EQ(play.State(), 0);
}

// The window frees a source (Stop seeks back to the selection start) and loads the next one
// at once, before the engine has answered those seeks.
TEST_F(PlayTest, NextSourceRightAfterSeeksLoadsAndSteps) {
    PlayControl play;
    play.setSource(clipPath(QStringLiteral("clip.mov")));
    play.Pause();
    play.setPosition(20);
    play.Stop();
    play.ResetSource();
    auto bytes = std::make_shared<const QByteArray>(readAll(clipPath(QStringLiteral("clip.mpg"))));
    ASSERT_NO_THROW(play.setSourceHandle(bytes));
    play.Pause();
    play.setPosition(30);
    EXPECT_EQ(play.Position(), 30);
    EXPECT_EQ(decodeIndex(play.FramePicture(5000)), 30);
    ASSERT_NO_THROW(play.NextFrame());
    EXPECT_EQ(play.Position(), 31);
    EXPECT_EQ(decodeIndex(play.FramePicture(5000)), 31);
}
