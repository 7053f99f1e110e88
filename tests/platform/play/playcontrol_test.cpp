#include "play/mpvsession.h"
#include "play/playcontrol.h"
#include "playmedia.h"
#include "playtestutil.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace korimo;
using namespace korimo::test;

namespace {

// Loads a clip by name, or from memory when the name starts with "mem:".
void load(PlayControl& play, const QString& name) {
    if (name.startsWith(QLatin1String("mem:"))) {
        auto bytes = std::make_shared<const QByteArray>(readAll(clipPath(name.mid(4))));
        play.setSourceHandle(bytes);
    } else {
        play.setSource(clipPath(name));
    }
}

// A step with no frame to go to fails with the player's own "no frame" error, not another.
template <class Step> void expectNoFrame(Step&& step, const char* whatWentWrong) {
    try {
        step();
        ADD_FAILURE() << whatWentWrong;
    } catch (const PlayError& e) {
        EXPECT_EQ(e.code(), kPlayErrNoFrame);
    }
}

class StepTest : public PlayTest, public ::testing::WithParamInterface<const char*> {};

} // namespace

TEST_P(StepTest, StepsForwardAndBackThroughEveryFrame) {
    PlayControl play;
    load(play, QString::fromLatin1(GetParam()));
    play.Pause();
    play.SeekStart();
    ASSERT_EQ(shownIndex(play), 0);
    EXPECT_EQ(play.Position(), 0);
    EXPECT_NEAR(play.TrackLength(), kClipFrames, 1);

    for (int i = 1; i < kClipFrames; ++i) {
        ASSERT_NO_THROW(play.NextFrame()) << "step to " << i;
        ASSERT_EQ(shownIndex(play), i);
        ASSERT_EQ(play.Position(), i);
    }
    EXPECT_THROW(play.NextFrame(), PlayError);
    EXPECT_EQ(shownIndex(play), kClipFrames - 1);

    for (int i = kClipFrames - 2; i >= 0; --i) {
        ASSERT_NO_THROW(play.PreviousFrame()) << "step back to " << i;
        ASSERT_EQ(shownIndex(play), i);
        ASSERT_EQ(play.Position(), i);
    }
    expectNoFrame([&] { play.PreviousFrame(); }, "stepped before the first frame");
    EXPECT_EQ(play.State(), 2);
}

