#include "capturedesk.h"

#include "app/errfrm.h"
#include "app/videolist.h"
#include "dialogs/dialogprovider.h"
#include "printer/printer.h"

#include <QApplication>
#include <QFileDialog>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

std::string describe(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .toStdString();
}

// Frames as the window system has them once they stop moving.
QRect settledFrame(XWindow id) {
    QRect last;
    waitFor(
        [&] {
            const QRect now = frameGeometry(id);
            const bool same = now == last;
            last = now;
            return same;
        },
        5000);
    pumpFor(200);
    return frameGeometry(id);
}

class OnScreenTest : public CaptureDeskTest {
protected:
    // Puts the window's frame at that place, as the user would drag it there. Each move waits
    // for the manager's answer before the next one corrects it.
    void placeFrame(QWidget* window, QPoint frameAt) {
        const XWindow id = xwindow(window);
        for (int attempt = 0; attempt < 3 && frameGeometry(id).topLeft() != frameAt; ++attempt) {
            const QPoint from = frameGeometry(id).topLeft();
            window->move(window->pos() + frameAt - from);
            waitFor([&] { return frameGeometry(id).topLeft() != from; }, 5000);
            settledFrame(id);
        }
    }

    // Each modal window that comes up is closed once shown; its frame is kept by its class.
    struct FramesOfModals {
        ModalAnswerer answerer{[this](QWidget* w) {
            EXPECT_TRUE(waitUntilManaged(w));
            const QString kind = QString::fromLatin1(w->metaObject()->className());
            frames[kind] = settledFrame(xwindow(w));
            if (auto* dialog = qobject_cast<QFileDialog*>(w))
                dialog->reject();
            else
                closeLikeWindowManager(w);
        }};
        QMap<QString, QRect> frames;
    };

    static void expectOnWorkArea(const QString& what, const QRect& frame) {
        const QRect area = workArea();
        ASSERT_TRUE(area.isValid());
        ASSERT_TRUE(frame.isValid()) << what.toStdString() << " was not seen";
        EXPECT_TRUE(area.contains(frame))
            << what.toStdString() << " at " << describe(frame) << " off " << describe(area);
    }
};

} // namespace

TEST_F(OnScreenTest, ThePrintErrorOfAViewerAtTheTopRightStaysOnTheScreen) {
    Viewer* viewer = showCaptureOf(QSize(200, 150));
    ASSERT_NE(viewer, nullptr);
    const QRect area = workArea();
    const XWindow id = xwindow(viewer);
    placeFrame(viewer, QPoint(area.right() + 1 - frameGeometry(id).width(), area.top()));
    ASSERT_EQ(frameGeometry(id).topRight(), QPoint(area.right(), area.top()));

    // Printing to a place that cannot be written fails as a missing printer does.
    QTemporaryDir dir;
    Printer::setPdfOutput(dir.filePath("no/such/folder/page.pdf"));
    FramesOfModals modals;
    viewer->PrintMe();
    Printer::setPdfOutput(QString());
    Printer::reset();
    ASSERT_TRUE(modals.frames.contains("korimo::ErrFrm"));
    expectOnWorkArea("the print error", modals.frames.value("korimo::ErrFrm"));
}

// The main window dragged partly off the right edge: each window centred on it stays on the
// screen.
TEST_F(OnScreenTest, WindowsCentredOnAMainWindowPartlyOffTheScreenStayOnIt) {
    openPaused();
    const QRect area = workArea();
    placeFrame(&main, QPoint(area.right() - main.width() / 3, area.bottom() - main.height() / 3));
    ASSERT_GT(frameGeometry(xwindow(&main)).right(), area.right());

    FramesOfModals modals;
    ShowMessage(&main, QStringLiteral("Error!"), QStringLiteral("A message of the main window."));
    main.Cmds_Click(2); // address
    main.Cmds_Click(8); // options
    // The save dialog, with its automatic names off.
    setDialogProvider(nullptr);
    VidBAS::g_AutoSave = false;
    Viewer* viewer = capture();
    ASSERT_NE(viewer, nullptr);
    main.Cmd2_Click(5);
    setDialogProvider(&dialogs);
    Tools::loaded()->Cmd2_Click(0); // the resize dialog
    for (const char* kind :
         {"korimo::ErrFrm", "korimo::URLFrm", "korimo::Options", "QFileDialog", "korimo::Resize"}) {
        SCOPED_TRACE(kind);
        expectOnWorkArea(QString::fromLatin1(kind), modals.frames.value(QString::fromLatin1(kind)));
    }

    main.Cmds_Click(1);
    auto* list = Form::Loaded<VideoList>();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(waitUntilManaged(list));
    expectOnWorkArea("the video list", settledFrame(xwindow(list)));
}

// A wide capture turned on its side grows taller than the screen: the viewer stays on the
// screen with its tool window below the picture.
TEST_F(OnScreenTest, AViewerThatGrowsWithARotateStaysOnTheScreenWithItsToolWindow) {
    Viewer* viewer = showCaptureOf(QSize(1280, 720) * 3 / 4);
    ASSERT_NE(viewer, nullptr);
    Tools* tools = Tools::loaded();
    ASSERT_NE(tools, nullptr);
    const QRect area = workArea();
    const XWindow id = xwindow(viewer);
    placeFrame(viewer, QPoint(area.left() + 40, area.top() + 120));

    tools->Cmd2_Click(2); // rotate
    const QRect v = settledFrame(id);
    ASSERT_GT(v.height(), v.width()) << "the rotated picture did not turn the window";
    expectOnWorkArea("the viewer", v);
    const QRect t = settledFrame(xwindow(tools));
    expectOnWorkArea("the tool window", t);
    EXPECT_GT(t.top(), v.bottom())
        << "the tool window lies on the picture: " << describe(t) << " over " << describe(v);
}
