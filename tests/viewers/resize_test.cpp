#include "app/errfrm.h"
#include "app/main_form.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "controls/xpcheckbox.h"
#include "forms/runtime.h"
#include "imaging/imgctl.h"
#include "support/modalanswerer.h"
#include "support/testenv.h"
#include "viewers/resizedialog.h"
#include "viewers/tools.h"
#include "viewers/viewer.h"
#include "widgets/picturebox.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <functional>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::resizemath;
using korimo::test::ModalAnswerer;

namespace {

void click(QWidget* w) {
    const QPoint pos(4, 4);
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

struct Sizes {
    int bar1, bar2;
    QString box1, box2;
};

Sizes sizes(const Resize& r) {
    return {r.Value1Bar->value(), r.Value2Bar->value(), r.Value1Box->text(), r.Value2Box->text()};
}

} // namespace

TEST(ResizeMath, RoundingProportionsAndTheBoxTexts) {
    EXPECT_EQ(nearestInteger(2.5), 2);
    EXPECT_EQ(nearestInteger(3.5), 4);
    EXPECT_EQ(nearestInteger(32767.49), 32767);
    EXPECT_EQ(nearestInteger(32767.5), std::nullopt) << "rounds to 32768";
    EXPECT_EQ(nearestInteger(std::nan("")), std::nullopt);

    // 640 x 480 at width 102 gives a height of 76.5, which goes to the even 76.
    EXPECT_EQ(proportional(480, 640, 102), 76);
    EXPECT_EQ(proportional(480, 0, 102), std::nullopt);
    EXPECT_EQ(proportional(1000, 1, 40), std::nullopt) << "40000 does not fit";

    EXPECT_EQ(heightMax(640, 480), 12288);
    EXPECT_EQ(heightMax(100, 1000), 32767) << "capped";
    EXPECT_EQ(heightMax(40000, 1), 1) << "a very wide image keeps one row";
    EXPECT_EQ(heightMax(0, 480), 32767);

    for (const char* bad : {"", "   ", "abc", "12abc", "inf", "nan", "1,5", "99999"})
        EXPECT_EQ(wholeNumber(QString::fromLatin1(bad)), std::nullopt) << bad;
    EXPECT_EQ(wholeNumber(" 41.5 "), 42);
    EXPECT_EQ(wholeNumber("42.5"), 42);
    EXPECT_EQ(wholeNumber("1e3"), 1000);

    EXPECT_EQ(leadingNumber("40000abc"), 40000);
    EXPECT_EQ(leadingNumber("3 2 7 6 7"), 32767);
    EXPECT_EQ(leadingNumber("1.5e2x"), 150);
    EXPECT_EQ(leadingNumber("7e"), 7);
    EXPECT_EQ(leadingNumber("abc12"), 0);
}

class ResizeDialogTest : public ::testing::Test {
protected:
    void SetUp() override { r.InitTheForm(0, 640, 480); }
    Resize r;
};

TEST_F(ResizeDialogTest, StartsAtTheImageSizeWithAspectOnAndResampleOff) {
    const Sizes s = sizes(r);
    EXPECT_EQ(s.bar1, 640);
    EXPECT_EQ(s.bar2, 480);
    EXPECT_EQ(s.box1, "640");
    EXPECT_EQ(s.box2, "480");
    EXPECT_EQ(r.Value2Bar->maximum(), 12288);
    EXPECT_EQ(r.AspectRatioBox->Value(), 1);
    EXPECT_EQ(r.ResampleBox->Value(), 0);
    EXPECT_EQ(r.windowTitle(), "Resize Graphic");
}

TEST_F(ResizeDialogTest, TypedWidthMovesBothBarsAndTheHeightBoxOnlyForValidTexts) {
    r.Value1Box->setText("320");
    Sizes s = sizes(r);
    EXPECT_EQ(s.bar1, 320);
    EXPECT_EQ(s.bar2, 240);
    EXPECT_EQ(s.box1, "320");
    EXPECT_EQ(s.box2, "240");

    for (const char* text : {"abc", "", "0", "16385", "12x"}) {
        r.Value1Box->setText(QString::fromLatin1(text));
        s = sizes(r);
        EXPECT_EQ(s.bar1, 320) << text;
        EXPECT_EQ(s.bar2, 240) << text;
        EXPECT_EQ(s.box2, "240") << text;
        EXPECT_EQ(s.box1, QString::fromLatin1(text)) << "the user's text stays";
    }

    // The computed height must not bounce back onto the typed width through rounding:
    // 102 gives 76.5 -> 76, and 76 would give back 101.
    r.Value1Box->setText("102");
    s = sizes(r);
    EXPECT_EQ(s.bar1, 102);
    EXPECT_EQ(s.box1, "102");
    EXPECT_EQ(s.bar2, 76);
    EXPECT_EQ(s.box2, "76");
}

TEST_F(ResizeDialogTest, BarsDriveTheirBoxesAndThePartnerPair) {
    r.Value2Bar->setValue(120);
    Sizes s = sizes(r);
    EXPECT_EQ(s.box2, "120");
    EXPECT_EQ(s.bar1, 160);
    EXPECT_EQ(s.box1, "160");

    r.Value2Box->setText("300");
    s = sizes(r);
    EXPECT_EQ(s.bar2, 300);
    EXPECT_EQ(s.bar1, 400);
    EXPECT_EQ(s.box1, "400");

    // Without the aspect ratio each pair moves alone.
    r.AspectRatioBox->setValue(0);
    r.Value1Bar->setValue(1000);
    s = sizes(r);
    EXPECT_EQ(s.box1, "1000");
    EXPECT_EQ(s.bar2, 300);
    EXPECT_EQ(s.box2, "300");
}

TEST_F(ResizeDialogTest, TickingOrClearingTheAspectBoxSnapsTheHeightToTheWidth) {
    r.AspectRatioBox->setValue(0);
    r.Value1Box->setText("100");
    r.Value2Box->setText("400");
    ASSERT_EQ(sizes(r).bar2, 400);

    click(r.AspectRatioBox);
    EXPECT_EQ(r.AspectRatioBox->Value(), 1);
    EXPECT_EQ(sizes(r).bar2, 75);
    EXPECT_EQ(sizes(r).box2, "75");
    EXPECT_EQ(sizes(r).bar1, 100) << "the width does not move";

    r.Value1Bar->setValue(202); // 151.5 -> 152 with aspect on
    r.Value2Bar->blockSignals(true);
    r.Value2Bar->setValue(10);
    r.Value2Bar->blockSignals(false);
    click(r.AspectRatioBox);
    EXPECT_EQ(r.AspectRatioBox->Value(), 0);
    EXPECT_EQ(sizes(r).bar2, 152);
    EXPECT_EQ(sizes(r).bar1, 202);
}

TEST_F(ResizeDialogTest, AcceptOfAnOversizedWidthBeepsCapsAndStaysOpen) {
    r.Show();
    r.Value1Box->setText("40000");
    r.Ok_Click();
    EXPECT_TRUE(r.isVisible());
    EXPECT_EQ(r.Value1Box->text(), "32767");
    EXPECT_EQ(r.Value1Bar->value(), 16384);
    EXPECT_EQ(r.Value2Bar->value(), 12288) << "the height followed the capped width";
    bool ok = true;
    int w = 0, h = 0;
    bool resample = true;
    r.GetResults(ok, w, h, resample);
    EXPECT_FALSE(ok);

    // The pair is still in step afterwards: moving the bar rewrites the box.
    r.Value1Bar->setValue(500);
    EXPECT_EQ(r.Value1Box->text(), "500");
    EXPECT_EQ(r.Value2Bar->value(), 375);

    // The sizes handed over are the bars', even when a box holds a fraction.
    r.Value1Box->setText("99.6");
    r.ResampleBox->setValue(1);
    r.Ok_Click();
    EXPECT_FALSE(r.isVisible());
    r.GetResults(ok, w, h, resample);
    EXPECT_TRUE(ok);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 75);
    EXPECT_TRUE(resample);
}

