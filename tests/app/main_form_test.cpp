#include "app/main_form.h"
#include "app/switchlook.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "mainwindowtest.h"
#include "platform/dialogs/scripteddialogprovider.h"
#include "platform/play/playmedia.h"
#include "settings/settingsstore.h"
#include "support/testenv.h"
#include "widgets/elastic.h"
#include "widgets/hslider.h"
#include "widgets/label.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

using namespace korimo;

namespace {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override { VidBAS::ResetState(); }
    void TearDown() override {
        SettingsStore::setReadLog(nullptr);
        VidBAS::ResetState();
    }
    test::ScopedSettingsFile settings;
};

} // namespace

TEST_F(MainFormTest, NewUserStartsWithTheDefaultsInTheDesignedReadOrder) {
    QStringList reads;
    SettingsStore::setReadLog(&reads);
    Main main;
    main.Load();
    const QStringList expected = {"AutoSave", "VidSave",       "NoCap",  "AutoDir",   "NoWin",
                                  "LoadVid",  "SpecialFolder", "Folder", "PPosition", "ToolTip"};
    EXPECT_EQ(reads, expected);
    EXPECT_TRUE(VidBAS::g_ShowPlayErrors);
    EXPECT_FALSE(VidBAS::g_AutoSave || VidBAS::g_VidSave || VidBAS::g_NoCap || VidBAS::g_AutoDir ||
                 VidBAS::g_NoWin || VidBAS::g_LoadVid || VidBAS::g_SpecialFolder);
    EXPECT_EQ(VidBAS::g_Folder, VidBAS::AutoSaveFolder());
    EXPECT_EQ(VidBAS::g_PPosition, 4);
    EXPECT_TRUE(VidBAS::g_ToolTip);
    EXPECT_FALSE(VidBAS::g_HalfSpeed);
    EXPECT_TRUE(VidBAS::g_HelpFile.endsWith("/Korimo.html"));
    EXPECT_EQ(VidBAS::g_TwipsX, 15);
    EXPECT_TRUE(QDir(VidBAS::AutoSaveFolder()).exists());
}

TEST_F(MainFormTest, StoredSettingsReachTheirCopies) {
    for (const char* key :
         {"AutoSave", "VidSave", "NoCap", "AutoDir", "NoWin", "LoadVid", "SpecialFolder"})
        SettingsStore::saveBool(key, true);
    SettingsStore::save("Folder", "/tmp/korimo captures");
    SettingsStore::save("PPosition", "8");
    Main main;
    main.Load();
    EXPECT_TRUE(VidBAS::g_AutoSave && VidBAS::g_VidSave && VidBAS::g_NoCap && VidBAS::g_AutoDir &&
                VidBAS::g_NoWin && VidBAS::g_LoadVid && VidBAS::g_SpecialFolder);
    EXPECT_EQ(VidBAS::g_Folder, "/tmp/korimo captures");
    EXPECT_EQ(VidBAS::g_PPosition, 8);
}

TEST_F(MainFormTest, UnreadableValuesKeepStartValuesAndStartUpGoesOn) {
    SettingsStore::save("AutoSave", "yes please");
    SettingsStore::saveBool("VidSave", true);
    SettingsStore::save("PPosition", "middle");
    Main main;
    main.Load();
    EXPECT_FALSE(VidBAS::g_AutoSave);
    EXPECT_TRUE(VidBAS::g_VidSave); // the next step still ran
    EXPECT_EQ(VidBAS::g_PPosition, 0);
    EXPECT_TRUE(VidBAS::g_ToolTip);
}

TEST_F(MainFormTest, TooltipsComeFromTagsWhenHintsAreOn) {
    Main main;
    main.Load();
    EXPECT_EQ(main.Cmd2[4]->toolTip(), " Capture Frame to 24 bit BMP ");
    EXPECT_EQ(main.Cmd2[6]->toolTip(), " Sound ON");
    EXPECT_EQ(main.Cmds[7]->toolTip(), "Cancel URL video download");
    EXPECT_EQ(main.trkPosition->toolTip(), " Position Video - Use ARROW keys for single advance ");
    // The caption labels have no tag, so they lose their design tooltips.
    for (Label* l : main.LblCmds)
        EXPECT_TRUE(l->toolTip().isEmpty());
}

