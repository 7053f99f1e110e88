#include "capturedesk.h"

#include "app/videolist.h"
#include "controls/button_xp.h"
#include "dialogs/dialogprovider.h"
#include "printer/printer.h"
#include "support/urlcatcher.h"
#include "widgets/elastic.h"
#include "widgets/hslider.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

// Counts the arrow keys that reach a control.
class ArrowKeys : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Right || key == Qt::Key_Left)
                ++count;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Every button of the transport strip and the toolbar clicked as the user does, with the mouse;
// after each action the arrow keys step the video.
class ClickFocusTest : public CaptureDeskTest {
protected:
    void SetUp() override {
        CaptureDeskTest::SetUp();
        main.trkPosition->installEventFilter(&m_arrows);
    }

    // Clicks the control with the mouse, wherever the window system has it.
    void click(const QWidget* control) {
        ASSERT_TRUE(control->isVisible() && control->isEnabled()) << name(control);
        ASSERT_TRUE(clickAt(screenRect(control).center()));
    }

    // After the click the main window is the active one and an arrow key reaches its position
    // slider; while the video is paused the key steps it one frame that way.
    void expectArrowStepsTheVideo(const QWidget* clicked, const char* key = "Right") {
        SCOPED_TRACE(name(clicked));
        const XWindow mainId = xwindow(&main);
        EXPECT_TRUE(waitFor([&] { return activeWindow() == mainId; }, 5000))
            << "the active window is " << activeWindow() << ", not the main window " << mainId;
        // The click and whatever it opened have been handled.
        pumpFor(300);
        EXPECT_EQ(main.focusWidget(), main.trkPosition)
            << "the focus is on " << name(main.focusWidget());
        const bool paused = main.MMPlay->State() == 2;
        const int before = main.MMPlay->Position();
        const int arrows = m_arrows.count;
        ASSERT_TRUE(xdotool({"key", key}));
        EXPECT_TRUE(waitFor([&] { return m_arrows.count > arrows; }, 5000))
            << "the arrow key did not reach the position slider";
        if (paused) {
            const int step = QByteArray(key) == "Right" ? 1 : -1;
            EXPECT_TRUE(waitFor([&] { return main.MMPlay->Position() == before + step; }, 10000))
                << "the video is at frame " << main.MMPlay->Position() << ", not " << before + step;
        }
    }

    void clickAndStep(const QWidget* control, const char* key = "Right") {
        click(control);
        expectArrowStepsTheVideo(control, key);
    }

    // Puts the viewer in the bottom left corner of the screen, out of the way of the main
    // window's buttons, and waits until neither it nor its tool window, which follows it there,
    // lies over any of them.
    void moveCaptureWindowsAside(Viewer* viewer) {
        const QRect area = workArea();
        const XWindow id = xwindow(viewer);
        viewer->move(area.left(), area.bottom() + 1 - frameGeometry(id).height());
        QList<QRect> buttons;
        for (const QWidget* b : main.Elastic1->findChildren<Button_XP*>())
            buttons << screenRect(b);
        const auto clear = [&](const QWidget* w) {
            const QRect frame = frameGeometry(xwindow(w));
            return std::none_of(buttons.begin(), buttons.end(),
                                [&](const QRect& b) { return frame.intersects(b); });
        };
        EXPECT_TRUE(waitFor(
            [&] {
                const Tools* tools = Tools::loaded();
                return clear(viewer) && (!tools || clear(tools));
            },
            10000));
        pumpFor(300);
    }

    static std::string name(const QWidget* w) {
        if (!w)
            return "nothing";
        return (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                          : w->objectName())
            .toStdString();
    }

    ArrowKeys m_arrows;
};

} // namespace

TEST_F(ClickFocusTest, AfterStepsSwitchesMarksAndSeeksTheArrowKeysStepTheVideo) {
    openPaused();
    ASSERT_TRUE(xdotool({"mousemove", "3", "3"}));
    clickAndStep(main.Cmd2[3]); // next frame
    clickAndStep(main.Cmd2[2]); // previous frame
    for (int i : {6, 7, 8})     // sound, automatic rewind, loop
        clickAndStep(main.Cmd2[i]);
    clickAndStep(main.btnSelStart); // marks the start
    clickAndStep(main.btnSelEnd);   // marks the end
    clickAndStep(main.btnSelEnd);   // clears both
    clickAndStep(main.btnEnd, "Left");
    clickAndStep(main.btnStart);
}