TEST_F(ResizeDialogTest, CancelHidesWithoutAcceptingAndASecondUseStartsAfresh) {
    r.Show();
    r.Value1Box->setText("320");
    click(r.Cancel);
    EXPECT_FALSE(r.isVisible());
    EXPECT_TRUE(r.IsLoaded());
    bool ok = true;
    int w = 0, h = 0;
    bool resample = true;
    r.GetResults(ok, w, h, resample);
    EXPECT_FALSE(ok);

    r.Value1Box->setText("junk");
    r.InitTheForm(0, 320, 200);
    const Sizes s = sizes(r);
    EXPECT_EQ(s.bar1, 320);
    EXPECT_EQ(s.box1, "320") << "the bar held the size already, the box still follows";
    EXPECT_EQ(s.bar2, 200);
    EXPECT_EQ(r.Value2Bar->maximum(), 10240);
}

TEST(ResizeDialogEdges, VeryWideAndEmptyImagesKeepTheBarsUsable) {
    Resize r;
    r.InitTheForm(0, 40000, 1);
    EXPECT_EQ(r.Value1Bar->value(), 16384);
    EXPECT_EQ(r.Value2Bar->maximum(), 1);
    click(r.AspectRatioBox);
    EXPECT_EQ(r.Value2Bar->value(), 1);

    Resize empty;
    empty.InitTheForm(0, 0, 0);
    empty.Value1Box->setText("50");
    EXPECT_EQ(empty.Value1Bar->value(), 50);
    EXPECT_EQ(empty.Value2Bar->value(), 1);
    click(empty.AspectRatioBox);
    EXPECT_EQ(empty.Value2Bar->value(), 1);
}

