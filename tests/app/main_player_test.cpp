#include "app/main_form.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "mainwindowtest.h"
#include "platform/play/playmedia.h"
#include "play/playcontrol.h"
#include "support/modalanswerer.h"
#include "support/testenv.h"
#include "support/waiting.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

class PlayerEventsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // A loaded clip gives the progress its base: 50 frames.
        main.MMPlay->setSource(clipPath("lossless.avi"));
        main.MMPlay->Pause();
        main.trkPosition->setMax(main.MMPlay->TrackLength());
    }
};

} // namespace

TEST_F(PlayerEventsTest, ProgressShowsThePercentageAndEndsTheDownloadAtAHundred) {
    ASSERT_EQ(main.MMPlay->TrackLength(), kClipFrames);
    main.lbldl->setCaption("Reset");
    main.Cmds[7]->setEnabled(true);
    main.lbldl->show();
    main.MMPlay_Progress(12);
    EXPECT_EQ(main.trkPosition->Value(), 12);
    EXPECT_EQ(main.Label3->Caption(), "24%");
    EXPECT_EQ(main.lbldl->Caption(), "Downloading Video");
    EXPECT_TRUE(main.Cmds[7]->Enabled());
    EXPECT_TRUE(main.lbldl->isVisibleTo(&main));

    main.MMPlay_Progress(kClipFrames);
    EXPECT_EQ(main.Label3->Caption(), "100%");
    EXPECT_FALSE(main.Cmds[7]->Enabled());
    EXPECT_FALSE(main.lbldl->isVisibleTo(&main));
}

TEST_F(PlayerEventsTest, OnlyMoreThanOnePercentWritesTheDownloadLabel) {
    main.lbldl->setCaption("Reset");
    // Half a frame short of one percent of fifty rounds to 0; one frame is 2 %.
    main.MMPlay_Progress(0);
    EXPECT_EQ(main.Label3->Caption(), "0%");
    EXPECT_EQ(main.lbldl->Caption(), "Reset");
    main.MMPlay_Progress(1);
    EXPECT_EQ(main.Label3->Caption(), "2%");
    EXPECT_EQ(main.lbldl->Caption(), "Downloading Video");
}

TEST_F(PlayerEventsTest, ZeroProgressWithoutAFileTurnsCaptureAndSaveOff) {
    main.Cmd2[4]->setEnabled(true);
    main.Cmd2[5]->setEnabled(true);
    VidBAS::g_CurrentFile = "/videos/clip.avi";
    main.MMPlay_Progress(0);
    EXPECT_TRUE(main.Cmd2[4]->Enabled() && main.Cmd2[5]->Enabled());
    VidBAS::g_CurrentFile.clear();
    main.MMPlay_Progress(3);
    EXPECT_TRUE(main.Cmd2[4]->Enabled());
    main.MMPlay_Progress(0);
    EXPECT_FALSE(main.Cmd2[4]->Enabled());
    EXPECT_FALSE(main.Cmd2[5]->Enabled());
}

TEST_F(PlayerEventsTest, TheSelectionBandNeverGetsANegativeLength) {
    main.MMPlay_SelectionChanged(10, 30);
    EXPECT_EQ(main.trkPosition->SelStart(), 10);
    EXPECT_EQ(main.trkPosition->sellength(), 20);
    main.MMPlay_SelectionChanged(30, 10);
    EXPECT_EQ(main.trkPosition->SelStart(), 30);
    EXPECT_EQ(main.trkPosition->sellength(), 0);
    main.MMPlay_SelectionChanged(-2147483647, 2147483647);
    EXPECT_EQ(main.trkPosition->sellength(), 0);
}

TEST_F(PlayerEventsTest, PlayerErrorsShowOnlyWhileReportsAreOn) {
    MessageCatcher messages;
    QStringList& titles = messages.titles;
    main.lbldl->setCaption("Downloading Video");
    VidBAS::g_ShowPlayErrors = false;
    main.MMPlay_ErrorAbort(-13);
    EXPECT_TRUE(titles.isEmpty());
    EXPECT_EQ(main.lbldl->Caption(), "Downloading Video");

    VidBAS::g_ShowPlayErrors = true;
    main.MMPlay_ErrorAbort(-13);
    ASSERT_EQ(titles.size(), 1);
    EXPECT_EQ(titles[0], "Error Abort");
    EXPECT_EQ(main.lbldl->Caption(), "Abort");
    EXPECT_FALSE(VidBAS::g_OfferDontShow);
}

TEST_F(PlayerEventsTest, MovingTheSliderSeeksThePlayer) {
    main.trkPosition->setValue(30);
    main.trkPosition_Scroll();
    EXPECT_EQ(main.MMPlay->Position(), 30);
    EXPECT_EQ(decodeIndex(main.MMPlay->FramePicture(5000)), 30);
}
