#include "viewers/viewer.h"

#include "printer/printer.h"
#include "settings/settingsstore.h"
#include "viewers/aaprintpicture.h"
#include "viewers/tools.h"

#include "app/main_form.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "imaging/imgctl.h"
#include "support/modalanswerer.h"
#include "support/testenv.h"
#include "support/waiting.h"
#include "widgets/elastic.h"
#include "widgets/picturebox.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using namespace korimo;

namespace {

// A picture whose every pixel differs from its neighbours, so a shifted or scaled copy shows.
QImage patterned(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7 + y) & 0xFF, (y * 5 + x * 3) & 0xFF, (x ^ y) & 0xFF));
    return img;
}

bool samePicture(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        VidBAS::ResetState();
        QApplication::clipboard()->clear();
        main = std::make_unique<Main>();
        main->Load();
    }
    void TearDown() override {
        for (Viewer::Kind k : {Viewer::First, Viewer::Second})
            if (Viewer* v = findViewer(k))
                v->Unload();
        main.reset();
        VidBAS::ResetState();
    }

    // A viewer holding an 80 x 60 capture whose prints go to a PDF file in the test's folder;
    // no print server answers, whatever queues the machine has.
    Viewer* loadViewerPrintingTo(const QString& pdf) {
        qputenv("CUPS_SERVER", "/nonexistent/korimo-no-cups.sock");
        Printer::setPdfOutput(pdf);
        QApplication::clipboard()->setImage(patterned(80, 60));
        return loadViewer(Viewer::First);
    }

    test::ScopedSettingsFile settings;
    std::unique_ptr<Main> main;
};

} // namespace

TEST_F(ViewerTest, LoadShowsTheClipboardPictureAndWrapsTheWindowAroundIt) {
    const QImage frame = patterned(150, 90);
    QApplication::clipboard()->setImage(frame);
    main->Cmds[6]->setEnabled(false);

    Viewer* v = loadViewer(Viewer::First);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(findViewer(Viewer::First), v);
    EXPECT_EQ(loadViewer(Viewer::First), v); // a loaded window is not loaded again

    EXPECT_TRUE(samePicture(v->ImgCtl1->ImagePicture(), frame));
    EXPECT_TRUE(samePicture(v->ClipPic->Picture(), frame));
    EXPECT_EQ(v->ClipPic->size(), frame.size());
    EXPECT_EQ(v->ClipPic->pos(), QPoint(0, 0));
    EXPECT_EQ(v->Picture1->size(), frame.size());
    EXPECT_TRUE(v->geometry().contains(v->mapToParent(v->Picture1->geometry().bottomRight())));
    EXPECT_LT(v->width(), frame.width() + 40);
    EXPECT_FALSE(v->ClipPic->AutoSize());
    EXPECT_EQ(v->Elastic1->LayoutMode(), 7);
    EXPECT_TRUE(main->Cmds[6]->Enabled());
    ASSERT_NE(Tools::loaded(), nullptr);
    EXPECT_EQ(Tools::loaded()->host(), v);

    // With the layout held again, sizing the window stretches the black box but not the picture.
    v->Show(0, main.get());
    v->resize(v->width() + 100, v->height() + 60);
    EXPECT_EQ(v->ClipPic->size(), frame.size());
    EXPECT_EQ(v->Picture1->width(), frame.width() + 100);
    EXPECT_EQ(v->Elastic1->size(), v->size());

    main->Cmd2[5]->setEnabled(true);
    ASSERT_TRUE(v->Unload());
    EXPECT_EQ(findViewer(Viewer::First), nullptr);
    EXPECT_FALSE(main->Cmd2[5]->Enabled());
    EXPECT_FALSE(main->Cmds[6]->Enabled());
    EXPECT_EQ(Tools::loaded(), nullptr);
    EXPECT_FALSE(VidBAS::g_ToolsOpen);
}