namespace {

QImage checkerboard(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, ((x + y) & 1) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return img;
}

class ResizeOperationTest : public ::testing::Test {
protected:
    void SetUp() override {
        VidBAS::ResetState();
        QApplication::clipboard()->clear();
        main = new Main;
        viewer = loadViewer(Viewer::First);
        ASSERT_NE(viewer, nullptr);
        original = checkerboard(40, 30);
        viewer->ImgCtl1->setBitmap(std::make_shared<Image>(fromQImage(original)));
        viewer->ClipPic->setPicture(viewer->ImgCtl1->ImagePicture());
    }
    void TearDown() override {
        for (Form* f : Form::Forms())
            if (f != main)
                f->Unload();
        delete main;
        DoEvents();
        VidBAS::ResetState();
        setScreenMousePointer(0);
    }

    // Runs the operation and answers the dialog with the given width (aspect on) and resample.
    QStringList resizeTo(const QString& width, bool resample) {
        return resizeWith([&](Resize* r) {
            r->Value1Box->setText(width);
            r->ResampleBox->setValue(resample ? 1 : 0);
        });
    }
    QStringList resizeWith(const std::function<void(Resize*)>& choose) {
        QStringList seen;
        ModalAnswerer answerer([&](QWidget* w) {
            if (auto* r = qobject_cast<Resize*>(w)) {
                seen << QStringLiteral("Resize %1").arg(screenMousePointer());
                choose(r);
                click(r->Ok);
            } else if (auto* e = qobject_cast<ErrFrm*>(w)) {
                seen << e->ErrTitle->text() + " " + e->Label1->text();
                e->LblEnd_Click();
            }
        });
        main->ImageResize_Click();
        return seen;
    }

    test::ScopedSettingsFile settings;
    Main* main = nullptr;
    Viewer* viewer = nullptr;
    QImage original;
};

QSet<QRgb> colours(const QImage& img) {
    QSet<QRgb> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            out.insert(img.pixel(x, y) | 0xFF000000u);
    return out;
}

} // namespace

