#include "app/cfiledialog.h"
#include "app/errfrm.h"
#include "app/main_form.h"
#include "app/switchlook.h"
#include "app/vidbas.h"
#include "app/vidbas_video.h"
#include "controls/button_xp.h"
#include "mainwindowtest.h"
#include "platform/dialogs/scripteddialogprovider.h"
#include "platform/play/playmedia.h"
#include "play/playcontrol.h"
#include "settings/settingsstore.h"
#include "support/modalanswerer.h"
#include "support/testenv.h"
#include "support/urlcatcher.h"
#include "support/waiting.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

class MainVideoTest : public MainWindowTest {
protected:
    int shownIndex() { return decodeIndex(main.MMPlay->FramePicture(5000)); }
    void openClips(const QStringList& paths) {
        dialogs.openAnswer = paths;
        main.Cmds_Click(0);
    }

    ScriptedDialogProvider dialogs;
};

} // namespace

TEST_F(MainVideoTest, OpeningTwoClipsPlaysTheFirstAndPreparesTheWindow) {
    const QString first = clipPath("mpeg4.avi");
    const QString second = clipPath("clip.mov");
    openClips({first, second});
    EXPECT_EQ(dialogs.last.title, "Open Videos To Capture");
    EXPECT_TRUE(dialogs.last.multiSelect);
    EXPECT_EQ(VidBAS::g_PlaylistCount, 2);
    EXPECT_EQ(VidBAS::g_Playlist.value(1), first);
    EXPECT_EQ(VidBAS::g_Playlist.value(2), second);
    EXPECT_EQ(VidBAS::g_CurrentFile, first);
    EXPECT_EQ(main.MMPlay->Source(), first);
    EXPECT_EQ(main.MMPlay->SourceKind(), 1);
    EXPECT_EQ(main.trkPosition->Max(), main.MMPlay->TrackLength());
    EXPECT_GT(main.trkPosition->Max(), 0);
    EXPECT_EQ(main.MMPlay->SizeMode(), 2);
    for (int i : {1, 4, 5, 9})
        EXPECT_TRUE(main.Cmds[i]->Enabled()) << i;
    EXPECT_TRUE(main.Cmd2[4]->Enabled());
    EXPECT_FALSE(main.Cmd2[5]->Enabled());
    EXPECT_TRUE(main.Label3->isVisibleTo(&main));
    // The dialog moved the current folder; it is the next dialog's start folder.
    EXPECT_EQ(SettingsStore::get("OldDir", ""), QFileInfo(first).absolutePath());
    EXPECT_EQ(main.MMPlay->Rate(), 1.0);
    EXPECT_TRUE(waitFor([&] { return main.MMPlay->State() == 3; }));
    EXPECT_TRUE(main.trkPosition->hasFocus() || !main.isActiveWindow());
}

