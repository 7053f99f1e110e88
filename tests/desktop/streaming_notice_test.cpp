#include "app/main_form.h"
#include "app/mainwindowtest.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "platform/play/playmedia.h"
#include "support/modalanswerer.h"
#include "support/waiting.h"
#include "widgets/label.h"
#include "windowsystem.h"

#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

const QString kNotice = QStringLiteral("Streaming video, please wait for video to play");
const QString kLoadHint = QStringLiteral("Load Videos to capture");
const QString kListHint = QStringLiteral("Show Video List. Click on name to load video");

using StreamingNotice = MainWindowTest;

} // namespace

// A .wmv chosen through the real open dialog, reached by a click on "Load  Video" with the
// pointer left there: the notice stays on the status line, whatever events the closing dialog
// brings the button under the pointer, until the pointer really moves onto a button.
TEST_F(StreamingNotice, StaysAfterTheOpenDialogClosesOverTheLoadButton) {
    const QString clip = clipPath("clip.wmv");
    ASSERT_TRUE(waitUntilActive(&main));
    const QPoint load = screenRect(main.Cmds[0]).center();
    const QPoint away = screenRect(main.LblHide).center();
    ASSERT_TRUE(moveTo(away));
    pumpFor(200);
    bool answered = false;
    ModalAnswerer answerer(typeIntoFirstFileDialog(clip, answered));
    // Onto the button and click at once, as a quick hand does: the move and the click arrive
    // together.
    ASSERT_TRUE(
        xdotool({"mousemove", QString::number(load.x()), QString::number(load.y()), "click", "1"}));
    ASSERT_TRUE(waitFor([&] { return answered && VidBAS::g_CurrentFile == clip; }, 20000));
    QStringList seen;
    for (int i = 0; i < 15; ++i) {
        pumpFor(100);
        seen << main.LblHide->Caption();
    }
    EXPECT_EQ(seen.filter(kNotice).size(), seen.size()) << seen.join(" | ").toStdString();

    // A real move onto a button replaces the notice with its hint, and so on back.
    ASSERT_TRUE(moveTo(screenRect(main.Cmds[1]).center()));
    EXPECT_TRUE(waitFor([&] { return main.LblHide->Caption() == kListHint; }, 10000))
        << main.LblHide->Caption().toStdString();
    ASSERT_TRUE(moveTo(load));
    EXPECT_TRUE(waitFor([&] { return main.LblHide->Caption() == kLoadHint; }, 10000))
        << main.LblHide->Caption().toStdString();
}