TEST_P(StepTest, SeeksByPositionLandOnTheFrameAsked) {
    PlayControl play;
    load(play, QString::fromLatin1(GetParam()));
    play.Pause();
    for (int frame : {37, 3, 0, kClipFrames - 1, 12, 13, 25}) {
        play.setPosition(frame);
        EXPECT_EQ(play.Position(), frame);
        EXPECT_EQ(shownIndex(play), frame) << "seek to " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, StepTest,
                         ::testing::Values("mpeg4.avi", "lossless.avi", "clip.mpg", "clip.mov",
                                           "clip.wmv", "mem:clip.mpg"),
                         [](const auto& p) {
                             QString n = QString::fromLatin1(p.param);
                             n.replace(QLatin1Char('.'), QLatin1Char('_'));
                             n.replace(QLatin1Char(':'), QLatin1Char('_'));
                             return n.toStdString();
                         });

// Steps follow the pictures, not a frame rate: where the rate changes mid-clip every picture is
// still reached in both directions, the first one included.
TEST_F(PlayTest, StepsReachEveryFrameOfAVariableRateClip) {
    PlayControl play;
    play.setSource(clipPath(QStringLiteral("vfr.mp4")));
    play.Pause();
    play.SeekStart();
    ASSERT_EQ(shownIndex(play), 0);
    for (int i = 1; i < kClipFrames; ++i) {
        ASSERT_NO_THROW(play.NextFrame()) << "step to " << i;
        ASSERT_EQ(shownIndex(play), i);
    }
    EXPECT_THROW(play.NextFrame(), PlayError);
    for (int i = kClipFrames - 2; i >= 0; --i) {
        ASSERT_NO_THROW(play.PreviousFrame()) << "step back to " << i;
        ASSERT_EQ(shownIndex(play), i);
    }
    EXPECT_EQ(play.Position(), 0);
    expectNoFrame([&] { play.PreviousFrame(); }, "stepped before the first frame");
    EXPECT_EQ(shownIndex(play), 0);
}

TEST_F(PlayTest, FrameDibIsTheSourceFrameBottomUp) {
    PlayControl play;
    play.setSource(clipPath(QStringLiteral("lossless.avi")));
    play.Pause();
    for (int frame : {0, 17, kClipFrames - 1}) {
        play.setPosition(frame);
        const QByteArray dib = play.FrameDib(5000);
        ASSERT_GE(dib.size(), 40);
        const auto* h = reinterpret_cast<const uchar*>(dib.constData());
        EXPECT_EQ(qFromLittleEndian<quint32>(h), 40u);
        EXPECT_EQ(qFromLittleEndian<qint32>(h + 4), kClipWidth);
        EXPECT_EQ(qFromLittleEndian<qint32>(h + 8), kClipHeight); // positive: bottom-up
        EXPECT_EQ(qFromLittleEndian<quint16>(h + 14), 24);
        const int stride = (kClipWidth * 3 + 3) & ~3;
        ASSERT_EQ(dib.size(), 40 + stride * kClipHeight);

        const QImage expected = sourceFrame(frame).convertToFormat(QImage::Format_RGB888);
        // The first stored row is the picture's bottom row, in blue-green-red order.
        const uchar* firstRow = h + 40;
        const uchar* bottom = expected.constScanLine(kClipHeight - 1);
        for (int x = 0; x < kClipWidth; ++x) {
            ASSERT_EQ(firstRow[3 * x], bottom[3 * x + 2]);
            ASSERT_EQ(firstRow[3 * x + 1], bottom[3 * x + 1]);
            ASSERT_EQ(firstRow[3 * x + 2], bottom[3 * x]);
        }
        const QImage decoded = QImage::fromData(dibAsBmpFile(dib), "BMP");
        ASSERT_FALSE(decoded.isNull());
        EXPECT_TRUE(decoded.convertToFormat(QImage::Format_RGB888) == expected)
            << "frame " << frame;
        EXPECT_TRUE(play.FramePicture(5000).convertToFormat(QImage::Format_RGB888) == expected);
    }
}

namespace {

// The mean difference of all colour channels; a picture turned the wrong way differs by far more
// than two decoders' rounding.
double meanDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size() || x.isNull())
        return 256.0;
    double sum = 0.0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

} // namespace

// Phones tag a video filmed turned instead of turning its pictures: it shows, steps and is
// captured upright, at its upright size, as an independent decoder shows it.
TEST_F(PlayTest, RotatedVideosAreShownAndCapturedUpright) {
    PlayControl play;
    play.resize(400, 400);
    play.show();
    for (int degrees : {90, 180, 270}) {
        const QString path = clipPath(QStringLiteral("rotated%1.mov").arg(degrees));
        const QSize upright =
            degrees == 180 ? QSize(kClipWidth, kClipHeight) : QSize(kClipHeight, kClipWidth);
        play.setSource(path);
        play.Pause();
        play.setPosition(7);
        const QImage shown = play.FramePicture(5000);
        ASSERT_EQ(shown.size(), upright) << degrees;
        EXPECT_LT(meanDifference(shown, ffmpegFrame(path, 7)), 4.0) << degrees;

        ASSERT_NO_THROW(play.NextFrame()) << degrees;
        const QByteArray dib = play.FrameDib(5000);
        ASSERT_GE(dib.size(), 40);
        const auto* h = reinterpret_cast<const uchar*>(dib.constData());
        EXPECT_EQ(qFromLittleEndian<qint32>(h + 4), upright.width());
        EXPECT_EQ(qFromLittleEndian<qint32>(h + 8), upright.height());
        const QImage stepped = QImage::fromData(dibAsBmpFile(dib), "BMP");
        EXPECT_LT(meanDifference(stepped, ffmpegFrame(path, 8)), 4.0) << degrees;
        // Fitted into the square area the picture keeps its upright shape.
        EXPECT_TRUE(waitUntil(
            [&] {
                return play.session()->lastFrame().size() ==
                       upright.scaled(400, 400, Qt::KeepAspectRatio);
            },
            3000))
            << degrees;
    }
    // The turn belongs to the video that asked for it, not to the next one.
    const QString plain = clipPath(QStringLiteral("clip.mov"));
    play.setSource(plain);
    play.Pause();
    play.setPosition(7);
    const QImage shown = play.FramePicture(5000);
    ASSERT_EQ(shown.size(), QSize(kClipWidth, kClipHeight));
    EXPECT_EQ(decodeIndex(shown), 7);
}

