#include "mainwindowtest.h"

#include "app/main_form.h"
#include "controls/button_xp.h"
#include "settings/settingsstore.h"
#include "widgets/elastic.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <functional>

using namespace korimo;

namespace {

// One control of the toolbar or the transport strip: the tooltip it carries while hints are on,
// and the status-line hint its hover writes (none: the status line keeps what it showed).
struct DesignedHint {
    const char* name;
    std::function<QWidget*(Main&)> control;
    const char* tooltip;
    const char* status;
};

const DesignedHint kHints[] = {
    {"Cmds(0)", [](Main& m) { return m.Cmds[0]; }, " Load Videos for capture ",
     "Load Videos to capture"},
    {"Cmds(1)", [](Main& m) { return m.Cmds[1]; }, " Show selected video list ",
     "Show Video List. Click on name to load video"},
    {"Cmds(2)", [](Main& m) { return m.Cmds[2]; }, " Load video from URL address ",
     "Load video from internet URL address"},
    {"Cmds(3)", [](Main& m) { return m.Cmds[3]; }, " Help with Korimo ", "Load Help File"},
    {"Cmds(4)", [](Main& m) { return m.Cmds[4]; }, " Stretch Video to window ",
     "Stretch video to window"},
    {"Cmds(5)", [](Main& m) { return m.Cmds[5]; }, " View video normal size ",
     "Show video at normal video size"},
    {"Cmds(6)", [](Main& m) { return m.Cmds[6]; }, " Print captured video frame ",
     "Print video captured frame"},
    {"Cmds(7)", [](Main& m) { return m.Cmds[7]; }, "Cancel URL video download",
     "Cancel URL video download"},
    {"Cmds(8)", [](Main& m) { return m.Cmds[8]; }, " Set Options ", "Show Korimo video options"},
    {"Cmds(9)", [](Main& m) { return m.Cmds[9]; }, " Fit Video to window ",
     "Fit video to screen, keeping aspect ratio"},
    {"Cmd2(0)", [](Main& m) { return m.Cmd2[0]; }, " Play ", nullptr},
    {"Cmd2(1)", [](Main& m) { return m.Cmd2[1]; }, " Pause ", nullptr},
    {"Cmd2(2)", [](Main& m) { return m.Cmd2[2]; }, " Previous Frame ", nullptr},
    {"Cmd2(3)", [](Main& m) { return m.Cmd2[3]; }, " Next Frame ", nullptr},
    {"Cmd2(4)", [](Main& m) { return m.Cmd2[4]; }, " Capture Frame to 24 bit BMP ",
     "Capture video frame to graphic"},
    {"Cmd2(5)", [](Main& m) { return m.Cmd2[5]; }, " Save Frame ",
     "Save captured graphic frame to file"},
    {"Cmd2(6)", [](Main& m) { return m.Cmd2[6]; }, " Sound ON", nullptr},
    {"Cmd2(7)", [](Main& m) { return m.Cmd2[7]; }, " Auto Rewind OFF ", nullptr},
    {"Cmd2(8)", [](Main& m) { return m.Cmd2[8]; }, " Loop OFF ", nullptr},
    {"btnStart", [](Main& m) { return m.btnStart; }, " Seek Start ", nullptr},
    {"btnEnd", [](Main& m) { return m.btnEnd; }, " Seek End ", nullptr},
    {"btnSelStart", [](Main& m) { return m.btnSelStart; },
     " Select Start - Position Slider at START ", nullptr},
    {"btnSelEnd", [](Main& m) { return m.btnSelEnd; }, " Select End - Position Slider at END ",
     nullptr},
    {"trkPosition", [](Main& m) { return m.trkPosition; },
     " Position Video - Use ARROW keys for single advance ", nullptr},
};

// Left of the player, clear of every control and of the rounded corners.
const QPoint kBareSkin(20, 200);
const QString kUntouched = QStringLiteral("(status line as it was)");

class HintsTest : public test::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
        // The status line's own clearing would pass for a hover that wrote nothing.
        main.Timer4.stop();
        // A loaded video and a captured frame enable the rest; a disabled button gets no
        // pointer at all.
        for (auto* b : main.Cmds)
            b->setEnabled(true);
        for (auto* b : main.Cmd2)
            b->setEnabled(true);
    }

    // Moves the pointer from the bare skin onto the middle of the control, as the mouse does,
    // and returns what the status line shows then.
    QString hover(QWidget* control) {
        main.LblHide->setCaption(kUntouched);
        QTest::mouseMove(main.windowHandle(), kBareSkin);
        QTest::mouseMove(main.windowHandle(), control->mapTo(&main, control->rect().center()));
        QApplication::processEvents();
        return main.LblHide->Caption();
    }

    // The tooltip Qt shows for the control when the pointer rests on it.
    static QString shownTooltip(QWidget* control) {
        const QPoint at = control->rect().center();
        QHelpEvent rest(QEvent::ToolTip, at, control->mapToGlobal(at));
        QApplication::sendEvent(control, &rest);
        const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
        QToolTip::hideText();
        return shown;
    }
};

} // namespace

TEST_F(HintsTest, EveryToolbarAndTransportControlShowsItsDesignedHint) {
    ASSERT_EQ(main.childAt(kBareSkin), main.Elastic1) << "the pointer starts on the bare skin";
    for (const DesignedHint& h : kHints) {
        SCOPED_TRACE(h.name);
        QWidget* c = h.control(main);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->toolTip().toStdString(), h.tooltip);
        EXPECT_EQ(shownTooltip(c).toStdString(), h.tooltip);
        EXPECT_EQ(hover(c).toStdString(), h.status ? h.status : kUntouched.toStdString());
    }

    // Hints switched off in the options: no hover writes the status line any more, at once.
    SettingsStore::saveBool(QStringLiteral("ToolTip"), false);
    for (const DesignedHint& h : kHints) {
        SCOPED_TRACE(h.name);
        EXPECT_EQ(hover(h.control(main)).toStdString(), kUntouched.toStdString());
    }
}
