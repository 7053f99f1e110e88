#pragma once

#include "app/mainwindowtest.h"
#include "platform/dialogs/scripteddialogprovider.h"
#include "platform/play/playmedia.h"
#include "support/waiting.h"
#include "viewers/viewer.h"

namespace korimo::test {

// The main window with scripted dialogs, for tests that capture frames; the capture windows they
// open are unloaded afterwards.
class CaptureWindowTest : public MainWindowTest {
protected:
    void TearDown() override {
        for (Viewer::Kind k : {Viewer::Second, Viewer::First})
            if (Viewer* v = findViewer(k))
                v->Unload();
        MainWindowTest::TearDown();
    }

    // Opens the lossless clip paused on its first frame.
    void openPaused() {
        dialogs.openAnswer = {clipPath("lossless.avi")};
        main.Cmds_Click(0);
        ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 3; }));
        main.Cmd2_Click(1);
        ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 2; }));
        main.btnStart_Click();
    }

    // Opens the clip through the Load button and pauses it wherever its start has got to.
    void openAndPause(const QString& clip) {
        dialogs.openAnswer = {clip};
        main.Cmds_Click(0);
        main.Cmd2_Click(1);
        ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 2; }));
    }

    ScriptedDialogProvider dialogs;
};

} // namespace korimo::test
