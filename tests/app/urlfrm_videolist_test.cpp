#include "app/main_form.h"
#include "app/pictures.h"
#include "app/urlfrm.h"
#include "app/vidbas.h"
#include "app/videolist.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "mainwindowtest.h"
#include "platform/dialogs/scripteddialogprovider.h"
#include "platform/play/httpserver.h"
#include "platform/play/playmedia.h"
#include "play/playcontrol.h"
#include "support/modalanswerer.h"
#include "support/testenv.h"
#include "support/waiting.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

QString messageTitle(QWidget* w) {
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->objectName() == QLatin1String("ErrTitle"))
            return l->text();
    return {};
}

using DialogsTest = MainWindowTest;

// Types the address into the dialog that the toolbar's "Video URL" opens and presses "ok".
void startDownload(Main& main, const QString& url) {
    ModalAnswerer answerer([&](QWidget* w) {
        if (auto* dlg = qobject_cast<URLFrm*>(w)) {
            dlg->edtURL->setText(url);
            dlg->Cmdok_Click();
        }
    });
    main.Cmds_Click(2);
}

} // namespace

TEST_F(DialogsTest, OkFollowsTheTypedTextUntrimmed) {
    QPointer<URLFrm> dlg = new URLFrm(&main);
    dlg->Load();
    EXPECT_FALSE(dlg->Cmdok->Enabled());
    dlg->edtURL->setText(" ");
    EXPECT_TRUE(dlg->Cmdok->Enabled());
    dlg->edtURL->clear();
    EXPECT_FALSE(dlg->Cmdok->Enabled());
    dlg->Unload();
}

TEST_F(DialogsTest, AStartedDownloadClosesTheDialogAndShowsItsProgress) {
    HttpServer server(QFileInfo(clipPath("mpeg4.avi")).absolutePath());
    const QString url = server.url("mpeg4.avi");
    bool shown = false;
    ModalAnswerer answerer([&](QWidget* w) {
        auto* dlg = qobject_cast<URLFrm*>(w);
        if (!dlg || shown)
            return;
        shown = true;
        QTest::keyClicks(dlg->edtURL, url);
        dlg->Cmdok_Click();
    });
    main.Cmds_Click(2);
    EXPECT_TRUE(shown);
    EXPECT_EQ(main.MMPlay->Source(), url);
    EXPECT_TRUE(main.Cmds[7]->Enabled());
    EXPECT_TRUE(main.Cmd2[4]->Enabled());
    EXPECT_TRUE(main.lbldl->isVisibleTo(&main));
    EXPECT_EQ(screenMousePointer(), 13);
    EXPECT_TRUE(VidBAS::g_CurrentFile.isEmpty());
    // The download finishes: the label goes and "Cancel URL" is switched off again. Once it is
    // done the percentage follows the play position, which may already have moved on by the
    // time the wait looks, so the caption is read by the event that hid the label.
    QString captionWhenDone;
    QObject::connect(main.MMPlay, &PlayControl::Progress, &main, [&] {
        if (captionWhenDone.isEmpty() && !main.lbldl->isVisibleTo(&main))
            captionWhenDone = main.Label3->Caption();
    });
    // Generous: a loaded machine may take a while to fetch even a small clip.
    EXPECT_TRUE(waitFor([&] { return !captionWhenDone.isEmpty(); }, 30000));
    EXPECT_EQ(captionWhenDone, "100%");
    EXPECT_FALSE(main.Cmds[7]->Enabled());
}

// A file opened while an address still downloads replaces the stream: nothing is left for
// "Cancel URL" to cancel but the file, and no download to show.
TEST_F(DialogsTest, AFileOpenedDuringADownloadEndsTheDownloadShown) {
    HttpServer server(QFileInfo(clipPath("mpeg4.avi")).absolutePath(), 20000);
    const QString local = clipPath("clip.mov");
    ScriptedDialogProvider dialogs;
    for (int round = 0; round < 2; ++round) {
        startDownload(main, server.url("mpeg4.avi"));
        ASSERT_TRUE(main.Cmds[7]->Enabled()) << round;
        ASSERT_TRUE(main.lbldl->isVisibleTo(&main)) << round;
        if (round == 0) {
            dialogs.openAnswer = {local};
            main.Cmds_Click(0);
        } else {
            QPointer<VideoList> list = new VideoList(&main);
            list->Show(0, &main);
            list->VidList->setCurrentRow(0);
            list->VidList_Click();
            list->Unload();
        }
        ASSERT_EQ(main.MMPlay->Source(), local) << round;
        EXPECT_FALSE(main.Cmds[7]->Enabled()) << round;
        EXPECT_FALSE(main.lbldl->isVisibleTo(&main)) << round;
        pumpFor(1500);
        EXPECT_FALSE(main.Cmds[7]->Enabled()) << round;
        EXPECT_FALSE(main.lbldl->isVisibleTo(&main)) << round;
        // The one thing "Cancel URL" could still do is throw the file away.
        if (main.Cmds[7]->Enabled())
            main.Cmds_Click(7);
        EXPECT_EQ(main.MMPlay->Source(), local) << round;
    }
}

