#include "capturedesk.h"
#include "screenpixels.h"

#include "app/videolist.h"
#include "controls/button_xp.h"
#include "printer/printer.h"
#include "widgets/elastic.h"
#include "widgets/label.h"
#include "widgets/picturebox.h"

#include <QTemporaryDir>
#include <QThread>
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

    // A point of the skin beside the video area, where a user takes hold of the main window.
    QPoint skinPoint() {
        return clientGeometry(xwindow(&main)).topLeft() + QPoint(12, main.height() / 2);
    }

    // The user's click on a control, wherever the window system has it now.
    void click(const QWidget* control) {
        ASSERT_TRUE(clickAt(screenRect(control).center()));
        pumpFor(200);
    }

    // The window stays where it is while the pointer moves on after the click.
    void expectStaysAfterClickAt(const QWidget* grip, const QPoint& local) {
        const XWindow id = xwindow(grip);
        const QPoint start = frameGeometry(id).topLeft();
        const QPoint at = clientGeometry(id).topLeft() + grip->mapTo(grip->window(), local);
        ASSERT_TRUE(moveTo(at));
        pumpFor(100);
        // Press and release at once, so the press is handled with the button already up.
        ASSERT_TRUE(xdotool({"mousedown", "1", "mouseup", "1"}));
        pumpFor(300);
        for (int step = 0; step < 3; ++step) {
            ASSERT_TRUE(xdotool({"mousemove_relative", "--", "40", "30"}));
            pumpFor(150);
        }
        EXPECT_EQ(frameGeometry(id).topLeft(), start)
            << "the " << grip->metaObject()->className() << " window followed the pointer after "
            << "a click";
        // Whatever was left running ends with a click of the pointer where it is now.
        ASSERT_TRUE(xdotool({"click", "1"}));
        pumpFor(200);
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

// Whatever the user did last, the window follows the drag from where the button went down.
TEST_F(DragTest, AfterCaptureSavePrintTheListAndMaximiseALeftButtonDragIsExact) {
    openPaused();
    QTemporaryDir dir;
    VidBAS::g_AutoSave = true;
    VidBAS::g_SpecialFolder = true;
    VidBAS::g_Folder = dir.path();
    QWidget grip(main.Elastic1);
    grip.setAttribute(Qt::WA_TransparentForMouseEvents);
    grip.setGeometry(10, main.height() / 2, 20, 20);
    grip.show();
    const auto dragBothWays = [&](const char* after) {
        SCOPED_TRACE(after);
        dragAndLetGo(&grip, 1, QPoint(-100, -50));
        dragAndLetGo(main.LblHide, 1, QPoint(100, 50));
    };

    click(main.Cmd2[4]);
    ASSERT_TRUE(waitFor([] { return findViewer(Viewer::First) != nullptr; }));
    Viewer* viewer = findViewer(Viewer::First);
    ASSERT_TRUE(waitUntilManaged(viewer));
    ASSERT_TRUE(waitUntilManaged(Tools::loaded()));
    keepScreenshot(grabScreen(QRect(QPoint(0, 0), workArea().size())),
                   QStringLiteral("drag-after-capture-before"));
    dragBothWays("capture");
    dragAndLetGo(&grip, 1, QPoint(-60, 40));
    keepScreenshot(grabScreen(QRect(QPoint(0, 0), workArea().size())),
                   QStringLiteral("drag-after-capture-after"));
    dragAndLetGo(&grip, 1, QPoint(60, -40));

    click(main.Cmd2[5]);
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(dir.filePath("auto1.bmp")); }));
    dragBothWays("save");

    Printer::setPdfOutput(dir.filePath("page.pdf"));
    click(main.Cmds[6]);
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(dir.filePath("page.pdf")); }));
    Printer::setPdfOutput(QString());
    Printer::reset();
    dragBothWays("print");

    click(main.Cmds[1]);
    ASSERT_TRUE(waitFor([] { return Form::Loaded<VideoList>() != nullptr; }));
    ASSERT_TRUE(waitUntilManaged(Form::Loaded<VideoList>()));
    dragBothWays("the list");

    // The viewer, kept above the main window, is put out of the way of its caption buttons.
    viewer->move(workArea().left() + 20, workArea().bottom() - viewer->height() - 120);
    ASSERT_TRUE(waitFor(
        [&] { return !frameGeometry(xwindow(viewer)).intersects(screenRect(main.LblCmds[1])); }));
    pumpFor(300);
    const QSize design = main.size();
    click(main.LblCmds[1]);
    ASSERT_TRUE(waitFor([&] { return main.size() != design; }));
    pumpFor(300);
    click(main.LblCmds[1]);
    ASSERT_TRUE(waitFor(
        [&] { return main.size() == design && clientGeometry(xwindow(&main)).size() == design; }));
    pumpFor(300);
    dragBothWays("maximise and restore");
}

TEST_F(DragTest, AClickOnTheSkinOrTheViewersPictureLeavesTheWindowWhereItIs) {
    Viewer* viewer = showCaptureOf(QSize(200, 150));
    ASSERT_NE(viewer, nullptr);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        expectStaysAfterClickAt(main.Elastic1, QPoint(12, main.height() / 2));
        expectStaysAfterClickAt(viewer->ClipPic, QPoint(20, 20));
    }
}

// The pointer moves on before the program handles the press, as on a busy machine: the window
// still follows the whole path from where the button went down.
TEST_F(DragTest, AMoveMadeBeforeThePressIsHandledIsFollowedToo) {
    const XWindow id = xwindow(&main);
    const QPoint start = frameGeometry(id).topLeft();
    const QPoint at = skinPoint();
    const QPoint by(-90, 60);
    ASSERT_TRUE(moveTo(at));
    pumpFor(100);
    ASSERT_TRUE(xdotool({"mousedown", "1"}));
    for (int step = 1; step <= 4; ++step) {
        QThread::msleep(40);
        ASSERT_TRUE(moveTo(at + by * step / 4));
    }
    QThread::msleep(100);
    pumpFor(300);
    // One more move for the manager, now holding the pointer, to act on.
    ASSERT_TRUE(moveTo(at + by + QPoint(1, 0)));
    pumpFor(100);
    ASSERT_TRUE(moveTo(at + by));
    EXPECT_TRUE(waitFor([&] { return frameGeometry(id).topLeft() == start + by; }, 5000))
        << "at " << frameGeometry(id).x() << "," << frameGeometry(id).y() << " for "
        << (start + by).x() << "," << (start + by).y();
    ASSERT_TRUE(xdotool({"mouseup", "1"}));
    pumpFor(200);
}
