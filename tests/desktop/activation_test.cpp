#include "capturedesk.h"

#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QThread>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

class ActivationTest : public CaptureDeskTest {
protected:
    // The caption button "[]" clicked by the user's mouse, wherever it is now.
    void clickMaximise() { ASSERT_TRUE(clickAt(screenRect(main.LblCmds[1]).center())); }
    // Waits without letting the program handle any event until the manager has put the window
    // on screen.
    static bool onScreenUnseen(XWindow id) {
        for (int tries = 0; tries < 500; ++tries) {
            if (stackingOrder().contains(id) && !frameGeometry(id).isEmpty() &&
                !windowState(id).contains(QStringLiteral("_NET_WM_STATE_HIDDEN")))
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    bool maximised() {
        return windowState(xwindow(&main)).contains("_NET_WM_STATE_MAXIMIZED_HORZ");
    }

    // The main window is the active one, and a real arrow key steps the paused video.
    void expectKeysStepTheVideo() {
        const XWindow mainId = xwindow(&main);
        EXPECT_TRUE(waitFor([&] { return activeWindow() == mainId; }, 5000))
            << "the active window is " << activeWindow() << ", not the main window " << mainId;
        pumpFor(400);
        EXPECT_EQ(activeWindow(), mainId);
        const int before = main.MMPlay->Position();
        ASSERT_TRUE(xdotool({"key", "Right"}));
        EXPECT_TRUE(waitFor([&] { return main.MMPlay->Position() == before + 1; }, 10000))
            << "the arrow key did not step the video";
    }

    // Puts the viewer and its tool window at the bottom left of the screen, clear of the main
    // window's caption buttons.
    void moveCaptureWindowsAside(Viewer* viewer) {
        const QRect area = workArea();
        const int height = frameGeometry(xwindow(viewer)).height();
        viewer->move(area.left(), area.bottom() + 1 - height);
        Tools* tools = Tools::loaded();
        if (tools)
            tools->move(area.left() + frameGeometry(xwindow(viewer)).width() + 20,
                        area.bottom() + 1 - height);
        const QRect caption = screenRect(main.LblCmds[1]);
        EXPECT_TRUE(waitFor([&] {
            return !frameGeometry(xwindow(viewer)).intersects(caption) &&
                   (!tools || !frameGeometry(xwindow(tools)).intersects(caption));
        }));
        pumpFor(400);
    }
};

} // namespace

TEST_F(ActivationTest, AfterMaximiseAndRestoreWithACaptureOpenTheMainWindowKeepsTheKeys) {
    openPaused();
    Viewer* viewer = capture();
    ASSERT_NE(viewer, nullptr);
    ASSERT_NE(Tools::loaded(), nullptr);
    moveCaptureWindowsAside(viewer);
    expectKeysStepTheVideo();

    const QSize design = main.size();
    clickMaximise();
    ASSERT_TRUE(waitFor([&] { return maximised() && main.size() != design; }));
    expectKeysStepTheVideo();
    clickMaximise();
    ASSERT_TRUE(waitFor([&] { return !maximised() && main.size() == design; }));
    expectKeysStepTheVideo();
    EXPECT_TRUE(Tools::loaded()->isVisible());
}

// The capture asks for the main window back while its viewer is still on its way to the screen;
// the user activates the viewer before the program has seen it appear. The old request is met
// already and must not take the activation from the user.
TEST_F(ActivationTest, AViewerTheUserActivatesBeforeTheProgramSeesItAppearStaysActive) {
    openPaused();
    ASSERT_TRUE(waitUntilActive(&main));
    main.Cmd2_Click(4);
    Viewer* viewer = findViewer(Viewer::First);
    ASSERT_NE(viewer, nullptr);
    const XWindow id = xwindow(viewer);
    ASSERT_TRUE(onScreenUnseen(id));
    ASSERT_TRUE(xdotool({"windowactivate", "--sync", QString::number(id)}));
    pumpFor(1000);
    EXPECT_EQ(activeWindow(), id) << "the main window " << xwindow(&main) << " took it back";
}
