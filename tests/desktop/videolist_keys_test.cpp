#include "app/main_form.h"
#include "app/mainwindowtest.h"
#include "app/vidbas.h"
#include "app/videolist.h"
#include "controls/button_xp.h"
#include "platform/dialogs/scripteddialogprovider.h"
#include "platform/play/playmedia.h"
#include "play/playcontrol.h"
#include "support/waiting.h"
#include "windowsystem.h"

#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

using VideoListKeys = MainWindowTest;

} // namespace

// The list opened from the toolbar takes the keys; moving through it with them plays each
// name as a click on it would, and a key that moves nowhere loads nothing again.
TEST_F(VideoListKeys, ArrowKeysLoadTheChosenName) {
    const QString first = clipPath("mpeg4.avi");
    const QString second = clipPath("clip.mov");
    {
        ScriptedDialogProvider dialogs;
        dialogs.openAnswer = {first, second};
        main.Cmds_Click(0);
    }
    ASSERT_EQ(VidBAS::g_PlaylistCount, 2);
    ASSERT_TRUE(waitUntilManaged(&main));
    // The list loads nothing on its own: the player is emptied to see what the keys load.
    main.MMPlay->setSource(QString());
    for (int i : {4, 5, 9})
        main.Cmds[i]->setEnabled(false);

    ASSERT_TRUE(clickAt(screenRect(main.Cmds[1]).center()));
    VideoList* list = nullptr;
    ASSERT_TRUE(waitFor([&] { return (list = Form::Loaded<VideoList>()) != nullptr; }));
    ASSERT_TRUE(waitUntilActive(list));
    ASSERT_EQ(list->VidList->count(), 2);

    ASSERT_TRUE(xdotool({"key", "Down"}));
    EXPECT_TRUE(waitFor([&] { return main.MMPlay->Source() == first; }, 10000))
        << main.MMPlay->Source().toStdString();
    EXPECT_EQ(VidBAS::g_CurrentFile.toStdString(), first.toStdString());
    for (int i : {4, 5, 9})
        EXPECT_TRUE(main.Cmds[i]->Enabled()) << i;

    ASSERT_TRUE(xdotool({"key", "Down"}));
    EXPECT_TRUE(waitFor([&] { return main.MMPlay->Source() == second; }, 10000))
        << main.MMPlay->Source().toStdString();
    EXPECT_EQ(VidBAS::g_CurrentFile.toStdString(), second.toStdString());

    // Already on the last name: Down moves nowhere, and the player keeps what it plays.
    main.MMPlay->setSource(first);
    ASSERT_TRUE(xdotool({"key", "Down"}));
    pumpFor(500);
    EXPECT_EQ(main.MMPlay->Source().toStdString(), first.toStdString());
    list->Unload();
}
