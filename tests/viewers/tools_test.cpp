#include "app/main_form.h"
#include "app/vidbas.h"
#include "controls/button_xp.h"
#include "forms/runtime.h"
#include "imaging/imgctl.h"
#include "support/modalanswerer.h"
#include "support/testenv.h"
#include "support/waiting.h"
#include "viewers/resizedialog.h"
#include "viewers/tools.h"
#include "viewers/viewer.h"
#include "widgets/hslider.h"
#include "widgets/label.h"
#include "widgets/picturebox.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace korimo;

namespace {

enum Button { Resize_ = 0, Flip = 1, Rotate = 2, Reverse = 3, Grayscale = 4, Undo = 5 };

// Every pixel different, and no symmetry, so each edit gives a new image.
QImage pattern(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(20 + x * 29, 30 + y * 41, (x * 7 + y * 13) % 256));
    return img;
}

QImage rgb(const QImage& img) {
    return img.convertToFormat(QImage::Format_RGB32);
}

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        VidBAS::ResetState();
        QApplication::clipboard()->clear();
        main = new Main;
        viewer = loadViewer(Viewer::First);
        ASSERT_NE(viewer, nullptr);
        setImage(pattern(6, 4));
        Tools::LTools(viewer);
        tools = Tools::loaded();
        ASSERT_NE(tools, nullptr);
    }
    void TearDown() override {
        for (Form* f : Form::Forms())
            f->Unload();
        delete main;
        DoEvents();
        VidBAS::ResetState();
    }

    void setImage(const QImage& img) {
        viewer->ImgCtl1->setBitmap(std::make_shared<Image>(fromQImage(img)));
        viewer->ClipPic->setPicture(viewer->ImgCtl1->ImagePicture());
    }
    QImage held() const { return rgb(viewer->ImgCtl1->ImagePicture()); }
    QImage shown() const { return rgb(viewer->ClipPic->Picture()); }

    // Presses a button and returns the image it started from.
    QImage press(int index) {
        const QImage before = held();
        tools->Cmd2_Click(index);
        return before;
    }

    test::ScopedSettingsFile settings;
    Main* main = nullptr;
    Viewer* viewer = nullptr;
    Tools* tools = nullptr;
};

} // namespace

