#include "app/options.h"

#include "app/main_form.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "controls/xpcheckbox.h"
#include "controls/xpradiobutton.h"
#include "forms/runtime.h"
#include "platform/dialogs/scripteddialogprovider.h"
#include "play/playcontrol.h"
#include "settings/settingsstore.h"
#include "support/diskfaults.h"
#include "support/modalanswerer.h"
#include "support/testenv.h"
#include "support/waiting.h"
#include "support/whileloading.h"
#include "viewers/aaprintpicture.h"
#include "widgets/indextab.h"
#include "widgets/label.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace korimo;

namespace {

// Keeps the print system away from any real printer: previews work without one.
const bool kNoPrinter = [] {
    qputenv("CUPS_SERVER", "/nonexistent/korimo-no-cups.sock");
    return true;
}();

void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void clickOn(QWidget* w, QPoint pos = QPoint(4, 4)) {
    sendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kNoPrinter);
        VidBAS::ResetState();
        main = std::make_unique<Main>();
        Options::setStoreLog(&stored);
    }
    void TearDown() override {
        Options::setStoreLog(nullptr);
        if (dlg && dlg->IsLoaded())
            dlg->Unload();
        main.reset();
    }

    Options* open() {
        dlg = new Options(main.get());
        dlg->Show(0, main.get());
        return dlg;
    }
    // The raw text the settings file holds for a key, or "<none>".
    QString file(const QString& key) const {
        QSettings s(settings.path(), QSettings::IniFormat);
        s.beginGroup(QStringLiteral("Settings"));
        return s.value(key, QStringLiteral("<none>")).toString();
    }
    void showTab(int index) {
        QTabBar* bar = dlg->IndexTab1->tabBar();
        clickOn(bar, bar->tabRect(index).center());
        ASSERT_EQ(dlg->IndexTab1->CurrentTab(), index);
        for (int i = 0; i < dlg->IndexTab1->TabCount(); ++i)
            EXPECT_EQ(dlg->IndexTab1->Page(i)->isVisible(), i == index) << "page " << i;
    }
    void save() { clickOn(dlg->Cmds[0], QPoint(10, 10)); }

    test::ScopedSettingsFile settings;
    std::unique_ptr<Main> main;
    QPointer<Options> dlg;
    QStringList stored;
};

} // namespace

TEST_F(OptionsTest, NewUserSeesTheDefaultsAndAnUnknownPositionSelectsNothing) {
    Options* d = open();
    for (xpcheckbox* off :
         {d->check1, d->check2, d->check3, d->check4, d->check5, d->check6, d->check7, d->check9})
        EXPECT_EQ(off->Value(), 0) << off->objectName().toStdString();
    EXPECT_EQ(d->check8->Value(), 1);
    EXPECT_EQ(d->check10->Value(), 1);
    EXPECT_TRUE(d->Option1->Value());
    EXPECT_FALSE(d->Option2->Value());
    EXPECT_TRUE(d->option3->Value());
    EXPECT_FALSE(d->check3->Enabled());
    EXPECT_EQ(d->LblFolder->Caption(), VidBAS::AutoSaveFolder());
    EXPECT_FALSE(d->LblFolder->isEnabled());
    EXPECT_FALSE(d->Cmds[1]->Enabled());
    EXPECT_EQ(d->cmbAlign->currentText(), QStringLiteral("Middle  ~  Center"));
    EXPECT_EQ(d->AAPrintPicture1->Align(), 4);
    EXPECT_TRUE(stored.isEmpty()) << "opening stores nothing";
    d->Unload();

    SettingsStore::save(QStringLiteral("PPosition"), QStringLiteral("12"));
    d = open();
    EXPECT_EQ(d->cmbAlign->currentIndex(), -1);
    EXPECT_EQ(d->AAPrintPicture1->Align(), 4) << "the layout keeps its own position";
    save();
    EXPECT_EQ(file(QStringLiteral("PPosition")), QStringLiteral("-1"));
}