// A download from a server without ranges that goes silent halfway, or closes there, never
// reads 100 %: it ends with the player's error message, and the download label says so.
TEST_F(DialogsTest, ADownloadThatStallsOrIsCutEndsInErrorAbort) {
    const QString clip = clipPath("mpeg4.avi");
    for (const bool stall : {true, false}) {
        SCOPED_TRACE(stall ? "stall" : "cut");
        HttpServer server(QFileInfo(clip).absolutePath());
        server.setRanges(false);
        server.setChunked(true);
        if (stall)
            server.setStallAfter(QFileInfo(clip).size() / 2);
        else
            server.setCutAfter(QFileInfo(clip).size() / 2);
        VidBAS::g_ShowPlayErrors = true;
        QStringList percentages;
        const auto watch = QObject::connect(main.MMPlay, &PlayControl::Progress, &main,
                                            [&] { percentages << main.Label3->Caption(); });
        startDownload(main, server.url("mpeg4.avi"));
        ASSERT_EQ(main.MMPlay->Source(), server.url("mpeg4.avi"));
        // Made once the address dialog is gone: it closes every window that waits on the user.
        MessageCatcher messages;
        ASSERT_TRUE(waitFor([&] { return !messages.titles.isEmpty(); }, 30000)) << "no message";
        QObject::disconnect(watch);
        EXPECT_EQ(messages.titles.value(0), "Error Abort");
        EXPECT_TRUE(messages.texts.value(0).startsWith("Abort, Error Playing.     Error Code: "))
            << messages.texts.value(0).toStdString();
        EXPECT_EQ(main.lbldl->Caption(), "Abort");
        EXPECT_FALSE(percentages.contains("100%")) << "reported as fully downloaded";
        main.Cmds_Click(7);
    }
}

TEST_F(DialogsTest, ARefusedAddressKeepsTheDialogOpenWithItsText) {
    QStringList titles;
    QPointer<URLFrm> dlg;
    int step = 0;
    ModalAnswerer answerer([&](QWidget* w) {
        if (auto* u = qobject_cast<URLFrm*>(w)) {
            dlg = u;
            if (step == 0) {
                step = 1;
                u->edtURL->setText("av://lavfi:testsrc");
                // Clicked from the loop, so the message it raises can be answered in turn.
                QTimer::singleShot(0, u, &URLFrm::Cmdok_Click);
            } else {
                EXPECT_EQ(u->edtURL->text(), "av://lavfi:testsrc");
                u->close(); // the frame's close changes nothing more
            }
            return;
        }
        titles << messageTitle(w);
        w->close();
    });
    main.Cmds[7]->setEnabled(true);
    main.Cmds_Click(2);
    ASSERT_EQ(titles.size(), 1);
    EXPECT_EQ(titles[0], "Error Downloading Video! Are you connected to the Internet?");
    EXPECT_FALSE(main.Cmds[7]->Enabled());
    EXPECT_FALSE(main.Cmd2[4]->Enabled());
    EXPECT_FALSE(main.lbldl->isVisibleTo(&main));
    EXPECT_EQ(screenMousePointer(), 0);
}

TEST_F(DialogsTest, TheListShowsThePlaylistAndKeepsItsWidestExtent) {
    ListBox list;
    list.resize(185, 100);
    CLBHScroll scroll;
    scroll.Init(&list);
    EXPECT_EQ(list.HorizontalExtent(), 0);
    scroll.AddItem("/a.avi");
    const int afterShort = list.HorizontalExtent();
    scroll.AddItem("/a/very/long/folder/name/that/does/not/fit/the/list/clip.avi");
    const int afterLong = list.HorizontalExtent();
    scroll.AddItem("/b.avi");
    EXPECT_GT(afterLong, afterShort);
    EXPECT_EQ(list.HorizontalExtent(), afterLong);
    EXPECT_EQ(scroll.widest(), list.fontMetrics().horizontalAdvance(
                                   "/a/very/long/folder/name/that/does/not/fit/the/list/clip.avi") *
                                   kTwipsPerPixel);
    EXPECT_EQ(list.count(), 3);
    EXPECT_GT(list.horizontalScrollBar()->maximum(), 0);
}