TEST_F(MainVideoTest, RefusedNamesLeaveAGapInTheArrayButNotInTheCount) {
    QTemporaryDir dir;
    const QString notes = dir.filePath("notes.txt");
    QFile f(notes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    const QString clip = dir.filePath("clip.avi");
    ASSERT_TRUE(QFile::copy(clipPath("mpeg4.avi"), clip));
    openClips({clip, notes});
    EXPECT_EQ(VidBAS::g_PlaylistCount, 1);
    EXPECT_EQ(VidBAS::g_Playlist.size(), 3); // index 0 unused, then two entries
    EXPECT_TRUE(VidBAS::g_Playlist.value(2).isEmpty());
    EXPECT_EQ(VidBAS::g_CurrentFile, dir.path() + "/clip.avi");
    EXPECT_FALSE(VidBAS::g_NotVideo);
}

TEST_F(MainVideoTest, AllVideosOfAFolderOfLongNamesOpenTogether) {
    QTemporaryDir dir;
    QStringList chosen;
    for (int i = 1; i <= 150; ++i) {
        const QString name =
            QStringLiteral("%1 Holiday on the coast, day %1 - camera two \u00e9t\u00e9.avi")
                .arg(i, 3, 10, QLatin1Char('0'));
        ASSERT_TRUE(QFile::link(clipPath("mpeg4.avi"), dir.filePath(name)));
        chosen << dir.filePath(name);
    }
    openClips(chosen);
    EXPECT_EQ(VidBAS::g_PlaylistCount, 150);
    EXPECT_EQ(VidBAS::g_Playlist.value(150).toStdString(), chosen.last().toStdString());
    EXPECT_EQ(VidBAS::g_CurrentFile.toStdString(), chosen.first().toStdString());
    EXPECT_EQ(main.MMPlay->Source().toStdString(), chosen.first().toStdString());
}

TEST_F(MainVideoTest, LoadVidPlaysMpegFromMemoryAndOthersByName) {
    VidBAS::g_LoadVid = true;
    openClips({clipPath("clip.mpg")});
    EXPECT_EQ(main.MMPlay->SourceKind(), 2);
    ASSERT_NE(main.MMPlay->SourceHandle(), nullptr);
    EXPECT_EQ(main.MMPlay->SourceHandle()->size(), QFileInfo(clipPath("clip.mpg")).size());
    EXPECT_GT(main.trkPosition->Max(), 0);
    openClips({clipPath("mpeg4.avi")});
    EXPECT_EQ(main.MMPlay->SourceKind(), 1);
    EXPECT_EQ(main.MMPlay->SourceHandle(), nullptr);
}

TEST_F(MainVideoTest, HalfSpeedIsAppliedOnEveryOpen) {
    VidBAS::g_HalfSpeed = true;
    openClips({clipPath("mpeg4.avi")});
    EXPECT_EQ(main.MMPlay->Rate(), 0.5);
    VidBAS::g_HalfSpeed = false;
    openClips({clipPath("mpeg4.avi")});
    EXPECT_EQ(main.MMPlay->Rate(), 1.0);
}

TEST_F(MainVideoTest, WmvShowsTheStreamingNoticeAndSlowsTheStatusTimer) {
    openClips({clipPath("clip.wmv")});
    EXPECT_EQ(main.LblHide->Caption(), "Streaming video, please wait for video to play");
    EXPECT_EQ(main.Timer4.interval(), 4000);
    EXPECT_TRUE(main.Timer4.isActive());
    openClips({clipPath("mpeg4.avi")});
    EXPECT_EQ(main.Timer4.interval(), 4000);
}

TEST_F(MainVideoTest, AFileThePlayerRefusesTakesTheErrorPathThenCaptureComesBack) {
    MessageCatcher messages;
    openClips({clipPath("text.avi")});
    ASSERT_EQ(messages.titles.size(), 1);
    EXPECT_EQ(messages.titles[0], "Error");
    EXPECT_TRUE(messages.texts[0].startsWith("Error Opening Video File.    "));
    EXPECT_EQ(VidBAS::g_CurrentFile, clipPath("text.avi"));
    for (int i : {1, 4, 5, 9})
        EXPECT_FALSE(main.Cmds[i]->Enabled()) << i;
    // The toolbar re-enables capture, as a file name was taken.
    EXPECT_TRUE(main.Cmd2[4]->Enabled());
    EXPECT_FALSE(main.Cmd2[5]->Enabled());
}

TEST_F(MainVideoTest, CancelLeavesThePlayerStoppedAndSetsButtonsFromNoCap) {
    openClips({clipPath("mpeg4.avi")});
    SettingsStore::saveBool("NoCap", true);
    dialogs.openAnswer.clear();
    main.Cmds_Click(0);
    EXPECT_TRUE(VidBAS::g_OpenCancelled);
    EXPECT_EQ(VidBAS::g_CurrentFile, clipPath("mpeg4.avi"));
    EXPECT_EQ(main.MMPlay->Source(), clipPath("mpeg4.avi"));
    EXPECT_NE(main.MMPlay->State(), 3);
    EXPECT_TRUE(main.Cmd2[5]->Enabled());
    EXPECT_FALSE(main.Cmd2[4]->Enabled());
}

TEST_F(MainVideoTest, PauseResumeAndFrameStepsMoveExactlyOneFrame) {
    openClips({clipPath("lossless.avi")});
    ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 3; }));
    main.Cmd2_Click(1); // running -> paused
    ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 2; }));
    main.btnStart_Click();
    const int start = shownIndex();
    ASSERT_EQ(start, 0);
    main.Cmd2_Click(3);
    EXPECT_EQ(shownIndex(), 1);
    main.Cmd2_Click(3);
    EXPECT_EQ(shownIndex(), 2);
    main.Cmd2_Click(2);
    EXPECT_EQ(shownIndex(), 1);
    main.Cmd2_Click(1); // paused -> running
    EXPECT_TRUE(waitFor([&] { return main.MMPlay->State() == 3; }));
    main.Cmd2_Click(1);
    EXPECT_TRUE(waitFor([&] { return main.MMPlay->State() == 2; }));
}

