#include "play/playcontrol.h"
#include "playmedia.h"
#include "playtestutil.h"
#include "widgets/hslider.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

// As phones record: 3 s at 24 pictures a second, then 3 s at 60.
constexpr int kSlowPictures = 72;
constexpr int kPictures = kSlowPictures + 180;

QString makeVariableRateClip(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("phone.mov"));
    QByteArray raw;
    for (int i = 0; i < kPictures; ++i) {
        const QImage f = sourceFrame(i).convertToFormat(QImage::Format_BGR888);
        for (int y = 0; y < kClipHeight; ++y)
            raw.append(reinterpret_cast<const char*>(f.constScanLine(y)), kClipWidth * 3);
    }
    QProcess ff;
    ff.start(
        QStringLiteral("ffmpeg"),
        {"-y",
         "-v",
         "error",
         "-f",
         "rawvideo",
         "-pix_fmt",
         "bgr24",
         "-s",
         QStringLiteral("%1x%2").arg(kClipWidth).arg(kClipHeight),
         "-r",
         "60",
         "-i",
         "-",
         "-vf",
         QStringLiteral("settb=1/120,setpts='if(lt(N,%1),N/24,3+(N-%1)/60)/TB'").arg(kSlowPictures),
         "-fps_mode",
         "vfr",
         "-c:v",
         "libx264",
         "-preset",
         "veryfast",
         "-crf",
         "18",
         "-pix_fmt",
         "yuv420p",
         "-g",
         "12",
         "-f",
         "mov",
         path});
    if (!ff.waitForStarted(10000))
        return {};
    ff.write(raw);
    ff.closeWriteChannel();
    if (!ff.waitForFinished(120000) || ff.exitCode() != 0)
        return {};
    return path;
}

} // namespace

// Where the frame rate changes mid-file, positions count pictures, not the average rate: the
// length is the number of pictures, every picture is one slider step from the next, the Right
// arrow on the slider shows exactly the next one and Position names the picture shown.
TEST_F(PlayTest, OnAVariableRateClipEveryPictureIsOneSliderStepFromTheNext) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString clip = makeVariableRateClip(dir);
    ASSERT_FALSE(clip.isEmpty()) << "ffmpeg could not make the clip";

    PlayControl play;
    play.resize(kClipWidth, kClipHeight);
    play.show();
    HSlider slider;
    QObject::connect(&slider, &HSlider::Scroll, [&] { play.setPosition(slider.Value()); });
    QObject::connect(&play, &PlayControl::Progress, &slider, &HSlider::setValue);
    QSignalSpy selections(&play, &PlayControl::SelectionChanged);
    play.setSource(clip);
    play.Pause();

    // The picture times are read beside the engine; once they are in, the selection is counted
    // again in pictures: 3 s is picture 72 (the average rate would make it 126).
    play.setSelectionEnd(3.0);
    EXPECT_TRUE(waitUntil(
        [&] { return !selections.isEmpty() && selections.last().at(1).toInt() == kSlowPictures; },
        10000))
        << "the selection end at 3 s stayed at picture "
        << (selections.isEmpty() ? -1 : selections.last().at(1).toInt());
    play.setSelectionEnd(play.Duration());
    EXPECT_TRUE(waitUntil(
        [&] { return !selections.isEmpty() && selections.last().at(1).toInt() == kPictures; },
        3000));
    EXPECT_EQ(play.TrackLength(), kPictures);
    slider.setMax(play.TrackLength());

    QTest::keyClick(&slider, Qt::Key_Home);
    ASSERT_EQ(shownIndex(play), 0);
    for (int i = 1; i < kPictures; ++i) {
        QTest::keyClick(&slider, Qt::Key_Right);
        ASSERT_EQ(slider.Value(), i);
        ASSERT_EQ(shownIndex(play), i) << "Right arrow to slider value " << i;
        ASSERT_EQ(play.Position(), i);
    }
    for (int i = kPictures - 2; i >= kPictures - 6; --i) {
        QTest::keyClick(&slider, Qt::Key_Left);
        ASSERT_EQ(shownIndex(play), i) << "Left arrow to slider value " << i;
        ASSERT_EQ(play.Position(), i);
    }

    // Marks are taken at the picture shown and come back as its slider step.
    play.setPosition(200);
    ASSERT_EQ(shownIndex(play), 200);
    play.MarkSelectionStart();
    ASSERT_TRUE(waitUntil(
        [&] { return !selections.isEmpty() && selections.last().at(0).toInt() == 200; }, 3000));
    play.setPosition(kSlowPictures - 1);
    ASSERT_EQ(shownIndex(play), kSlowPictures - 1);
    EXPECT_EQ(play.Position(), kSlowPictures - 1);
}
