#include "windowsystem.h"

#include "support/waiting.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace korimo::test;

// The tier itself: every test here runs under a manager that frames, stacks and activates.
TEST(DesktopTier, ManagerFramesStacksAndActivatesAShownWindow) {
    QWidget first;
    first.resize(200, 100);
    first.show();
    ASSERT_TRUE(waitUntilManaged(&first));
    QWidget second;
    second.resize(200, 100);
    second.show();
    ASSERT_TRUE(waitUntilManaged(&second));
    EXPECT_TRUE(waitFor([&] { return activeWindow() == xwindow(&second); }));
    EXPECT_GT(stackingOrder().indexOf(xwindow(&second)), stackingOrder().indexOf(xwindow(&first)));
    // A framed window's client area sits inside the frame the manager put around it.
    const QRect frame = frameGeometry(xwindow(&first));
    const QRect client = clientGeometry(xwindow(&first));
    EXPECT_TRUE(frame.contains(client)) << frame.x() << "," << frame.y() << " " << client.x();
    EXPECT_GT(frame.height(), client.height());
}
