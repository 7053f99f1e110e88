#include "capturedesk.h"
#include "screenpixels.h"

#include "app/urlfrm.h"
#include "app/videolist.h"
#include "support/modalanswerer.h"
#include "viewers/resizedialog.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

class WindowFramesTest : public CaptureDeskTest {};

// What the manager made of a window's frame, read once it is framed.
struct Frame {
    QStringList actions;
    bool titleBar = false;
};

Frame frameOf(const QWidget* w) {
    Frame f;
    if (!waitUntilManaged(w))
        return f;
    pumpFor(200); // the manager answers later hints on a framed window too
    const XWindow id = xwindow(w);
    f.actions = allowedActions(id);
    const QRect outer = frameGeometry(id), client = clientGeometry(id);
    f.titleBar = client.top() - outer.top() > client.left() - outer.left();
    return f;
}

// A fixed tool-window frame: a title bar with a close box, moved but never sized, minimised or
// maximised by the user.
void expectFixedToolFrame(const Frame& f, const char* window) {
    EXPECT_TRUE(f.titleBar) << window;
    EXPECT_TRUE(f.actions.contains(QStringLiteral("_NET_WM_ACTION_CLOSE"))) << window;
    EXPECT_TRUE(f.actions.contains(QStringLiteral("_NET_WM_ACTION_MOVE"))) << window;
    for (const char* action : {"_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                               "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_RESIZE"})
        EXPECT_FALSE(f.actions.contains(QString::fromLatin1(action)))
            << window << " offers " << action << ": "
            << f.actions.join(QLatin1Char(' ')).toStdString();
}

} // namespace

TEST_F(WindowFramesTest, ToolWindowsOfferNoMinimiseOrMaximiseWhileTheViewerStaysSizable) {
    openPaused();
    Viewer* viewer = capture();
    ASSERT_NE(viewer, nullptr);
    ASSERT_NE(Tools::loaded(), nullptr);
    expectFixedToolFrame(frameOf(Tools::loaded()), "tool window");
    const QRect toolFrame = frameGeometry(xwindow(Tools::loaded()));
    keepScreenshot(grabScreen(toolFrame.adjusted(-4, -4, 4, 4)),
                   QStringLiteral("tool-window-frame"));

    main.Cmds_Click(1);
    auto* list = Form::Loaded<VideoList>();
    ASSERT_NE(list, nullptr);
    expectFixedToolFrame(frameOf(list), "video list");

    QMap<QString, Frame> modals;
    ModalAnswerer answerer([&](QWidget* w) {
        modals[QString::fromLatin1(w->metaObject()->className())] = frameOf(w);
        closeLikeWindowManager(w);
    });
    main.Cmds_Click(2);             // address dialog
    Tools::loaded()->Cmd2_Click(0); // resize dialog
    for (const char* kind : {"korimo::URLFrm", "korimo::Resize"}) {
        ASSERT_TRUE(modals.contains(QString::fromLatin1(kind))) << kind;
        expectFixedToolFrame(modals.value(QString::fromLatin1(kind)), kind);
    }

    // The viewer's is a standard sizable frame.
    const Frame sizable = frameOf(viewer);
    for (const char* action :
         {"_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_RESIZE"})
        EXPECT_TRUE(sizable.actions.contains(QString::fromLatin1(action))) << action;
}