TEST_F(OptionsTest, SaveStoresEverySettingInOrderAndCloses) {
    Options* d = open();
    for (xpcheckbox* on : {d->check1, d->check2, d->check4, d->check5, d->check9})
        clickOn(on);
    clickOn(d->check3); // enabled by the AutoSave tick
    clickOn(d->check8); // high quality off
    d->cmbAlign->setCurrentIndex(6);
    emit d->cmbAlign->activated(6);
    stored.clear();
    save();

    EXPECT_EQ(stored, (QStringList{"AutoDir", "AutoSave", "VidSave", "NoCap", "NoWin", "LoadVid",
                                   "SpecialFolder", "Folder", "Ext", "HighQ", "BW", "ToolTip",
                                   "PPosition"}));
    EXPECT_EQ(file("AutoSave"), "True");
    EXPECT_EQ(file("VidSave"), "True");
    EXPECT_EQ(file("NoCap"), "True");
    EXPECT_EQ(file("NoWin"), "True");
    EXPECT_EQ(file("LoadVid"), "True");
    EXPECT_EQ(file("SpecialFolder"), "False");
    EXPECT_EQ(file("AutoDir"), "False");
    EXPECT_EQ(file("HighQ"), "False");
    EXPECT_EQ(file("BW"), "True");
    EXPECT_EQ(file("ToolTip"), "True");
    EXPECT_EQ(file("Ext"), ".bmp");
    EXPECT_EQ(file("Folder"), VidBAS::AutoSaveFolder());
    EXPECT_EQ(file("PPosition"), "6");
    EXPECT_TRUE(VidBAS::g_AutoSave && VidBAS::g_VidSave && VidBAS::g_NoCap && VidBAS::g_NoWin &&
                VidBAS::g_LoadVid && VidBAS::g_BW && VidBAS::g_ToolTip);
    EXPECT_FALSE(VidBAS::g_HighQ);
    EXPECT_EQ(VidBAS::g_PPosition, 6);
    EXPECT_TRUE(!dlg || !dlg->IsLoaded()) << "Save closes the dialog";

    // Reopened, the dialog shows what was saved.
    d = open();
    EXPECT_EQ(d->check1->Value(), 1);
    EXPECT_EQ(d->check3->Value(), 1);
    EXPECT_TRUE(d->check3->Enabled());
    EXPECT_EQ(d->check8->Value(), 0);
    EXPECT_EQ(d->cmbAlign->currentIndex(), 6);
}

TEST_F(OptionsTest, FolderFormatAndSpecialFolderAreStoredAtOnceTheRestOnlyOnSave) {
    Options* d = open();
    clickOn(d->check1);
    clickOn(d->check4);
    EXPECT_EQ(file("AutoSave"), "<none>");
    EXPECT_EQ(file("NoWin"), "<none>");

    clickOn(d->check6);
    EXPECT_EQ(d->check6->Value(), 1);
    EXPECT_EQ(file("SpecialFolder"), "True");
    EXPECT_FALSE(d->Option1->Enabled());
    EXPECT_FALSE(d->Option2->Enabled());
    EXPECT_TRUE(d->LblFolder->isEnabled());
    EXPECT_TRUE(d->Cmds[1]->Enabled());
    clickOn(d->check6);
    EXPECT_EQ(file("SpecialFolder"), "False");
    EXPECT_TRUE(d->Option1->Enabled());
    EXPECT_FALSE(d->Cmds[1]->Enabled());

    clickOn(d->Option2);
    EXPECT_EQ(file("AutoDir"), "True");
    EXPECT_TRUE(VidBAS::g_AutoDir);
    showTab(3);
    clickOn(d->option6);
    EXPECT_EQ(file("Ext"), ".gif");
    EXPECT_EQ(VidBAS::g_Ext, ".gif");
    EXPECT_EQ(stored, (QStringList{"SpecialFolder", "SpecialFolder", "AutoDir", "Ext"}));
}

TEST_F(OptionsTest, TabsReselectTheStoredChoicesThatOtherTabsTookAway) {
    Options* d = open();
    showTab(3);
    clickOn(d->option4);
    EXPECT_EQ(file("Ext"), ".jpg");
    // One group for the whole window: the folder buttons lost their choice.
    EXPECT_FALSE(d->Option1->Value());
    EXPECT_FALSE(d->Option2->Value());

    showTab(0);
    EXPECT_TRUE(d->Option1->Value());
    EXPECT_FALSE(d->Option2->Value());
    clickOn(d->Option2);
    EXPECT_FALSE(d->option4->Value());
    showTab(3);
    EXPECT_TRUE(d->option4->Value());
    // Re-showing a stored choice takes nothing from the other tab.
    EXPECT_TRUE(d->Option2->Value());

    // Save right after a format choice still stores the folder choice made before it.
    showTab(3);
    clickOn(d->option5);
    save();
    EXPECT_EQ(file("AutoDir"), "True");
    EXPECT_EQ(file("Ext"), ".tga");
}