TEST_F(MainVideoTest, AStepPastTheEndShowsTheFrameAdvanceMessage) {
    openClips({clipPath("lossless.avi")});
    ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 3; }));
    main.Cmd2_Click(1);
    main.btnEnd_Click();
    MessageCatcher messages;
    main.Cmd2_Click(3);
    ASSERT_EQ(messages.titles.size(), 1);
    EXPECT_EQ(messages.titles[0], "Error!");
    EXPECT_EQ(messages.texts[0],
              "Frame advance not supported by this format. Or video at end of play, or not "
              "loaded. Use PAUSE to control video if video is a .wmv file.");
    // With nothing loaded a step fails the same way.
    main.MMPlay->setSource(QString());
    main.Cmd2_Click(2);
    EXPECT_EQ(messages.titles.size(), 2);
}

TEST_F(MainVideoTest, SwitchesFlipTheirLooksTooltipsAndThePlayer) {
    openClips({clipPath("mpeg4.avi")});
    main.Cmd2_Click(6);
    EXPECT_FALSE(switchIsOn(main.Cmd2[6]));
    EXPECT_TRUE(main.MMPlay->Mute());
    EXPECT_EQ(main.Cmd2[6]->toolTip(), " Sound OFF ");
    main.Cmd2_Click(6);
    EXPECT_TRUE(switchIsOn(main.Cmd2[6]));
    EXPECT_FALSE(main.MMPlay->Mute());
    EXPECT_EQ(main.Cmd2[6]->toolTip(), " Sound ON ");

    main.Cmd2_Click(7);
    EXPECT_TRUE(switchIsOn(main.Cmd2[7]));
    EXPECT_TRUE(main.MMPlay->AutoRewind());
    EXPECT_EQ(main.Cmd2[7]->toolTip(), " Auto Rewind ON ");
    main.Cmd2_Click(8);
    EXPECT_TRUE(switchIsOn(main.Cmd2[8]));
    EXPECT_EQ(main.MMPlay->PlayCount(), 0);
    EXPECT_EQ(main.Cmd2[8]->toolTip(), " Loop ON ");
    main.Cmd2_Click(8);
    EXPECT_EQ(main.MMPlay->PlayCount(), 1);
    EXPECT_EQ(main.Cmd2[8]->toolTip(), " Loop OFF ");
    // Opening another file leaves the switches alone.
    openClips({clipPath("mpeg4.avi")});
    EXPECT_TRUE(switchIsOn(main.Cmd2[7]));
}

