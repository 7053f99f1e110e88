#pragma once

#include "windowsystem.h"

#include "app/capturewindowtest.h"
#include "viewers/tools.h"
#include "viewers/viewer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

namespace korimo::test {

// A picture of the given size with a border, as a frame of that size would be captured.
inline QImage framePicture(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(40, 90, 160));
    QPainter p(&img);
    p.setPen(Qt::yellow);
    p.drawRect(img.rect().adjusted(0, 0, -1, -1));
    return img;
}

// The main window on the desktop, framed and placed by the manager, with a paused clip and the
// capture windows at hand; every window opened is closed afterwards.
class CaptureDeskTest : public CaptureWindowTest {
protected:
    void SetUp() override {
        CaptureWindowTest::SetUp();
        ASSERT_TRUE(waitUntilManaged(&main));
    }

    // Captures the shown frame and waits until the manager shows the viewer and its tool window.
    Viewer* capture() {
        main.Cmd2_Click(4);
        Viewer* v = findViewer(Viewer::First);
        EXPECT_NE(v, nullptr);
        if (v)
            expectManagedWithTools(v);
        return v;
    }

    // Opens the capture viewer on a picture of that size, as a capture of such a frame does.
    Viewer* showCaptureOf(QSize size) {
        QGuiApplication::clipboard()->setImage(framePicture(size));
        Viewer* v = loadViewer(Viewer::First);
        v->Show(0, &main);
        expectManagedWithTools(v);
        return v;
    }

private:
    // Waits until the manager shows the viewer and, where one is loaded, its tool window.
    static void expectManagedWithTools(const Viewer* v) {
        EXPECT_TRUE(waitUntilManaged(v));
        if (Tools* t = Tools::loaded()) {
            EXPECT_TRUE(waitUntilManaged(t));
        }
    }
};

} // namespace korimo::test