TEST_F(OptionsTest, NoCapKeepsItsTickWhenAutoSaveGoesAndDrivesTheCaptureButtons) {
    VidBAS::g_CurrentFile = QStringLiteral("/videos/clip.avi");
    SettingsStore::saveBool(QStringLiteral("AutoSave"), true);
    Options* d = open();
    EXPECT_TRUE(d->check3->Enabled());
    clickOn(d->check3);
    clickOn(d->check1);
    EXPECT_FALSE(d->check3->Enabled());
    EXPECT_EQ(d->check3->Value(), 1);
    save();
    EXPECT_EQ(file("AutoSave"), "False");
    EXPECT_EQ(file("NoCap"), "True");
    EXPECT_TRUE(main->Cmd2[5]->Enabled());
    EXPECT_FALSE(main->Cmd2[4]->Enabled());

    d = open();
    EXPECT_FALSE(d->check3->Enabled());
    clickOn(d->check1);
    clickOn(d->check3);
    EXPECT_EQ(d->check3->Value(), 0);
    save();
    EXPECT_EQ(file("NoCap"), "False");
    EXPECT_FALSE(main->Cmd2[5]->Enabled());
    EXPECT_TRUE(main->Cmd2[4]->Enabled());
}

TEST_F(OptionsTest, HalfSpeedReachesThePlayerAndIsNeverStored) {
    Options* d = open();
    clickOn(d->check7);
    save();
    EXPECT_TRUE(VidBAS::g_HalfSpeed);
    EXPECT_DOUBLE_EQ(main->MMPlay->Rate(), 0.5);
    QSettings raw(settings.path(), QSettings::IniFormat);
    for (const QString& key : raw.allKeys())
        EXPECT_FALSE(key.contains(QStringLiteral("Half"), Qt::CaseInsensitive))
            << key.toStdString();

    d = open();
    EXPECT_EQ(d->check7->Value(), 1) << "the run's half speed shows again";
    clickOn(d->check7);
    save();
    EXPECT_FALSE(VidBAS::g_HalfSpeed);
    EXPECT_DOUBLE_EQ(main->MMPlay->Rate(), 1.0);

    // A new run starts at full speed whatever was chosen before.
    VidBAS::g_HalfSpeed = true;
    VidBAS::ResetState();
    d = open();
    EXPECT_EQ(d->check7->Value(), 0);
}

TEST_F(OptionsTest, BrowseStoresAChosenFolderAndACancelChangesNothing) {
    test::ScriptedDialogProvider picker;
    SettingsStore::saveBool(QStringLiteral("SpecialFolder"), true);
    Options* d = open();
    ASSERT_TRUE(d->Cmds[1]->Enabled());
    const QString before = d->LblFolder->Caption();

    picker.folderAnswer.clear();
    clickOn(d->Cmds[1], QPoint(10, 10));
    EXPECT_EQ(picker.asked, 1);
    EXPECT_EQ(picker.last.owner, d);
    EXPECT_EQ(d->LblFolder->Caption(), before);
    EXPECT_EQ(file("Folder"), "<none>");

    picker.folderAnswer = QStringLiteral("/srv/captures");
    clickOn(d->Cmds[1], QPoint(10, 10));
    EXPECT_EQ(d->LblFolder->Caption(), QStringLiteral("/srv/captures"));
    EXPECT_EQ(file("Folder"), QStringLiteral("/srv/captures"));
    EXPECT_TRUE(d->IsLoaded()) << "the dialog stays open";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(OptionsTest, PreviewFollowsThePositionListAndTheFocusLeavesTheList) {
    Options* d = open();
    // The sample picture is not white; find where it lands in the 199 x 150 preview.
    const QSize box(Options::kPreviewWidthTwips / 15, Options::kPreviewHeightTwips / 15);
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        d->cmbAlign->setFocus();
        d->cmbAlign->setCurrentIndex(i);
        emit d->cmbAlign->activated(i);
        EXPECT_EQ(d->AAPrintPicture1->Align(), i);
        const QImage shown = d->picPreview->Image();
        QRect ink;
        for (int y = 0; y < box.height(); ++y)
            for (int x = 0; x < box.width(); ++x)
                if (shown.pixelColor(x, y).lightness() < 235)
                    ink |= QRect(x, y, 1, 1);
        ASSERT_FALSE(ink.isNull());
        // Column and row of the picture's centre in thirds of the page.
        EXPECT_EQ(ink.center().x() * 3 / box.width(), i % 3);
        EXPECT_EQ(ink.center().y() * 3 / box.height(), i / 3);
        EXPECT_FALSE(d->cmbAlign->hasFocus());
        EXPECT_EQ(d->focusWidget(), d->Co);
    }
}

