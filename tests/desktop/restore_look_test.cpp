#include "screenpixels.h"
#include "windowsystem.h"

#include "app/main_form.h"
#include "app/mainwindowtest.h"
#include "app/switchlook.h"
#include "controls/button_xp.h"
#include "support/waiting.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QHash>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

// Pixels in which two pictures of one size differ; every pixel when the sizes differ.
int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return std::max(a.width() * a.height(), b.width() * b.height());
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

class RestoreLookTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(waitUntilManaged(&main));
        m_design = main.size();
        // A tooltip popping up over a button would be part of its grab.
        for (QWidget* w : main.findChildren<QWidget*>())
            w->setToolTip(QString());
    }

    QList<QWidget*> controls() {
        QList<QWidget*> out;
        for (Button_XP* b : main.findChildren<Button_XP*>())
            if (b->isVisible())
                out << b;
        out << main.trkPosition;
        return out;
    }
    QList<Button_XP*> switches() {
        return {main.Cmd2[6], main.Cmd2[7], main.Cmd2[8], main.btnSelStart, main.btnSelEnd};
    }

    // What the screen shows of the control, once two grabs a moment apart agree.
    QImage settledGrab(const QWidget* w) {
        QImage last;
        QImage now = grabScreen(screenRect(w));
        waitFor(
            [&] {
                last = now;
                pumpFor(60);
                now = grabScreen(screenRect(w));
                return now == last;
            },
            5000);
        return now;
    }
    void parkPointer() {
        // Over the video area, away from every button.
        ASSERT_TRUE(moveTo(screenRect(main.MMPlay).center()));
        ASSERT_TRUE(waitFor([&] {
            for (QWidget* w : controls())
                if (auto* b = qobject_cast<Button_XP*>(w); b && b->isHovered())
                    return false;
            return true;
        }));
    }
    QImage hoveredGrab(Button_XP* b) {
        EXPECT_TRUE(moveTo(screenRect(b).center()));
        EXPECT_TRUE(waitFor([&] { return b->isHovered(); }));
        return settledGrab(b);
    }

    QHash<QWidget*, QImage> grabAll() {
        parkPointer();
        QHash<QWidget*, QImage> shots;
        for (QWidget* w : controls())
            shots.insert(w, settledGrab(w));
        return shots;
    }
    QHash<QWidget*, QImage> grabHovered() {
        QHash<QWidget*, QImage> shots;
        for (Button_XP* b : switches())
            shots.insert(b, hoveredGrab(b));
        parkPointer();
        return shots;
    }

    void maximiseAndRestore() {
        for (bool maximise : {true, false}) {
            const QPoint at =
                clientGeometry(xwindow(&main)).topLeft() + main.LblCmds[1]->geometry().center();
            ASSERT_TRUE(clickAt(at));
            ASSERT_TRUE(waitFor([&] {
                return windowState(xwindow(&main)).contains("_NET_WM_STATE_MAXIMIZED_HORZ") ==
                       maximise;
            }));
            if (maximise) {
                ASSERT_TRUE(waitFor([&] { return main.size() != m_design; }));
            }
        }
        ASSERT_TRUE(waitFor([&] {
            return clientGeometry(xwindow(&main)).size() == m_design && main.size() == m_design;
        }));
    }

    // Every control shows the same pixels as in `before`, waiting a while for late repaints.
    void expectSame(const QHash<QWidget*, QImage>& before, const char* what) {
        for (auto it = before.begin(); it != before.end(); ++it) {
            int differing = 0;
            const bool same = waitFor(
                [&] {
                    differing = differingPixels(grabScreen(screenRect(it.key())), it.value());
                    return differing == 0;
                },
                3000);
            EXPECT_TRUE(same) << what << ": " << it.key()->objectName().toStdString()
                              << " differs in " << differing
                              << " pixels after maximise and restore";
            if (!same)
                keepScreenshot(grabScreen(screenRect(it.key())),
                               QStringLiteral("restore-%1").arg(it.key()->objectName()));
        }
    }

    QSize m_design;
};

} // namespace

// Maximise and restore bring every control back pixel for pixel: the ON-look switches keep their
// rounded corners and their faces, whichever are on, hovered or not.
TEST_F(RestoreLookTest, MaximiseAndRestoreLeaveEveryControlAsItWas) {
    ASSERT_TRUE(switchIsOn(main.Cmd2[6]));
    const auto plain = grabAll();
    const auto plainHovered = grabHovered();
    maximiseAndRestore();
    expectSame(plain, "sound on");
    // The hover is compared in its own right: a face left wrong until the next hover would
    // mend itself there.
    for (auto it = plainHovered.begin(); it != plainHovered.end(); ++it)
        EXPECT_EQ(differingPixels(hoveredGrab(static_cast<Button_XP*>(it.key())), it.value()), 0)
            << "hovered " << it.key()->objectName().toStdString();

    // Every switch on, by the user's clicks.
    parkPointer();
    for (Button_XP* b : switches()) {
        if (switchIsOn(b))
            continue;
        ASSERT_TRUE(clickAt(screenRect(b).center()));
        ASSERT_TRUE(waitFor([&] { return switchIsOn(b); })) << b->objectName().toStdString();
    }
    const auto allOn = grabAll();
    const auto allOnHovered = grabHovered();
    keepScreenshot(grabScreen(clientGeometry(xwindow(&main))), QStringLiteral("before-maximise"));
    maximiseAndRestore();
    keepScreenshot(grabScreen(clientGeometry(xwindow(&main))), QStringLiteral("after-restore"));
    for (Button_XP* b : switches())
        EXPECT_TRUE(switchIsOn(b)) << b->objectName().toStdString();
    expectSame(allOn, "all on");
    for (auto it = allOnHovered.begin(); it != allOnHovered.end(); ++it)
        EXPECT_EQ(differingPixels(hoveredGrab(static_cast<Button_XP*>(it.key())), it.value()), 0)
            << "all on, hovered " << it.key()->objectName().toStdString();
}