TEST_F(ResizeOperationTest, AcceptedSizeShowsInTheSecondViewerAndLeavesTheCaptureAlone) {
    const QStringList seen = resizeTo("20", true);
    EXPECT_EQ(seen, QStringList{"Resize 11"}) << "the hourglass is up while the dialog asks";

    Viewer* viewer2 = findViewer(Viewer::Second);
    ASSERT_NE(viewer2, nullptr);
    EXPECT_TRUE(viewer2->isVisible());
    EXPECT_TRUE(VidBAS::g_Viewer2Open);
    EXPECT_EQ(viewer2->ImgCtl1->ImageWidth(), 20);
    EXPECT_EQ(viewer2->ImgCtl1->ImageHeight(), 15);
    EXPECT_EQ(viewer2->ClipPic->Picture().size(), QSize(20, 15));
    // Resampling a checkerboard to half its size blends its squares into greys.
    const QSet<QRgb> resampled = colours(viewer2->ImgCtl1->ImagePicture());
    EXPECT_FALSE(resampled.contains(qRgb(0, 0, 0)) && resampled.contains(qRgb(255, 255, 255)));

    EXPECT_EQ(viewer->ImgCtl1->ImagePicture().convertToFormat(QImage::Format_RGB32), original);
    EXPECT_EQ(screenMousePointer(), 0);
    EXPECT_EQ(Form::Loaded<Resize>(), nullptr) << "the dialog is unloaded after a resize";

    // A second resize replaces the second viewer with a fresh one; nearest pixels keep the
    // board's two colours.
    QPointer<Viewer> first2 = viewer2;
    resizeTo("80", false);
    DoEvents();
    viewer2 = findViewer(Viewer::Second);
    ASSERT_NE(viewer2, nullptr);
    EXPECT_NE(viewer2, first2.data());
    EXPECT_EQ(viewer2->ImgCtl1->ImageWidth(), 80);
    EXPECT_EQ(viewer2->ImgCtl1->ImageHeight(), 60);
    EXPECT_EQ(colours(viewer2->ImgCtl1->ImagePicture()),
              (QSet<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
}

TEST_F(ResizeOperationTest, CancelChangesNothingAndKeepsTheDialogForNextTime) {
    ModalAnswerer answerer([&](QWidget* w) {
        if (auto* r = qobject_cast<Resize*>(w)) {
            r->Value1Box->setText("12");
            click(r->Cancel);
        }
    });
    main->ImageResize_Click();
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_EQ(findViewer(Viewer::Second), nullptr);
    EXPECT_FALSE(VidBAS::g_Viewer2Open);
    EXPECT_EQ(viewer->ImgCtl1->ImagePicture().convertToFormat(QImage::Format_RGB32), original);
    EXPECT_FALSE(main->ImgCtl3->hasImage());
    EXPECT_EQ(screenMousePointer(), 0);
    const Resize* kept = Form::Loaded<Resize>();
    ASSERT_NE(kept, nullptr) << "cancel only hides the dialog";
    EXPECT_FALSE(kept->isVisible());
}

TEST_F(ResizeOperationTest, ASizeTooLargeToMakeIsReportedAndOpensNoViewer) {
    viewer->ImgCtl1->setBitmap(std::make_shared<Image>(fromQImage(checkerboard(10, 30))));
    // The widest bar position keeps the aspect at 49152 rows, capped to 32767: more pixels than
    // an image may have.
    const QStringList seen = resizeWith([](Resize* r) { r->Value1Bar->setValue(16384); });
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1], "Error Not enough memory available.  Try a smaller size.");
    EXPECT_EQ(findViewer(Viewer::Second), nullptr);
    EXPECT_EQ(screenMousePointer(), 0);
}

TEST_F(ResizeOperationTest, NoCaptureNoDialog) {
    viewer->ImgCtl1->setBitmap(nullptr);
    ModalAnswerer answerer([&](QWidget* w) { w->hide(); });
    main->ImageResize_Click();
    EXPECT_EQ(answerer.answered(), 0);
    EXPECT_EQ(findViewer(Viewer::Second), nullptr);
    EXPECT_EQ(screenMousePointer(), 0);
}