TEST_F(ToolsTest, OpensBelowTheViewerOnTopAndOwnedByMain) {
    EXPECT_EQ(tools->windowTitle(), "Edit Capture");
    EXPECT_TRUE(VidBAS::g_ToolsOpen);
    EXPECT_TRUE(tools->isVisible());
    EXPECT_EQ(tools->parentWidget(), main);
    EXPECT_TRUE(tools->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(tools->windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(tools->host(), viewer);

    const QRect v = viewer->frameGeometry();
    const QRect t = tools->frameGeometry();
    EXPECT_EQ(t.top(), v.top() + v.height() + twipsToPixels(10));
    EXPECT_LE(std::abs((2 * t.left() + t.width()) - (2 * v.left() + v.width())), 2);

    EXPECT_EQ(tools->LblBright->Caption(), "100%");
    EXPECT_EQ(tools->Label2->Caption(), "100%");
    EXPECT_EQ(tools->Cmd2[Undo]->toolTip(), " Undo ");
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(tools->Cmd2[i]->geometry(), twipsRect(420 * i, 0, 420, 315));
        EXPECT_EQ(Tools::buttonGlyph(i).size(), QSize(16, 16));
        for (int j = 0; j < i; ++j)
            EXPECT_NE(Tools::buttonGlyph(i), Tools::buttonGlyph(j)) << i << " " << j;
    }

    Tools::UnloadLTools();
    EXPECT_FALSE(VidBAS::g_ToolsOpen);
    EXPECT_EQ(Tools::loaded(), nullptr);
}

TEST_F(ToolsTest, UndoBeforeAnyEditDoesNothingNotEvenARefresh) {
    const QImage marker = pattern(3, 3);
    viewer->ClipPic->setPicture(marker);
    const auto image = viewer->ImgCtl1->Bitmap();
    tools->Cmd2_Click(Undo);
    EXPECT_EQ(viewer->ImgCtl1->Bitmap(), image);
    EXPECT_EQ(rgb(viewer->ClipPic->Picture()), rgb(marker));
}

TEST_F(ToolsTest, ThreeEditsUndoNewestFirstAndAFourthUndoShowsTheOriginal) {
    const QImage original = held();
    const QImage beforeFlip = press(Flip);
    const QImage beforeRotate = press(Rotate);
    const QImage beforeGrey = press(Grayscale);
    ASSERT_EQ(held().size(), QSize(4, 6)) << "the quarter turn swapped the sides";
    ASSERT_NE(held(), beforeGrey);
    EXPECT_EQ(shown(), held()) << "each edit refreshes the viewer";
    EXPECT_EQ(tools->undoSteps(), 3);

    for (const QImage& expected : {beforeGrey, beforeRotate, beforeFlip}) {
        tools->Cmd2_Click(Undo);
        EXPECT_EQ(held(), expected);
        EXPECT_EQ(shown(), expected);
    }
    EXPECT_EQ(held(), original);
    tools->Cmd2_Click(Undo);
    EXPECT_EQ(held(), original);
    EXPECT_EQ(shown(), original);
}

TEST_F(ToolsTest, MoreEditsThanTheRingHoldsUndoTheLastFourAfterItWrapped) {
    std::vector<QImage> before;
    for (int edit : {Flip, Reverse, Rotate, Flip, Grayscale, Reverse})
        before.push_back(press(edit));
    EXPECT_EQ(tools->undoSteps(), 4);
    for (int k = 5; k >= 2; --k) {
        tools->Cmd2_Click(Undo);
        EXPECT_EQ(held(), before[k]) << "undo back to before edit " << k + 1;
    }
    // Nothing older is kept: the oldest copy stays.
    tools->Cmd2_Click(Undo);
    EXPECT_EQ(held(), before[2]);

    // New edits after partial undos stack on the restored image.
    tools->Cmd2_Click(Undo);
    const QImage base = held();
    const QImage beforeMirror = press(Reverse);
    tools->Cmd2_Click(Undo);
    EXPECT_EQ(held(), beforeMirror);
    EXPECT_EQ(beforeMirror, base);
}

TEST_F(ToolsTest, AReloadedWindowStartsWithAnEmptyRingAndUndoesItsOwnEdits) {
    press(Flip);
    press(Rotate);
    press(Reverse);
    Tools::UnloadLTools();
    DoEvents();
    Tools::LTools(viewer);
    tools = Tools::loaded();
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(tools->undoSteps(), 0);

    const auto image = viewer->ImgCtl1->Bitmap();
    tools->Cmd2_Click(Undo);
    EXPECT_EQ(viewer->ImgCtl1->Bitmap(), image) << "the copies went with the old window";

    // The ring position carried over, so these copies wrap past the end of the ring.
    const QImage first = press(Grayscale);
    const QImage second = press(Flip);
    const QImage third = press(Rotate);
    tools->Cmd2_Click(Undo);
    EXPECT_EQ(held(), third);
    tools->Cmd2_Click(Undo);
    EXPECT_EQ(held(), second);
    tools->Cmd2_Click(Undo);
    EXPECT_EQ(held(), first);
}

namespace {
// Bytes of address space the process holds now.
rlim_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}
} // namespace

TEST_F(ToolsTest, AnEditWhoseUndoCopyFailsLeavesTheEarlierStepsUndoable) {
    // A frame so large that, with the address space held short, no copy of it can be made.
    setImage(pattern(6, 4).scaled(6000, 4000));
    const QImage original = held();
    press(Flip);
    ASSERT_EQ(tools->undoSteps(), 1);

    rlimit was{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &was), 0);
    rlimit tight = was;
    tight.rlim_cur = addressSpaceInUse() + 32u * 1024 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &tight), 0);
    tools->Cmd2_Click(Rotate);
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &was), 0);
    EXPECT_EQ(tools->undoSteps(), 1) << "the failed copy is no undo step";

    tools->Cmd2_Click(Undo);
    EXPECT_EQ(held(), original);
}

