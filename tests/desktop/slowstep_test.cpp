#include "capturedesk.h"

#include "controls/button_xp.h"
#include "widgets/hslider.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

using SlowStepDesk = CaptureDeskTest;

int shownIndex(Main& main) {
    return decodeIndex(main.MMPlay->FramePicture(5000));
}

} // namespace

// A real click on Next Frame while a slow step back still waits for the player is neither lost
// nor mixed into that step: the step ends on its frame, and the click steps on from there.
TEST_F(SlowStepDesk, AClickDuringASlowStepIsHandledAfterIt) {
    ASSERT_NO_FATAL_FAILURE(openAndPause(clipPath("longgop.mov")));
    main.MMPlay->setPosition(50);
    ASSERT_EQ(shownIndex(main), 50);
    // Every picture the engine passes now costs its own duration twice over in real time.
    ASSERT_TRUE(slowDown(*main.MMPlay, 0.5));
    ASSERT_EQ(shownIndex(main), 50);
    ASSERT_TRUE(waitUntilActive(&main));

    const QPoint next = screenRect(main.Cmd2[3]).center();
    bool clicked = false;
    QTimer::singleShot(500, &main, [&] { clicked = clickAt(next); });
    main.Cmd2_Click(2);
    ASSERT_TRUE(clicked);
    EXPECT_EQ(main.MMPlay->Position(), 49);
    EXPECT_EQ(shownIndex(main), 49);
    EXPECT_TRUE(waitFor([&] { return main.MMPlay->Position() == 50; }, 10000))
        << "the click during the step was lost";
    EXPECT_EQ(shownIndex(main), 50);
    EXPECT_TRUE(waitFor([&] { return main.trkPosition->Value() == 50; }));
}
