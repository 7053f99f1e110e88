#include "capturedesk.h"

#include "app/errfrm.h"
#include "app/options.h"
#include "app/urlfrm.h"
#include "app/videolist.h"
#include "viewers/resizedialog.h"

#include <QApplication>
#include <QMap>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

class OwnedWindowsTest : public CaptureDeskTest {};

// Each modal window the answerer meets, by class, with the window it is transient for.
struct ModalOwners {
    ModalAnswerer answerer{[this](QWidget* w) {
        const QString kind = QString::fromLatin1(w->metaObject()->className());
        owners[kind] = waitUntilManaged(w) ? transientFor(xwindow(w)) : 0;
        if (auto* resize = qobject_cast<Resize*>(w))
            resize->Ok_Click(); // so the resized copy opens in the second viewer
        else
            closeLikeWindowManager(w);
    }};
    QMap<QString, XWindow> owners;
};

} // namespace

TEST_F(OwnedWindowsTest, EveryOwnedWindowIsTransientForTheMainWindow) {
    openPaused();
    Viewer* viewer = capture();
    ASSERT_NE(viewer, nullptr);
    const XWindow mainId = xwindow(&main);
    EXPECT_EQ(transientFor(xwindow(viewer)), mainId);
    ASSERT_NE(Tools::loaded(), nullptr);
    EXPECT_EQ(transientFor(xwindow(Tools::loaded())), mainId);

    main.Cmds_Click(1);
    auto* list = Form::Loaded<VideoList>();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(waitUntilManaged(list));
    EXPECT_EQ(transientFor(xwindow(list)), mainId);

    ModalOwners modals;
    main.Cmds_Click(2); // address dialog
    main.Cmds_Click(8); // options dialog
    ShowMessage(&main, QStringLiteral("Error!"), QStringLiteral("A message of the main window."));
    Tools::loaded()->Cmd2_Click(0); // resize dialog, then the resized copy
    for (const char* kind :
         {"korimo::URLFrm", "korimo::Options", "korimo::ErrFrm", "korimo::Resize"}) {
        ASSERT_TRUE(modals.owners.contains(QString::fromLatin1(kind))) << kind;
        EXPECT_EQ(modals.owners.value(QString::fromLatin1(kind)), mainId) << kind;
    }
    Viewer* resized = findViewer(Viewer::Second);
    ASSERT_NE(resized, nullptr);
    ASSERT_TRUE(waitUntilManaged(resized));
    EXPECT_EQ(transientFor(xwindow(resized)), mainId);
}

TEST_F(OwnedWindowsTest, TheViewerAndToolsStayAboveTheActiveMainWindowAndMinimiseWithIt) {
    openPaused();
    Viewer* viewer = capture();
    ASSERT_NE(viewer, nullptr);
    Tools* tools = Tools::loaded();
    ASSERT_NE(tools, nullptr);
    const XWindow mainId = xwindow(&main), viewerId = xwindow(viewer), toolsId = xwindow(tools);

    // The user clicks the main window's skin, which brings it to the front.
    const QPoint skin = clientGeometry(mainId).topLeft() + QPoint(12, main.height() / 2);
    ASSERT_TRUE(xdotool({"windowactivate", QString::number(viewerId)}));
    ASSERT_TRUE(waitFor([&] { return activeWindow() == viewerId; }, 10000));
    ASSERT_TRUE(clickAt(skin));
    ASSERT_TRUE(waitFor([&] { return activeWindow() == mainId; }, 10000));
    pumpFor(300);
    const auto order = stackingOrder();
    EXPECT_GT(order.indexOf(viewerId), order.indexOf(mainId));
    EXPECT_GT(order.indexOf(toolsId), order.indexOf(mainId));

    main.LblCmds_Click(0);
    EXPECT_TRUE(waitFor(
        [&] { return windowState(viewerId).contains(QStringLiteral("_NET_WM_STATE_HIDDEN")); },
        10000));
    EXPECT_TRUE(!tools->isVisible() ||
                windowState(toolsId).contains(QStringLiteral("_NET_WM_STATE_HIDDEN")));

    ASSERT_TRUE(xdotool({"windowactivate", QString::number(mainId)}));
    EXPECT_TRUE(waitFor(
        [&] {
            return !windowState(mainId).contains(QStringLiteral("_NET_WM_STATE_HIDDEN")) &&
                   !windowState(viewerId).contains(QStringLiteral("_NET_WM_STATE_HIDDEN"));
        },
        10000));
    pumpFor(300);
    EXPECT_TRUE(waitFor([&] { return tools->isVisible(); }, 5000));
    const auto restored = stackingOrder();
    EXPECT_GT(restored.indexOf(viewerId), restored.indexOf(mainId));
    EXPECT_GT(restored.indexOf(toolsId), restored.indexOf(mainId));
}