TEST_F(MainFormTest, TooltipsOffKeepTheDesignTooltips) {
    SettingsStore::saveBool("ToolTip", false);
    Main main;
    main.Load();
    EXPECT_FALSE(VidBAS::g_ToolTip);
    EXPECT_EQ(main.LblCmds[0]->toolTip(), "Minimize");
    EXPECT_EQ(main.LblCmds[1]->toolTip(), "Maximize");
    EXPECT_EQ(main.LblCmds[2]->toolTip(), "Close Korimo");
    EXPECT_TRUE(main.Cmd2[4]->toolTip().isEmpty());
}

TEST_F(MainFormTest, WindowIsBorderlessRoundedAndTitled) {
    Main main;
    main.Load();
    main.Show();
    QApplication::processEvents();
    EXPECT_EQ(main.size(), QSize(717, 478));
    EXPECT_TRUE(main.windowIcon().availableSizes().contains(QSize(48, 48)));
    EXPECT_TRUE(main.windowFlags() & Qt::FramelessWindowHint);
    const QRegion mask = main.mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(716, 0)));
    EXPECT_FALSE(mask.contains(QPoint(0, 477)));
    EXPECT_FALSE(mask.contains(QPoint(716, 477)));
    EXPECT_TRUE(mask.contains(QPoint(10, 10)));
    EXPECT_TRUE(mask.contains(QPoint(358, 0)));
    EXPECT_TRUE(mask.contains(QPoint(0, 239)));
    QApplication::setActiveWindow(&main);
    QApplication::processEvents();
    EXPECT_EQ(main.windowTitle(), "Korimo v3.0");
    EXPECT_EQ(main.g_WindowTitle, "Korimo v3.0");
}

TEST_F(MainFormTest, ControlsStartInTheirDesignedStates) {
    Main main;
    main.Load();
    EXPECT_EQ(main.Cmd2[0]->geometry(), twipsRect(960, 5730, 415, 315));
    EXPECT_EQ(main.Cmds[9]->geometry(), twipsRect(8790, 3360, 675, 435));
    for (int i : {4, 5})
        EXPECT_FALSE(main.Cmd2[i]->Enabled()) << i;
    for (int i : {1, 4, 5, 6, 7, 9})
        EXPECT_FALSE(main.Cmds[i]->Enabled()) << i;
    for (int i : {0, 2, 3, 8})
        EXPECT_TRUE(main.Cmds[i]->Enabled()) << i;
    EXPECT_EQ(main.Cmds[4]->Caption(), "Stretch");
    EXPECT_TRUE(switchIsOn(main.Cmd2[6]));
    EXPECT_FALSE(main.Cmd2[6]->XPDefaultColors());
    for (Button_XP* b : {main.Cmd2[7], main.Cmd2[8], main.btnSelStart, main.btnSelEnd})
        EXPECT_FALSE(switchIsOn(b));
    EXPECT_TRUE(main.Label4->isVisibleTo(&main));
    EXPECT_FALSE(main.lbldl->isVisibleTo(&main));
    EXPECT_EQ(main.Timer3.interval(), 7000);
    EXPECT_FALSE(main.Timer3.isActive());
    EXPECT_TRUE(main.Timer1.isActive() && main.Timer2.isActive() && main.Timer4.isActive());
}