TEST_F(ToolsTest, SlidersOnlyPreviewAndTheNextEditStartsFromTheUnadjustedImage) {
    const QImage original = held();
    tools->HSlider1[0]->setValue(150);
    EXPECT_EQ(tools->LblBright->Caption(), "150%");
    EXPECT_EQ(held(), original) << "the held image is not changed";
    const QImage brighter = shown();
    ASSERT_EQ(brighter.size(), original.size());
    EXPECT_GT(qGreen(brighter.pixel(2, 2)), qGreen(original.pixel(2, 2)));

    // Each preview starts from the held image: contrast alone, without the brightness.
    tools->HSlider1[1]->setValue(40);
    EXPECT_EQ(tools->Label2->Caption(), "40%");
    const QImage flatter = shown();
    EXPECT_LT(std::abs(qGreen(flatter.pixel(0, 0)) - qGreen(flatter.pixel(5, 3))),
              std::abs(qGreen(original.pixel(0, 0)) - qGreen(original.pixel(5, 3))));
    EXPECT_LT(qGreen(flatter.pixel(5, 3)), qGreen(brighter.pixel(5, 3)));

    tools->Cmd2_Click(Flip);
    const QImage flipped = held();
    for (int y = 0; y < original.height(); ++y)
        for (int x = 0; x < original.width(); ++x)
            ASSERT_EQ(flipped.pixel(x, y), original.pixel(x, original.height() - 1 - y));
    EXPECT_EQ(shown(), flipped) << "the refresh replaced the preview";
    tools->Cmd2_Click(Undo);
    EXPECT_EQ(held(), original);
}

TEST_F(ToolsTest, ResizeButtonLeavesTheCaptureAsItWas) {
    const QImage original = held();
    test::ModalAnswerer answerer([](QWidget* w) {
        if (auto* r = qobject_cast<Resize*>(w)) {
            r->Value1Box->setText("3");
            r->Ok_Click();
        }
    });
    tools->Cmd2_Click(Resize_);
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_EQ(held(), original);
    EXPECT_EQ(shown(), original);
    EXPECT_EQ(tools->undoSteps(), 0) << "a resize keeps no undo copy";
    Viewer* viewer2 = findViewer(Viewer::Second);
    ASSERT_NE(viewer2, nullptr);
    EXPECT_EQ(viewer2->ImgCtl1->ImageWidth(), 3);
    EXPECT_EQ(viewer2->ImgCtl1->ImageHeight(), 2);
}

TEST_F(ToolsTest, ClosingTheViewerWhileTheResizeFinishesLeavesBothWindowsWhole) {
    QPointer<Viewer> v = viewer;
    QPointer<Tools> t = tools;
    test::ModalAnswerer answerer([&](QWidget* w) {
        if (auto* r = qobject_cast<Resize*>(w)) {
            r->Value1Box->setText("3");
            // The user closes the capture window while the resize is still at work.
            QCoreApplication::postEvent(v, new QCloseEvent);
            r->Ok_Click();
        }
    });
    tools->Cmd2_Click(Resize_);
    ASSERT_FALSE(v.isNull() || t.isNull()) << "deleted while the resize was still running";
    EXPECT_EQ(findViewer(Viewer::First), nullptr);
    EXPECT_EQ(Tools::loaded(), nullptr);
    EXPECT_FALSE(VidBAS::g_ToolsOpen);
    EXPECT_NE(findViewer(Viewer::Second), nullptr) << "the resized copy still opens";
    EXPECT_TRUE(test::waitFor([&] { return v.isNull() && t.isNull(); }));
}

TEST_F(ToolsTest, MainMinimisingHidesTheWindowAndRestoringBringsItBack) {
    main->show();
    main->setWindowState(1);
    EXPECT_FALSE(tools->isVisible());
    main->setWindowState(0);
    EXPECT_TRUE(tools->isVisible());
    EXPECT_FALSE(tools->isMinimized());
}
