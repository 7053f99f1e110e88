#include "screenpixels.h"
#include "windowsystem.h"

#include "app/main_form.h"
#include "app/mainwindowtest.h"
#include "play/playcontrol.h"
#include "support/waiting.h"
#include "widgets/elastic.h"
#include "widgets/label.h"

#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

const QRgb kGold = qRgb(226, 199, 90);

// Where, along the ring of pixels just outside the video area, the screen does not show the
// skin's gold frame; empty when the frame hugs the video all round.
QStringList gapsInFrame(const QImage& shot, const QRect& video) {
    QStringList gaps;
    auto check = [&](int x, int y, const char* side) {
        if (!shot.valid(x, y) || shot.pixel(x, y) != kGold)
            gaps << QStringLiteral("%1 at %2,%3").arg(QLatin1String(side)).arg(x).arg(y);
    };
    for (int x = video.left(); x <= video.right(); ++x) {
        check(x, video.top() - 1, "top");
        check(x, video.bottom() + 1, "bottom");
    }
    for (int y = video.top(); y <= video.bottom(); ++y) {
        check(video.left() - 1, y, "left");
        check(video.right() + 1, y, "right");
    }
    return gaps;
}

using VideoFrameTest = MainWindowTest;

} // namespace

// The gold frame of the skin lies right around the video area, restored and maximised: the
// video covers none of it and overhangs it nowhere.
TEST_F(VideoFrameTest, SkinFrameHugsTheVideoAreaAtBothSizes) {
    ASSERT_TRUE(waitUntilManaged(&main));
    const QSize design = main.size();
    for (const char* state : {"restored", "maximised"}) {
        if (QLatin1String(state) == QLatin1String("maximised")) {
            const QPoint at =
                clientGeometry(xwindow(&main)).topLeft() + main.LblCmds[1]->geometry().center();
            ASSERT_TRUE(clickAt(at));
            ASSERT_TRUE(waitFor([&] {
                return main.size() != design &&
                       clientGeometry(xwindow(&main)).size() == main.size() &&
                       main.Elastic1->size() == main.size();
            }));
        }
        ASSERT_TRUE(moveTo(QPoint(0, 0)));
        pumpFor(300);
        const QRect window = clientGeometry(xwindow(&main));
        const QImage shot = grabScreen(window);
        keepScreenshot(shot, QStringLiteral("video-frame-%1").arg(QLatin1String(state)));
        const QRect video(main.MMPlay->mapTo(&main, QPoint(0, 0)), main.MMPlay->size());
        const QStringList gaps = gapsInFrame(shot, video);
        EXPECT_TRUE(gaps.isEmpty()) << state << ": " << gaps.size() << " pixels, first "
                                    << gaps.mid(0, 4).join(QStringLiteral("; ")).toStdString();
    }
}