TEST_F(ViewerTest, AFrameLargerThanTheScreenGetsAWindowTheScreenHolds) {
    const QSize screen = QApplication::primaryScreen()->availableGeometry().size();
    const QImage frame = patterned(screen.width() + 300, screen.height() + 200);
    QApplication::clipboard()->setImage(frame);
    Viewer* v = loadViewer(Viewer::First);
    EXPECT_EQ(v->ClipPic->size(), frame.size()); // the picture is kept whole, only cut
    // As wide as the screen, and short enough for the tool window below it.
    EXPECT_EQ(v->width(), screen.width());
    EXPECT_GT(v->height(), screen.height() / 2);
    EXPECT_LE(v->height() + Tools::clientSize().height(), screen.height());
}

TEST_F(ViewerTest, AClipboardWithoutAPictureStillEnablesPrinting) {
    QApplication::clipboard()->setText(QStringLiteral("not a picture"));
    main->Cmds[6]->setEnabled(false);
    Viewer* v = loadViewer(Viewer::First);
    EXPECT_FALSE(v->ImgCtl1->hasImage());
    EXPECT_TRUE(v->ClipPic->Picture().isNull());
    EXPECT_TRUE(main->Cmds[6]->Enabled());
    EXPECT_EQ(v->ClipPic->size(), QSize(215, 215)); // the design size stays
}

TEST_F(ViewerTest, OnlyTheFirstWindowOfARunShowsTheVideoName) {
    VidBAS::g_CurrentFile = QStringLiteral("/videos/holiday.avi");
    const QString design = QStringLiteral("Click on \"Save\" to save this frame.");

    Viewer* first = loadViewer(Viewer::First);
    EXPECT_EQ(first->windowTitle(), "/videos/holiday.avi");
    Viewer* second = loadViewer(Viewer::Second);
    EXPECT_EQ(second->windowTitle(), "/videos/holiday.avi - Resize");

    first->Unload();
    second->Unload();
    EXPECT_EQ(loadViewer(Viewer::First)->windowTitle(), design);
    EXPECT_EQ(loadViewer(Viewer::Second)->windowTitle(), design);
}

TEST_F(ViewerTest, TheCaptionShowsAVideoNameAsItIs) {
    // "[*]" is the window system's mark for unsaved changes; in a file name it is just text.
    VidBAS::g_CurrentFile = QStringLiteral("/videos/Tom & Jerry [*] caf\u00e9 \U0001F3AC.avi");
    Viewer* first = loadViewer(Viewer::First);
    first->Show(0, main.get());
    Viewer* second = loadViewer(Viewer::Second);
    second->Show(0, main.get());
    ASSERT_TRUE(first->windowHandle() && second->windowHandle());
    EXPECT_EQ(first->windowHandle()->title().toStdString(), VidBAS::g_CurrentFile.toStdString());
    EXPECT_EQ(second->windowHandle()->title().toStdString(),
              (VidBAS::g_CurrentFile + QStringLiteral(" - Resize")).toStdString());
}

TEST_F(ViewerTest, TheSecondWindowIsMarkedOpenUntilItUnloads) {
    const QImage frame = patterned(64, 48);
    QApplication::clipboard()->setImage(frame);
    Viewer* v2 = loadViewer(Viewer::Second);
    EXPECT_EQ(v2->Name(), "viewer2");
    EXPECT_TRUE(VidBAS::g_Viewer2Open);
    EXPECT_TRUE(samePicture(v2->ImgCtl1->ImagePicture(), frame));

    // Closing it leaves the main window's buttons to the first viewer.
    main->Cmd2[5]->setEnabled(true);
    v2->close();
    EXPECT_FALSE(VidBAS::g_Viewer2Open);
    EXPECT_TRUE(main->Cmd2[5]->Enabled());
    EXPECT_EQ(findViewer(Viewer::Second), nullptr);
}