TEST_F(DialogsTest, TheListSitsOnItsBackgroundPictureOverTheBackgroundColour) {
    VidBAS::g_Playlist = {QString(), QStringLiteral("/videos/a.avi")};
    VidBAS::g_PlaylistCount = 1;
    QPointer<VideoList> list = new VideoList(&main);
    list->Show(0, &main);
    const QImage picture = programPicture(QStringLiteral("videolist.gif"));
    ASSERT_EQ(picture.size(), QSize(217, 275));
    const QImage shot = list->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Around the list the window shows the picture from its top left corner, unscaled, and the
    // picture is more than the plain background colour.
    const QRect listPlace = list->VidList->geometry();
    const QRgb plain = oleToQColor(0x00776B62).rgb();
    int shown = 0;
    int differ = 0;
    int pictured = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            if (listPlace.contains(x, y))
                continue;
            ++shown;
            differ += shot.pixel(x, y) != picture.pixel(x, y);
            pictured += shot.pixel(x, y) != plain;
        }
    ASSERT_GT(shown, 2000);
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(pictured, shown);
    list->Unload();
}

TEST_F(DialogsTest, AClickInTheListPlaysThatFileAndSetsCaptureFromNoCap) {
    const QString a = clipPath("mpeg4.avi");
    const QString b = clipPath("clip.mov");
    VidBAS::g_Playlist = {QString(), a, b};
    VidBAS::g_PlaylistCount = 2;
    main.Cmds_Click(1);
    auto* list = qobject_cast<VideoList*>(Form::Loaded("VideoList"));
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    ASSERT_EQ(list->VidList->count(), 2);
    EXPECT_EQ(list->VidList->item(1)->text(), b);

    VidBAS::g_NoCap = true;
    list->VidList->setCurrentRow(1);
    list->VidList_Click();
    EXPECT_EQ(VidBAS::g_CurrentFile, b);
    EXPECT_EQ(main.MMPlay->Source(), b);
    EXPECT_EQ(main.trkPosition->Max(), main.MMPlay->TrackLength());
    EXPECT_TRUE(main.Cmds[4]->Enabled() && main.Cmds[5]->Enabled() && main.Cmds[9]->Enabled());
    EXPECT_FALSE(main.Cmd2[4]->Enabled());
    EXPECT_TRUE(main.Cmd2[5]->Enabled());

    // A second click on the toolbar shows the same window without refilling it.
    VidBAS::g_PlaylistCount = 1;
    main.Cmds_Click(1);
    EXPECT_EQ(list->VidList->count(), 2);
}

TEST_F(DialogsTest, AFileThePlayerRefusesDisablesTheVideoButtons) {
    VidBAS::g_Playlist = {QString(), clipPath("text.avi")};
    VidBAS::g_PlaylistCount = 1;
    QPointer<VideoList> list = new VideoList(&main);
    list->Show(0, &main);
    for (int i : {4, 5, 9})
        main.Cmds[i]->setEnabled(true);
    main.Cmd2[4]->setEnabled(true);
    QStringList texts;
    ModalAnswerer answerer([&](QWidget* w) {
        for (QLabel* l : w->findChildren<QLabel*>())
            if (l->objectName() == QLatin1String("Label1"))
                texts << l->text();
        w->close();
    });
    list->VidList->setCurrentRow(0);
    list->VidList_Click();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith("Error Opening Video File.    "));
    EXPECT_TRUE(texts[0].endsWith("\n\nOr CANCEL was selected.")) << texts[0].toStdString();
    for (int i : {4, 5, 9})
        EXPECT_FALSE(main.Cmds[i]->Enabled()) << i;
    EXPECT_FALSE(main.Cmd2[4]->Enabled());
    ASSERT_FALSE(list.isNull());
    EXPECT_TRUE(list->IsLoaded());
    EXPECT_TRUE(list->isVisible()) << list->isHidden() << list->isMinimized();
}