// A stream can change its picture size midway (broadcast recordings do): each frame, stepped to
// in either direction or sought, is handed over at its own size.
TEST_F(PlayTest, FramesOnEitherSideOfASizeChangeComeAtTheirOwnSize) {
    const QSize small(kClipWidth, kClipHeight);
    const QSize large(2 * kClipWidth, 2 * kClipHeight);
    PlayControl play;
    play.setSource(clipPath(QStringLiteral("resize.mpg")));
    play.Pause();
    const auto expectFrame = [&](int index, QSize size) {
        const QImage shown = play.FramePicture(5000);
        EXPECT_EQ(decodeIndex(shown), index);
        EXPECT_EQ(shown.size(), size) << "frame " << index;
        const QByteArray dib = play.FrameDib(5000);
        ASSERT_GE(dib.size(), 40);
        const auto* h = reinterpret_cast<const uchar*>(dib.constData());
        EXPECT_EQ(qFromLittleEndian<qint32>(h + 4), size.width()) << "frame " << index;
        EXPECT_EQ(qFromLittleEndian<qint32>(h + 8), size.height()) << "frame " << index;
    };
    play.setPosition(30);
    expectFrame(30, large);
    play.setPosition(22);
    expectFrame(22, small);
    for (int i = 23; i <= 26; ++i) {
        ASSERT_NO_THROW(play.NextFrame());
        expectFrame(i, i < 25 ? small : large);
    }
    for (int i = 25; i >= 23; --i) {
        ASSERT_NO_THROW(play.PreviousFrame());
        expectFrame(i, i < 25 ? small : large);
    }
}

// A broken header can claim more frames than a count holds: the length stops at the largest
// count instead of wrapping, and the frames that are there can still be reached.
TEST_F(PlayTest, ClaimedLengthBeyondTheFrameCountStopsAtTheLargest) {
    PlayControl play;
    QSignalSpy selection(&play, &PlayControl::SelectionChanged);
    play.setSource(clipPath(QStringLiteral("longclaim.mkv")));
    EXPECT_GT(play.Duration(), 1e8);
    EXPECT_EQ(play.TrackLength(), std::numeric_limits<int>::max());
    ASSERT_TRUE(waitUntil([&] { return !selection.isEmpty(); }, 2000));
    EXPECT_EQ(selection.last().at(1).toInt(), std::numeric_limits<int>::max());
    play.Pause();
    play.setPosition(30);
    EXPECT_EQ(play.Position(), 30);
    EXPECT_EQ(shownIndex(play), 30);
}

namespace {

class LongSoundTest : public PlayTest, public ::testing::WithParamInterface<const char*> {};

} // namespace