TEST_F(ViewerTest, ASecondWindowThatCannotFinishLoadingSaysSoAndStaysUnmarked) {
    // Without the main window the print button cannot be enabled, which fails the load.
    main.reset();
    QApplication::clipboard()->setImage(patterned(32, 32));
    test::MessageCatcher messages;
    Viewer* v2 = loadViewer(Viewer::Second);
    EXPECT_EQ(messages.titles, QStringList{"Error Opening Capture!"});
    EXPECT_EQ(messages.texts, QStringList{"Error opening clipboard capture."});
    EXPECT_FALSE(VidBAS::g_Viewer2Open);
    EXPECT_TRUE(v2->IsLoaded());
    // The first window skips the same failure and goes on.
    Viewer* v1 = loadViewer(Viewer::First);
    EXPECT_EQ(messages.titles.size(), 1);
    EXPECT_EQ(v1->ClipPic->size(), QSize(32, 32));
}

TEST_F(ViewerTest, DraggingThePictureWithTheRightButtonMovesTheWindowToo) {
    QApplication::clipboard()->setImage(patterned(120, 100));
    Viewer* v = loadViewer(Viewer::First);
    v->Show(0, main.get());
    QApplication::processEvents();
    const QPoint start = v->pos();
    const QPoint grab = v->ClipPic->mapToGlobal(QPoint(10, 10));
    const QPoint to = grab + QPoint(30, -20);
    QCursor::setPos(grab);
    QTest::mousePress(v->ClipPic, Qt::RightButton, {}, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(40, -10), QPointF(to), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(v->ClipPic, &move);
    QTest::mouseRelease(v->ClipPic, Qt::RightButton, {}, v->ClipPic->mapFromGlobal(to));
    EXPECT_EQ(v->pos(), start + QPoint(30, -20));
}

TEST_F(ViewerTest, PrintingTakesTheShownPictureAndTheCurrentOptions) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("page.pdf");
    Viewer* v = loadViewerPrintingTo(pdf);
    VidBAS::g_PPosition = 8;
    SettingsStore::saveBool(QStringLiteral("HighQ"), false);
    SettingsStore::saveBool(QStringLiteral("BW"), true);
    test::MessageCatcher messages;

    v->PrintMe();
    EXPECT_TRUE(messages.titles.isEmpty());
    EXPECT_FALSE(VidBAS::g_HighQ);
    EXPECT_TRUE(VidBAS::g_BW);
    EXPECT_EQ(v->AAPrintPicture1->Align(), 8);
    EXPECT_TRUE(samePicture(v->AAPrintPicture1->Picture(), v->ClipPic->Picture()));
    EXPECT_GT(QFileInfo(pdf).size(), 0);

    // Without a printer (and no print server) the same print ends in the message window.
    Printer::setPdfOutput(QString());
    Printer::reset();
    v->PrintMe();
    EXPECT_EQ(messages.titles, QStringList{"Print Error!"});
    EXPECT_EQ(messages.texts,
              QStringList{"Error with printing. Check printer, cables, and printer settings."});
    EXPECT_FALSE(Printer::instance().documentOpen());
    Printer::reset();
}

TEST_F(ViewerTest, AStoredPrintOptionThatIsNoBooleanStillPrintsWithTheOptionsInForce) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("page.pdf");
    Viewer* v = loadViewerPrintingTo(pdf);
    VidBAS::g_HighQ = true;
    VidBAS::g_BW = true;
    SettingsStore::save(QStringLiteral("HighQ"), QStringLiteral("yes"));
    SettingsStore::saveBool(QStringLiteral("BW"), false);
    test::MessageCatcher messages;

    v->PrintMe();
    EXPECT_TRUE(messages.titles.isEmpty()) << messages.texts.join(' ').toStdString();
    EXPECT_GT(QFileInfo(pdf).size(), 0) << "the page went out";
    EXPECT_TRUE(VidBAS::g_HighQ) << "the unreadable value leaves the one in force";
    EXPECT_FALSE(VidBAS::g_BW) << "the readable one is still read";
    Printer::setPdfOutput(QString());
    Printer::reset();
}
