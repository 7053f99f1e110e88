#include "capturedesk.h"

#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

class ToolPlacementTest : public CaptureDeskTest {
protected:
    // Waits for the tool window to settle where it belongs and returns both frames.
    std::pair<QRect, QRect> framesOnceSettled(Viewer* viewer) {
        Tools* tools = Tools::loaded();
        EXPECT_NE(tools, nullptr);
        if (!viewer || !tools)
            return {};
        const XWindow v = xwindow(viewer), t = xwindow(tools);
        // Settled: the same frames at two looks apart.
        QRect lastViewer, lastTools;
        waitFor(
            [&] {
                const QRect fv = frameGeometry(v), ft = frameGeometry(t);
                const bool same = fv == lastViewer && ft == lastTools;
                lastViewer = fv;
                lastTools = ft;
                return same;
            },
            5000);
        pumpFor(300);
        return {frameGeometry(v), frameGeometry(t)};
    }

    static void expectOnWorkArea(const QRect& frame) {
        const QRect area = workArea();
        ASSERT_TRUE(area.isValid());
        EXPECT_TRUE(area.contains(frame))
            << "frame " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
            << frame.height() << " area " << area.width() << "x" << area.height();
    }
};

} // namespace

TEST_F(ToolPlacementTest, TheToolWindowOpensJustBelowTheViewerCentredUnderIt) {
    openPaused();
    Viewer* viewer = capture();
    ASSERT_NE(viewer, nullptr);
    const auto [v, t] = framesOnceSettled(viewer);
    EXPECT_NEAR(t.top(), v.bottom() + 1 + 1, 1)
        << "viewer " << v.x() << "," << v.y() << " " << v.width() << "x" << v.height() << ", tools "
        << t.x() << "," << t.y();
    EXPECT_NEAR(t.center().x(), v.center().x(), 1);
    expectOnWorkArea(t);

    // The next capture opens a fresh pair, placed the same way.
    main.Cmd2_Click(3);
    Viewer* next = capture();
    ASSERT_NE(next, nullptr);
    const auto [v2, t2] = framesOnceSettled(next);
    EXPECT_NEAR(t2.top(), v2.bottom() + 2, 1);
    EXPECT_NEAR(t2.center().x(), v2.center().x(), 1);
}

TEST_F(ToolPlacementTest, BelowACaptureLargerThanTheScreenTheToolWindowStaysOnTheScreen) {
    const QRect area = workArea();
    Viewer* viewer = showCaptureOf(area.size() + QSize(400, 300));
    ASSERT_NE(viewer, nullptr);
    const auto [v, t] = framesOnceSettled(viewer);
    expectOnWorkArea(t);
    EXPECT_NEAR(t.center().x(), v.center().x(), 1);
}

TEST_F(ToolPlacementTest, UnderASmallCaptureAtTheLeftEdgeTheToolWindowStaysOnTheScreen) {
    QGuiApplication::clipboard()->setImage(framePicture(QSize(64, 48)));
    Viewer* viewer = loadViewer(Viewer::First);
    viewer->move(workArea().left(), 300);
    viewer->Show(0, &main);
    ASSERT_TRUE(waitUntilManaged(viewer));
    const auto [v, t] = framesOnceSettled(viewer);
    ASSERT_LT(v.center().x() - t.width() / 2, workArea().left())
        << "the viewer is not near enough to the edge for the case";
    expectOnWorkArea(t);
    EXPECT_NEAR(t.top(), v.bottom() + 2, 1);
}