TEST_F(OptionsTest, ToolbarButtonShowsTheDialogModallyOverMain) {
    main->Load();
    QPointer<QWidget> seen;
    QWidget* seenParent = nullptr;
    test::ModalAnswerer answerer([&](QWidget* w) {
        seen = w;
        seenParent = w->parentWidget();
        if (auto* o = qobject_cast<Options*>(w)) {
            clickOn(o->check10); // hints off
            clickOn(o->Cmds[0], QPoint(10, 10));
        } else {
            w->close();
        }
    });
    main->Cmds_Click(8);
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_EQ(answerer.seen().size(), 1);
    EXPECT_EQ(seenParent, main.get());
    EXPECT_EQ(file("ToolTip"), "False");
    // The caller re-applies the hint setting when the dialog has closed.
    EXPECT_TRUE(main->Cmds[0]->toolTip().isEmpty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(OptionsTest, ASecondClickWhileTheDialogLoadsOpensNoStaleSecondDialog) {
    main->Load();
    // The second click of a double click, handled while the first one's dialog still loads.
    test::WhileLoading<Options> second([&] { main->Cmds_Click(8); });
    int shown = 0;
    test::ModalAnswerer answerer([&](QWidget* w) {
        auto* o = qobject_cast<Options*>(w);
        if (!o) {
            w->close();
            return;
        }
        if (++shown == 1)
            clickOn(o->check4); // close the viewer after a save
        clickOn(o->Cmds[0], QPoint(10, 10));
    });
    main->Cmds_Click(8);
    ASSERT_TRUE(second.done());
    EXPECT_EQ(shown, 1);
    // No dialog loaded before the choice was saved writes its old values over it.
    EXPECT_EQ(file("NoWin"), "True");
    EXPECT_TRUE(VidBAS::g_NoWin);
}

TEST_F(OptionsTest, OptionButtonsSitOnTheirLightBlueSquares) {
    Options* d = open();
    const struct {
        xpradiobutton* button;
        QColor surface;
    } expected[] = {{d->Option1, QColor(0xAE, 0xC9, 0xEF)}, {d->Option2, QColor(0xA9, 0xC5, 0xEE)},
                    {d->option3, QColor(0xAE, 0xC9, 0xEF)}, {d->option4, QColor(0xA9, 0xC5, 0xEE)},
                    {d->option5, QColor(0xA9, 0xC5, 0xEE)}, {d->option6, QColor(0xA9, 0xC5, 0xEE)}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.button->objectName().toStdString());
        const QImage face = e.button->grab().toImage();
        // The glyph is smaller than the control: below it the surface shows.
        for (int x = 0; x < face.width(); ++x)
            ASSERT_EQ(face.pixelColor(x, face.height() - 1), e.surface) << "x " << x;
    }
}

TEST_F(OptionsTest, FolderFieldShowsTheFolderNameAsItIs) {
    test::ScriptedDialogProvider picker;
    SettingsStore::saveBool(QStringLiteral("SpecialFolder"), true);
    Options* d = open();
    picker.folderAnswer = QStringLiteral("/srv/<b>caps</b>");
    clickOn(d->Cmds[1], QPoint(10, 10));
    ASSERT_EQ(file("Folder"), QStringLiteral("/srv/<b>caps</b>"));

    // The same text in a label that never reads markup.
    QLabel literal;
    literal.setTextFormat(Qt::PlainText);
    literal.setFont(d->LblFolder->font());
    literal.setPalette(d->LblFolder->palette());
    literal.setAutoFillBackground(true);
    literal.setAlignment(d->LblFolder->alignment());
    literal.setWordWrap(d->LblFolder->wordWrap());
    literal.setText(d->LblFolder->Caption());
    literal.resize(d->LblFolder->size());
    EXPECT_TRUE(d->LblFolder->grab().toImage() == literal.grab().toImage());
}

TEST_F(OptionsTest, AFolderWhoseNameEndsInABlankIsKeptWithItsBlank) {
    test::ScriptedDialogProvider picker;
    const QTemporaryDir folders;
    ASSERT_TRUE(folders.isValid());
    const QString base = folders.path();
    const QString blankEnd = base + QStringLiteral("/caps ");
    const QString plain = base + QStringLiteral("/plain");
    ASSERT_TRUE(QDir().mkpath(blankEnd));
    ASSERT_TRUE(QDir().mkpath(plain));
    ASSERT_TRUE(QDir().mkpath(base + QStringLiteral("/caps")));
    SettingsStore::saveBool(QStringLiteral("SpecialFolder"), true);

    Options* d = open();
    picker.folderAnswer = blankEnd;
    clickOn(d->Cmds[1], QPoint(10, 10));
    EXPECT_EQ(file("Folder").toStdString(), blankEnd.toStdString());
    save();
    EXPECT_EQ(file("Folder").toStdString(), blankEnd.toStdString())
        << "Save must not swap in the folder without the blank";
    EXPECT_EQ(VidBAS::g_Folder.toStdString(), blankEnd.toStdString());

    d = open();
    EXPECT_EQ(d->LblFolder->Caption().toStdString(), blankEnd.toStdString());
    save();
    EXPECT_EQ(file("Folder").toStdString(), blankEnd.toStdString());

    // Blanks typed around a folder's name by hand are still no part of it.
    SettingsStore::save(QStringLiteral("Folder"),
                        QStringLiteral("  ") + plain + QStringLiteral(" "));
    d = open();
    EXPECT_EQ(d->LblFolder->Caption(), plain);
    save();
    EXPECT_EQ(file("Folder"), plain);
}

TEST_F(OptionsTest, SettingsThatCannotBeWrittenAreToldOnceAndHoldForTheRun) {
    // A settings file there already, then made read-only itself or through its folder.
    SettingsStore::save(QStringLiteral("Ext"), QStringLiteral(".bmp"));
    for (const QString& place : {settings.dir(), settings.path()}) {
        test::ReadOnlyPlace readOnly(place);
        ASSERT_TRUE(readOnly.ok()) << readOnly.error().toStdString();
        test::MessageCatcher messages;
        Options* d = open();
        showTab(3);
        clickOn(d->option4); // JPG, stored at once
        clickOn(d->check9);  // print in black and white, stored by Save
        save();
        EXPECT_TRUE(!dlg || !dlg->IsLoaded()) << "Save still closes the dialog";

        ASSERT_EQ(messages.titles, QStringList{"Settings Error!"}) << place.toStdString();
        const QStringList lines = messages.texts[0].split('\n');
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[0], "Error saving settings. The options chosen stay in force until the "
                            "program closes.");
        EXPECT_TRUE(lines[1].startsWith(settings.path() + ": ")) << lines[1].toStdString();
        EXPECT_GT(lines[1].size(), settings.path().size() + 2) << "the reason is given";
        EXPECT_EQ(file("Ext"), ".bmp") << "the file is as it was";

        // The choices hold for this run: the next save reads JPG, the dialog shows it again.
        EXPECT_EQ(VidBAS::g_Ext, ".jpg");
        EXPECT_EQ(SettingsStore::get(QStringLiteral("Ext"), QStringLiteral(".bmp")), ".jpg");
        EXPECT_TRUE(SettingsStore::getBool(QStringLiteral("BW"), false));
        d = open();
        EXPECT_TRUE(d->option4->Value());
        EXPECT_EQ(d->check9->Value(), 1);
        d->Unload();
        // The next run starts from the file, so this one does too.
        SettingsStore::setFile(settings.path());
    }
}
