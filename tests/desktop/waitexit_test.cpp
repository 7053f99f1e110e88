#include "capturedesk.h"

#include "controls/button_xp.h"
#include "play/playcontrol.h"
#include "support/modalanswerer.h"
#include "widgets/label.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

using WaitExitDesk = CaptureDeskTest;

} // namespace

// While a step back waits most of a minute for a slow player, a real click on "Cancel URL" (as
// during a download) reaches the program and ends the wait at once; a click on Next Frame in the
// same wait is still held until the step is over.
TEST_F(WaitExitDesk, CancelUrlEndsAWaitOnThePlayer) {
    ASSERT_NO_FATAL_FAILURE(openAndPause(clipPath("longgop.mov")));
    main.MMPlay->setPosition(80);
    ASSERT_EQ(decodeIndex(main.MMPlay->FramePicture(5000)), 80);
    // Every picture now takes seconds, so the step back below would wait most of a minute.
    ASSERT_TRUE(slowDown(*main.MMPlay, 0.02));
    main.Cmds[7]->setEnabled(true); // as while an address downloads
    ASSERT_TRUE(waitUntilActive(&main));

    const QPoint cancel = screenRect(main.Cmds[7]).center();
    const QPoint next = screenRect(main.Cmd2[3]).center();
    QElapsedTimer clock;
    qint64 clickedAt = -1;
    QTimer::singleShot(300, &main, [&] {
        clickAt(next);
        clickAt(cancel);
        clickedAt = clock.elapsed();
    });
    // The step that lost its video fails as a step does, with its message.
    qint64 failedAt = -1;
    ModalAnswerer answerer([&](QWidget* w) {
        if (failedAt < 0)
            failedAt = clock.elapsed();
        w->close();
    });
    clock.start();
    main.Cmd2_Click(2);
    ASSERT_GE(clickedAt, 0) << "the step did not wait";
    ASSERT_GE(failedAt, 0) << "the step did not fail";
    EXPECT_LT(failedAt - clickedAt, 1000) << "the wait went on after Cancel URL";
    EXPECT_EQ(main.MMPlay->SourceKind(), 0);
    EXPECT_FALSE(main.Cmds[7]->Enabled());
}

// The window's own close ("X") during a wait on a slow player ends the wait at once and the
// program with it; the step cut short shows no message, as nobody is left to read it.
TEST_F(WaitExitDesk, ClosingTheMainWindowEndsAWaitWithoutAMessage) {
    ASSERT_NO_FATAL_FAILURE(openAndPause(clipPath("longgop.mov")));
    main.MMPlay->setPosition(80);
    ASSERT_EQ(decodeIndex(main.MMPlay->FramePicture(5000)), 80);
    ASSERT_TRUE(slowDown(*main.MMPlay, 0.02));
    ASSERT_TRUE(waitUntilActive(&main));

    const QPoint close = screenRect(main.LblCmds[2]).center();
    QElapsedTimer clock;
    qint64 clickedAt = -1;
    QTimer::singleShot(300, &main, [&] {
        clickAt(close);
        clickedAt = clock.elapsed();
    });
    int messages = 0;
    ModalAnswerer answerer([&](QWidget* w) {
        ++messages;
        w->close();
    });
    clock.start();
    main.Cmd2_Click(2);
    const qint64 returnedAt = clock.elapsed();
    ASSERT_GE(clickedAt, 0) << "the step did not wait";
    EXPECT_LT(returnedAt - clickedAt, 1000) << "the wait went on after the close";
    EXPECT_FALSE(main.IsLoaded());
    EXPECT_EQ(messages, 0) << "a message came up as the program closed";
}
