#include "play/mpvsession.h"
#include "play/playcontrol.h"
#include "playmedia.h"
#include "playtestutil.h"
#include <QCoreApplication>

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

// How long the calling thread has stood ready to run without a CPU, in ms; -1 when unknown.
qint64 readyMs() {
    QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // On the CPU, waiting for one, time slices: all in nanoseconds but the last.
    const QList<QByteArray> fields = stat.readAll().simplified().split(' ');
    bool ok = false;
    const qint64 waited = fields.size() >= 2 ? fields[1].toLongLong(&ok) : 0;
    return ok ? waited / 1000000 : -1;
}

bool nearColour(QRgb a, QRgb b, int tolerance = 24) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The widget's own painting, once the render thread has delivered a frame at the size the
// picture is shown at (until then the last frame is scaled into place) that `settled` accepts.
QImage paintedArea(PlayControl& play, QSize shown,
                   const std::function<bool(const QImage&)>& settled = {}) {
    EXPECT_TRUE(waitUntil(
        [&] {
            const QImage f = play.session()->lastFrame();
            return f.size() == shown && (!settled || settled(f));
        },
        3000))
        << "no frame rendered at " << shown.width() << "x" << shown.height();
    return play.grab().toImage();
}

} // namespace

TEST_F(PlayTest, SizeModesPlaceThePicture) {
    PlayControl play;
    play.resize(640, 300);
    play.setSource(clipPath(QStringLiteral("lossless.avi")));
    play.Pause();
    play.setPosition(0); // index 0: the top band is all dark, the pattern below it varies
    const QImage frame = play.FramePicture(5000);

    EXPECT_THROW(play.setSizeMode(3), PlayError);

    play.setSizeMode(2); // the video's own size, centred: 160 px of black either side
    QImage shot = paintedArea(play, QSize(kClipWidth, kClipHeight));
    const QPoint origin((640 - kClipWidth) / 2, (300 - kClipHeight) / 2);
    EXPECT_EQ(shot.pixel(origin.x() - 2, 150) & 0xffffff, 0u);
    EXPECT_EQ(shot.pixel(origin.x() + kClipWidth + 2, 150) & 0xffffff, 0u);
    for (QPoint p : {QPoint(5, 100), QPoint(300, 200), QPoint(kClipWidth - 1, kClipHeight - 1)})
        EXPECT_EQ(shot.pixel(origin + p), frame.pixel(p));

    play.setSizeMode(1); // stretched over the whole area
    // The engine may take the stretch a frame after the new size, drawn letterboxed till then.
    shot = paintedArea(play, QSize(640, 300), [](const QImage& f) {
        return !nearColour(f.pixel(0, 299), qRgb(0, 0, 0), 4) &&
               !nearColour(f.pixel(639, 299), qRgb(0, 0, 0), 4);
    });
    for (QPoint p : {QPoint(0, 299), QPoint(639, 299), QPoint(639, 200)})
        EXPECT_FALSE(nearColour(shot.pixel(p), qRgb(0, 0, 0), 4)) << p.x() << "," << p.y();
    EXPECT_TRUE(nearColour(shot.pixel(639, 299), frame.pixel(kClipWidth - 1, kClipHeight - 1)));

    play.setSizeMode(0); // fit: 400 x 300 keeps 4:3, bars of 120 px left and right
    shot = paintedArea(play, QSize(400, 300));
    EXPECT_TRUE(nearColour(shot.pixel(110, 150), qRgb(0, 0, 0), 4));
    EXPECT_TRUE(nearColour(shot.pixel(530, 150), qRgb(0, 0, 0), 4));
    EXPECT_TRUE(nearColour(shot.pixel(125, 290), frame.pixel(4, 232)));
    EXPECT_TRUE(nearColour(shot.pixel(515, 290), frame.pixel(316, 232)));

    play.ResetSource();
    shot = play.grab().toImage();
    EXPECT_EQ(shot.pixel(320, 150) & 0xffffff, 0u);
}

// A timer on the GUI thread must keep ticking while a clip plays, loops and repaints. What
// counts is the time the thread was kept from it by the program (working, or waiting on a lock
// or the engine), not the time it stood ready while the machine's other work had every core:
// the kernel counts the latter for each thread.
TEST_F(PlayTest, GuiThreadIsNeverBlockedDuringPlayback) {
    PlayControl play;
    play.resize(320, 240);
    play.show();
    play.setPlayCount(0);
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 lastReady = 0;
    qint64 worst = 0;
    qint64 worstGap = 0;
    qint64 worstReady = 0;
    int stalls = 0; // gaps over 100 ms
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const qint64 ready = readyMs();
        if (last >= 0) {
            const qint64 own = (now - last) - (ready - lastReady);
            if (own > worst) {
                worst = own;
                worstGap = now - last;
                worstReady = ready - lastReady;
            }
            stalls += own > 100;
        }
        last = now;
        lastReady = ready;
    });
    play.setSource(clipPath(QStringLiteral("clip.mpg")));
    play.setSelectionEnd(1.0);
    ASSERT_GE(readyMs(), 0) << "the kernel does not count a thread's wait for a CPU";
    clock.start();
    tick.start();
    play.Run();
    QElapsedTimer run;
    run.start();
    int frames = 0;
    int previous = -1;
    while (run.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (play.Position() != previous) {
            previous = play.Position();
            ++frames;
        }
    }
    tick.stop();
    EXPECT_GT(frames, 30) << "it did not play";
    EXPECT_EQ(stalls, 0) << "longest hold-up: " << worst << " ms of a gap of " << worstGap
                         << " ms between timer ticks, " << worstReady
                         << " ms of it waiting for a CPU";
}