// Where the sound runs on past the last picture, the length, End, seeks, steps and play all end
// with that picture: it is shown and captured, and every frame is reached in both directions.
TEST_P(LongSoundTest, LengthEndSeeksAndStepsFollowThePictures) {
    PlayControl play;
    QSignalSpy selection(&play, &PlayControl::SelectionChanged);
    play.setSource(clipPath(QString::fromLatin1(GetParam())));
    play.Pause();
    constexpr int last = kLongSoundFrames - 1;
    EXPECT_EQ(play.TrackLength(), kLongSoundFrames);
    EXPECT_NEAR(play.Duration(), double(kLongSoundFrames) / kClipFps, 0.1);
    ASSERT_TRUE(waitUntil(
        [&] { return !selection.isEmpty() && selection.last().at(1).toInt() == kLongSoundFrames; },
        2000));

    play.SeekEnd();
    EXPECT_EQ(shownIndex(play), last);
    EXPECT_EQ(play.Position(), last);
    expectNoFrame([&] { play.NextFrame(); }, "stepped past the last picture");
    EXPECT_EQ(shownIndex(play), last);
    for (int i = last - 1; i >= 0; --i) {
        ASSERT_NO_THROW(play.PreviousFrame()) << "step back to " << i;
        ASSERT_EQ(shownIndex(play), i);
        ASSERT_EQ(play.Position(), i);
    }
    for (int i = 1; i <= last; ++i) {
        ASSERT_NO_THROW(play.NextFrame()) << "step to " << i;
        ASSERT_EQ(shownIndex(play), i);
        ASSERT_EQ(play.Position(), i);
    }
    EXPECT_THROW(play.NextFrame(), PlayError);

    // A seek beyond the pictures shows the last one; one just inside lands where it was sent.
    for (int frame : {last + 40, last - 3, last}) {
        play.setPosition(frame);
        EXPECT_EQ(shownIndex(play), std::min(frame, last)) << "seek to " << frame;
        EXPECT_EQ(play.Position(), std::min(frame, last)) << "seek to " << frame;
    }

    // Played to its end, the video stops on its last picture.
    play.setPosition(last - 10);
    play.FramePicture(5000);
    play.Run();
    ASSERT_TRUE(waitUntil([&] { return play.State() == 1; }, 5000)) << "did not stop";
    EXPECT_EQ(shownIndex(play), last);
    EXPECT_EQ(play.Position(), last);
}

INSTANTIATE_TEST_SUITE_P(Containers, LongSoundTest,
                         ::testing::Values("longsound.mpg", "longsound.mp4"), [](const auto& p) {
                             std::string n = p.param;
                             std::replace(n.begin(), n.end(), '.', '_');
                             return n;
                         });

// A wait on the engine ends at once when the user leaves it: the source dropped (Cancel URL),
// another video chosen, or the window closed; the step then fails and the control serves what
// came after.
TEST_F(PlayTest, AWaitOnTheEngineEndsWhenTheUserLeavesIt) {
    for (const char* leave : {"drop", "another", "close"}) {
        SCOPED_TRACE(leave);
        PlayControl play;
        showLongGopPausedAt(play, 80);
        ASSERT_EQ(shownIndex(play), 80);
        // Every picture now takes seconds, so the step back below waits most of a minute.
        ASSERT_TRUE(slowDown(play, 0.02));
        play.FramePicture(5000);
        QElapsedTimer clock;
        qint64 left = -1;
        // Measured from the end of the user's action: a new video's own load comes first.
        QTimer::singleShot(300, &play, [&] {
            if (std::strcmp(leave, "drop") == 0)
                play.setSource(QString());
            else if (std::strcmp(leave, "another") == 0)
                play.setSource(clipPath(QStringLiteral("clip.mpg")));
            else
                play.hide();
            left = clock.elapsed();
        });
        clock.start();
        EXPECT_THROW(play.PreviousFrame(), PlayError);
        ASSERT_GE(left, 0) << "the step did not wait";
        EXPECT_LT(clock.elapsed() - left, 1000) << "the wait went on after the user left";
        if (std::strcmp(leave, "another") == 0) {
            EXPECT_EQ(play.Source(), clipPath(QStringLiteral("clip.mpg")));
        } else if (std::strcmp(leave, "drop") == 0) {
            EXPECT_EQ(play.SourceKind(), 0);
        }
    }
}
