#include "capturedesk.h"

#include "widgets/elastic.h"
#include "widgets/label.h"
#include "widgets/picturebox.h"

#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

class DragTest : public CaptureDeskTest {
protected:
    // Drags with `button` (X numbering: 1 left, 3 right) from a point of `grip` by `by`, lets go,
    // then moves the pointer on. The window must follow the drag and stay where it was let go.
    void dragAndLetGo(QWidget* grip, int button, QPoint by) {
        QWidget* window = grip->window();
        const XWindow id = xwindow(window);
        const QPoint start = frameGeometry(id).topLeft();
        // Where the window system has the window, which Qt may not know yet.
        const QPoint at = clientGeometry(id).topLeft() +
                          grip->mapTo(window, QPoint(grip->width() / 2, grip->height() / 2));
        const QString b = QString::number(button);
        ASSERT_TRUE(moveTo(at));
        pumpFor(100);
        ASSERT_TRUE(xdotool({"mousedown", b}));
        pumpFor(150);
        for (int step = 1; step <= 4; ++step) {
            const QPoint p = at + by * step / 4;
            ASSERT_TRUE(moveTo(p));
            pumpFor(60);
        }
        const QPoint dropped = start + by;
        EXPECT_TRUE(waitFor([&] { return frameGeometry(id).topLeft() == dropped; }, 5000))
            << "the window did not follow the drag: at " << frameGeometry(id).x() << ","
            << frameGeometry(id).y() << " for " << dropped.x() << "," << dropped.y();
        ASSERT_TRUE(xdotool({"mouseup", b}));
        pumpFor(150);
        ASSERT_TRUE(xdotool({"mousemove_relative", "--", "-70", "50"}));
        pumpFor(150);
        ASSERT_TRUE(xdotool({"mousemove_relative", "--", "-40", "30"}));
        pumpFor(300);
        EXPECT_EQ(frameGeometry(id).topLeft(), dropped)
            << "the window went on following the pointer after button " << button << " was let go";
    }
};

} // namespace

TEST_F(DragTest, TheMainWindowFollowsAnyButtonOnItsSkinAndStatusLineUntilThatButtonIsLetGo) {
    // A point of the skin beside the video area, and the status line.
    QWidget grip(main.Elastic1);
    grip.setAttribute(Qt::WA_TransparentForMouseEvents);
    grip.setGeometry(10, main.height() / 2, 20, 20);
    grip.show();
    for (int button : {3, 1}) {
        SCOPED_TRACE(button);
        dragAndLetGo(&grip, button, QPoint(80, 60));
        dragAndLetGo(main.LblHide, button, QPoint(-60, 40));
    }
}

TEST_F(DragTest, TheViewerFollowsAnyButtonOnItsPictureUntilThatButtonIsLetGo) {
    Viewer* viewer = showCaptureOf(QSize(200, 150));
    ASSERT_NE(viewer, nullptr);
    for (int button : {3, 2, 1}) {
        SCOPED_TRACE(button);
        dragAndLetGo(viewer->ClipPic, button, QPoint(50, 70));
    }
}