TEST_F(ClickFocusTest, AfterPlayPauseCaptureAndSavesTheArrowKeysStepTheVideo) {
    openPaused();
    clickAndStep(main.Cmd2[0]); // play
    clickAndStep(main.Cmd2[1]); // pause
    ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 2; }));

    click(main.Cmd2[4]); // capture
    ASSERT_TRUE(waitFor([] { return findViewer(Viewer::First) != nullptr; }));
    Viewer* viewer = findViewer(Viewer::First);
    ASSERT_TRUE(waitUntilManaged(viewer));
    ASSERT_TRUE(waitUntilManaged(Tools::loaded()));
    expectArrowStepsTheVideo(main.Cmd2[4]);
    moveCaptureWindowsAside(viewer);

    QTemporaryDir dir;
    VidBAS::g_AutoSave = true;
    VidBAS::g_SpecialFolder = true;
    VidBAS::g_Folder = dir.path();
    clickAndStep(main.Cmd2[5]); // saved under an automatic name
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("auto1.bmp")));

    // The save dialog, cancelled by the user with Escape.
    VidBAS::g_AutoSave = false;
    setDialogProvider(nullptr);
    bool cancelled = false;
    {
        ModalAnswerer escape([&](QWidget* w) {
            if (!qobject_cast<QFileDialog*>(w) || cancelled)
                return;
            cancelled = true;
            ASSERT_TRUE(waitUntilActive(w));
            ASSERT_TRUE(xdotool({"key", "Escape"}));
        });
        click(main.Cmd2[5]);
        EXPECT_TRUE(waitFor([&] { return cancelled && !QApplication::activeModalWidget(); }));
    }
    setDialogProvider(&dialogs);
    EXPECT_TRUE(cancelled);
    expectArrowStepsTheVideo(main.Cmd2[5]);
}

TEST_F(ClickFocusTest, AfterAFailedFrameStepTheArrowKeysReachThePositionSlider) {
    // Nothing is loaded: the step fails with a message, which the user closes.
    ModalAnswerer closer([](QWidget* w) {
        EXPECT_TRUE(waitUntilManaged(w));
        closeLikeWindowManager(w);
    });
    click(main.Cmd2[3]);
    EXPECT_TRUE(
        waitFor([&] { return closer.answered() == 1 && !QApplication::activeModalWidget(); }));
    expectArrowStepsTheVideo(main.Cmd2[3]);
}

TEST_F(ClickFocusTest, AfterEachToolbarActionTheArrowKeysStepTheVideo) {
    dialogs.openAnswer = {clipPath("lossless.avi")};
    click(main.Cmds[0]); // open
    ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 3; }));
    expectArrowStepsTheVideo(main.Cmds[0]);
    main.Cmd2_Click(1);
    ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 2; }));
    for (int i : {9, 4, 5}) // fit, stretch, normal
        clickAndStep(main.Cmds[i]);

    UrlCatcher help;
    QDesktopServices::setUrlHandler("file", &help, "open");
    clickAndStep(main.Cmds[3]);
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_EQ(help.urls.size(), 1);

    // The address and options dialogs, closed by the user.
    {
        ModalAnswerer closer([](QWidget* w) {
            EXPECT_TRUE(waitUntilActive(w));
            closeLikeWindowManager(w);
        });
        for (int i : {2, 8}) {
            click(main.Cmds[i]);
            EXPECT_TRUE(waitFor([&] { return !QApplication::activeModalWidget(); }));
            expectArrowStepsTheVideo(main.Cmds[i]);
        }
        EXPECT_EQ(closer.answered(), 2);
    }
    // Play stopped for the address dialog; the capture wants a frame shown.
    main.Cmd2_Click(1);
    ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 3; }));
    main.Cmd2_Click(1);
    ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 2; }));

    Viewer* viewer = capture();
    ASSERT_NE(viewer, nullptr);
    moveCaptureWindowsAside(viewer);
    QTemporaryDir dir;
    Printer::setPdfOutput(dir.filePath("page.pdf"));
    clickAndStep(main.Cmds[6]); // print
    Printer::setPdfOutput(QString());
    Printer::reset();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("page.pdf")));

    // The list keeps the activation, for its names; back in the main window the keys step.
    click(main.Cmds[1]);
    VideoList* list = nullptr;
    ASSERT_TRUE(waitFor([&] { return (list = Form::Loaded<VideoList>()) != nullptr; }));
    ASSERT_TRUE(waitUntilActive(list));
    pumpFor(300);
    EXPECT_EQ(main.focusWidget(), main.trkPosition) << name(main.focusWidget());
    ASSERT_TRUE(xdotool({"windowactivate", QString::number(xwindow(&main))}));
    expectArrowStepsTheVideo(main.Cmds[1]);
}