TEST_F(MainVideoTest, SelectionMarksFollowTheirStateTable) {
    openClips({clipPath("lossless.avi")});
    ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 3; }));
    main.Cmd2_Click(1);
    main.btnStart_Click();
    main.Cmd2_Click(3);
    main.Cmd2_Click(3);
    main.btnSelStart_Click();
    EXPECT_TRUE(switchIsOn(main.btnSelStart));
    EXPECT_FALSE(switchIsOn(main.btnSelEnd));
    EXPECT_TRUE(main.g_SelectionMarked);
    EXPECT_EQ(main.btnSelStart->toolTip(), " Start Selection Marked ");
    EXPECT_NEAR(main.MMPlay->SelectionStart(), 2.0 / kClipFps, 0.02);
    for (int i = 0; i < 5; ++i)
        main.Cmd2_Click(3);
    main.btnSelEnd_Click();
    EXPECT_TRUE(switchIsOn(main.btnSelStart) && switchIsOn(main.btnSelEnd));
    EXPECT_EQ(main.btnSelEnd->toolTip(), " End Selection Marked ");
    EXPECT_NEAR(main.MMPlay->SelectionEnd(), 7.0 / kClipFps, 0.02);
    // The slider's band follows through the player's selection event.
    EXPECT_TRUE(waitFor([&] { return main.trkPosition->sellength() > 0; }));

    // Play with a mark set leaves the selection as it is.
    main.Cmd2_Click(0);
    EXPECT_NEAR(main.MMPlay->SelectionStart(), 2.0 / kClipFps, 0.02);
    EXPECT_EQ(main.lbldl->Caption(), "Reset");
    // The marked part is a fifth of a second: let it finish before the marks are cleared.
    EXPECT_TRUE(waitFor([&] { return main.MMPlay->State() != 3; }));

    main.btnSelEnd_Click();
    EXPECT_FALSE(switchIsOn(main.btnSelStart) || switchIsOn(main.btnSelEnd));
    EXPECT_FALSE(main.g_SelectionMarked);
    EXPECT_EQ(main.btnSelStart->toolTip(), " Cleared Marked Selection ");
    EXPECT_EQ(main.btnSelEnd->toolTip(), " Cleared Marked Selection ");
    EXPECT_EQ(main.MMPlay->SelectionStart(), 0.0);
    EXPECT_DOUBLE_EQ(main.MMPlay->SelectionEnd(), main.MMPlay->Duration());

    // Seek buttons clear a mark without touching the tooltips, then seek.
    main.btnSelEnd_Click();
    main.btnEnd_Click();
    EXPECT_FALSE(switchIsOn(main.btnSelEnd));
    EXPECT_FALSE(main.g_SelectionMarked);
    EXPECT_EQ(main.btnSelEnd->toolTip(), " End Selection Marked ");
    EXPECT_EQ(shownIndex(), kClipFrames - 1);
    main.btnStart_Click();
    EXPECT_EQ(shownIndex(), 0);
}

TEST_F(MainVideoTest, SizeModesAndCancelDownloadDriveThePlayer) {
    openClips({clipPath("mpeg4.avi")});
    main.Cmds_Click(4);
    EXPECT_EQ(main.MMPlay->SizeMode(), 1);
    main.Cmds_Click(9);
    EXPECT_EQ(main.MMPlay->SizeMode(), 0);
    main.Cmds_Click(5);
    EXPECT_EQ(main.MMPlay->SizeMode(), 2);
    main.Cmds[7]->setEnabled(true);
    main.lbldl->show();
    main.Cmds_Click(7);
    EXPECT_TRUE(main.MMPlay->Source().isEmpty());
    EXPECT_FALSE(main.Cmds[7]->Enabled());
    EXPECT_FALSE(main.lbldl->isVisible());
}

TEST_F(MainVideoTest, HintsFollowTheStoredSettingOnEveryMove) {
    main.Cmds_MouseMove(2, 0, 0, 1, 1);
    EXPECT_EQ(main.LblHide->Caption(), "Load video from internet URL address");
    main.Cmd2_MouseMove(4, 0, 0, 1, 1);
    EXPECT_EQ(main.LblHide->Caption(), "Capture video frame to graphic");
    main.Cmd2_MouseMove(0, 0, 0, 1, 1);
    EXPECT_EQ(main.LblHide->Caption(), "Capture video frame to graphic");
    SettingsStore::saveBool("ToolTip", false);
    main.Cmds_MouseMove(9, 0, 0, 1, 1);
    main.Cmd2_MouseMove(5, 0, 0, 1, 1);
    EXPECT_EQ(main.LblHide->Caption(), "Capture video frame to graphic");
    EXPECT_FALSE(VidBAS::g_ToolTip);
    // Closing the options dialog re-applies the tooltips from the stored hint switch.
    ModalAnswerer closeOptions([](QWidget* w) { closeLikeWindowManager(w); });
    main.Cmds_Click(8);
    EXPECT_TRUE(main.Cmd2[4]->toolTip().isEmpty());
    EXPECT_TRUE(main.LblCmds[1]->toolTip().isEmpty());
    SettingsStore::saveBool("ToolTip", true);
    main.Cmds_Click(8);
    EXPECT_EQ(main.Cmd2[4]->toolTip(), " Capture Frame to 24 bit BMP ");
}