TEST_F(MainFormTest, DecorationsShowTheirPicturesAtTheirDesignPlaces) {
    Main main;
    main.Load();
    const QImage shot = main.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage skin = main.Elastic1->shownPicture().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), skin.size());
    const struct {
        const char* name;
        QRect place;
    } decorations[] = {{"Image1", twipsRect(960, 6480, 990, 510)},
                       {"Image2", twipsRect(8130, 480, 2100, 1725)},
                       {"Image3", twipsRect(1920, 6600, 615, 315)},
                       {"Label1", twipsRect(1860, 6360, 255, 255)}};
    for (const auto& d : decorations) {
        SCOPED_TRACE(d.name);
        auto* picture = main.Elastic1->findChild<QWidget*>(QString::fromLatin1(d.name));
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->geometry(), d.place);
        EXPECT_TRUE(picture->isVisibleTo(&main));
        // Most of its place shows the picture instead of the bare skin.
        int drawn = 0;
        for (int y = d.place.top(); y <= d.place.bottom(); ++y)
            for (int x = d.place.left(); x <= d.place.right(); ++x) {
                const QColor a = shot.pixelColor(x, y);
                const QColor b = skin.pixelColor(x, y);
                drawn += qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) +
                             qAbs(a.blue() - b.blue()) >
                         40;
            }
        EXPECT_GT(drawn, d.place.width() * d.place.height() * 2 / 5);
    }
}

TEST_F(MainFormTest, MaximiseKeepsTheOnLooksAndASecondClickRestores) {
    Main main;
    main.Load();
    main.Show();
    setSwitchLook(main.btnSelStart, true);
    main.LblCmds_Click(1);
    QApplication::processEvents();
    EXPECT_TRUE(main.g_Maximised);
    EXPECT_TRUE(switchIsOn(main.Cmd2[6]));
    EXPECT_TRUE(switchIsOn(main.btnSelStart));
    EXPECT_FALSE(switchIsOn(main.Cmd2[7]));
    EXPECT_FALSE(main.Cmd2[6]->XPDefaultColors());
    // The outline and the skin follow the new size.
    EXPECT_GT(main.width(), 717);
    EXPECT_EQ(main.Elastic1->geometry(), main.rect());
    EXPECT_FALSE(main.mask().contains(QPoint(main.width() - 1, 0)));
    EXPECT_TRUE(main.mask().contains(QPoint(main.width() / 2, main.height() / 2)));
    main.LblCmds_Click(1);
    QApplication::processEvents();
    EXPECT_FALSE(main.g_Maximised);
    EXPECT_EQ(main.WindowState(), 0);
    EXPECT_EQ(main.Elastic1->geometry(), main.rect());
}

TEST_F(MainFormTest, CaptionHoverTurnsYellowAndTheSkinResetsOnlyTheLastOne) {
    Main main;
    main.Load();
    main.LblCmds_MouseMove(2, 0, 0, 1, 1);
    EXPECT_EQ(main.LblCmds[2]->ForeColor(), 0xFFFF);
    main.LblCmds_MouseMove(0, 0, 0, 1, 1);
    main.Elastic1_MouseMove(0, 0, 5, 5);
    EXPECT_EQ(main.LblCmds[0]->ForeColor(), 0);
    // The first label was not crossed back over the skin, so it stays yellow.
    EXPECT_EQ(main.LblCmds[2]->ForeColor(), 0xFFFF);
}