TEST_F(MainVideoTest, HelpOpensThePageBesideTheProgramAtItsContext) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    main.Cmds_Click(3);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].fragment(), "context-9999");
    EXPECT_EQ(catcher.urls[0].toLocalFile(), VidBAS::ProgramFolder() + "/Korimo.html");
}

TEST_F(MainVideoTest, AnMpegTooLargeForMemoryPlaysFromItsFile) {
    QTemporaryDir dir;
    const QString big = dir.filePath("huge.mpg");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(readAll(clipPath("clip.mpg")));
        // Sparse: the file claims 5 GB without taking the disk space.
        ASSERT_TRUE(f.resize(5LL * 1024 * 1024 * 1024));
    }
    VidBAS::g_LoadVid = true;
    VidBAS::g_LoadPath = big;
    VidBAS::LoadVideoToMemory(*main.MMPlay);
    EXPECT_NE(main.MMPlay->SourceKind(), 2);
    EXPECT_EQ(main.MMPlay->SourceHandle(), nullptr);
    EXPECT_EQ(main.MMPlay->Source(), big);
}

TEST_F(MainVideoTest, AShortReadIsReportedInAPlainBoxWithTheErrorNumber) {
    // Kernel attribute files claim a whole page but deliver only their few bytes of text.
    const QString shortFile = "/sys/devices/system/cpu/online";
    if (!QFileInfo(shortFile).isReadable() ||
        QFileInfo(shortFile).size() <= readAll(shortFile).size())
        GTEST_SKIP() << "no file here that reads shorter than its size";
    struct Box {
        QMessageBox::Icon icon;
        QString title, text;
        QMessageBox::StandardButtons buttons;
    };
    QList<Box> boxes;
    ModalAnswerer answerer([&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w))
            boxes.append({box->icon(), box->windowTitle(), box->text(), box->standardButtons()});
        w->close();
    });
    VidBAS::g_LoadPath = shortFile;
    VidBAS::LoadVideoToMemory(*main.MMPlay);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_FALSE(boxes[0].title.isEmpty());
    bool number = false;
    boxes[0].text.toInt(&number);
    EXPECT_TRUE(number) << boxes[0].text.toStdString();
    EXPECT_EQ(main.MMPlay->SourceHandle(), nullptr);
}

// A step on a heavy video takes seconds, longer than any fixed wait would allow: it ends on the
// frame asked for without a message, and while it waits the position and the slider stay on the
// frame the window shows.
TEST_F(MainVideoTest, ASlowStepEndsOnTheFrameAskedForWithoutAMessage) {
    openClips({clipPath("longgop.mov")});
    main.Cmd2_Click(1);
    ASSERT_TRUE(waitFor([&] { return main.MMPlay->State() == 2; }));
    main.MMPlay->setPosition(50);
    ASSERT_EQ(shownIndex(), 50);
    // Every picture the engine passes now costs its own duration twice over in real time.
    ASSERT_TRUE(slowDown(*main.MMPlay, 0.5));
    ASSERT_EQ(shownIndex(), 50);
    ASSERT_TRUE(waitFor([&] { return main.trkPosition->Value() == 50; }));

    MessageCatcher messages;
    QList<int> positions, slider;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        positions << main.MMPlay->Position();
        slider << main.trkPosition->Value();
    });
    watch.start(100);
    main.Cmd2_Click(2);
    watch.stop();
    EXPECT_TRUE(messages.titles.isEmpty()) << messages.texts.join('\n').toStdString();
    EXPECT_EQ(main.MMPlay->Position(), 49);
    EXPECT_EQ(shownIndex(), 49);
    EXPECT_TRUE(waitFor([&] { return main.trkPosition->Value() == 49; }));
    EXPECT_GT(positions.size(), 10) << "the window stood still while the step waited";
    for (int p : positions)
        EXPECT_EQ(p, 50) << "the position left the frame shown while the step waited";
    for (int v : slider)
        EXPECT_EQ(v, 50) << "the slider left the frame shown while the step waited";
}