TEST_F(MainFormTest, ClosingUnloadsEveryOtherFormFirst) {
    Main main;
    main.Load();
    main.Show();
    QPointer<Form> viewer = new Form("Viewer");
    QPointer<Form> tools = new Form("Tools");
    QPointer<Form> list = new Form("VideoList");
    viewer->Show();
    tools->Show();
    list->Show();
    bool ended = false;
    QObject::connect(&main, &Form::unloaded, [&] { ended = true; });
    main.LblCmds_Click(2);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(Form::Forms().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(viewer.isNull() && tools.isNull() && list.isNull());
}

TEST_F(MainFormTest, TimersHideTheHintAndClearTheStatusLine) {
    Main main;
    main.Load();
    main.Show();
    main.Timer1_Timer();
    EXPECT_FALSE(main.Timer1.isActive());
    EXPECT_TRUE(main.Timer3.isActive());
    main.Timer3_Timer();
    EXPECT_FALSE(main.Label4->isVisible());
    EXPECT_FALSE(main.Timer3.isActive());
    main.LblHide->setCaption("hint");
    main.Timer4_Timer();
    EXPECT_TRUE(main.LblHide->Caption().isEmpty());
    // NoCap without a file changes nothing; with a file it swaps capture for save.
    VidBAS::g_NoCap = true;
    main.Timer2_Timer();
    EXPECT_FALSE(main.Cmd2[5]->Enabled());
    VidBAS::g_CurrentFile = "/tmp/clip.avi";
    main.Cmd2[4]->setEnabled(true);
    main.Timer2_Timer();
    EXPECT_TRUE(main.Cmd2[5]->Enabled());
    EXPECT_FALSE(main.Cmd2[4]->Enabled());
}

TEST(MainRegion, RoundedCornersCutAtEverySize) {
    for (QSize s : {QSize(717, 478), QSize(1920, 1080), QSize(30, 30), QSize(5, 5)}) {
        const QRegion r = mainWindowRegion(s);
        EXPECT_FALSE(r.contains(QPoint(0, 0))) << s.width();
        EXPECT_FALSE(r.contains(QPoint(s.width() - 1, s.height() - 1))) << s.width();
        EXPECT_TRUE(r.contains(QPoint(s.width() / 2, s.height() / 2))) << s.width();
        EXPECT_LE(r.boundingRect().width(), s.width());
    }
    EXPECT_TRUE(mainWindowRegion(QSize(0, 10)).isEmpty());
}

TEST_F(MainFormTest, DraggingTheSkinOrStatusLineMovesTheWindowWithAnyButton) {
    Main main;
    main.Load();
    main.Show();
    QApplication::processEvents();
    for (int button : {1, 2}) {
        const Qt::MouseButton pressed = button == 1 ? Qt::LeftButton : Qt::RightButton;
        QWidget* grip = button == 1 ? static_cast<QWidget*>(main.Elastic1) : main.LblHide;
        const QPoint at = button == 1 ? QPoint(20, 300) : QPoint(5, 5);
        const QPoint start = main.pos();
        const QPoint grab = grip->mapToGlobal(at);
        QCursor::setPos(grab);
        QTest::mousePress(grip, pressed, {}, at);
        // Without a window manager the window follows the pointer itself.
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(grab + QPoint(40, 25)),
                         Qt::NoButton, pressed, Qt::NoModifier);
        QApplication::sendEvent(main.LblHide, &move);
        QTest::mouseRelease(grip, pressed, {}, grip->mapFromGlobal(grab + QPoint(40, 25)));
        EXPECT_EQ(main.pos(), start + QPoint(40, 25)) << button;
        // Once released, moves no longer drag.
        QMouseEvent later(QEvent::MouseMove, QPointF(5, 5), QPointF(grab + QPoint(90, 90)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(main.LblHide, &later);
        EXPECT_EQ(main.pos(), start + QPoint(40, 25)) << button;
    }
}

namespace {
class ToolbarTest : public test::MainWindowTest {};
} // namespace

TEST_F(ToolbarTest, AnOpenWithAnUnreadableNoCapSetsTheButtonsFromTheLastKnownValue) {
    test::ScriptedDialogProvider dialogs;
    SettingsStore::save("NoCap", "maybe");
    // Save is on from an earlier capture; the open still sets both buttons, from the old value.
    main.Cmd2[5]->setEnabled(true);
    dialogs.openAnswer = {test::clipPath("lossless.avi")};
    main.Cmds_Click(0);
    ASSERT_EQ(VidBAS::g_CurrentFile, test::clipPath("lossless.avi"));
    EXPECT_FALSE(VidBAS::g_NoCap);
    EXPECT_TRUE(main.Cmd2[4]->Enabled());
    EXPECT_FALSE(main.Cmd2[5]->Enabled());

    VidBAS::g_NoCap = true;
    main.Cmds_Click(0);
    EXPECT_TRUE(VidBAS::g_NoCap);
    EXPECT_TRUE(main.Cmd2[5]->Enabled());
    EXPECT_FALSE(main.Cmd2[4]->Enabled());
}
