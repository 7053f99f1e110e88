#include "printer/pagelayout.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korimo;

namespace {
const QSize kA4(210, 297);
}

TEST(PageLayout, PaperTableGivesSizesAndCodesAndRejectsOthers) {
    struct Row {
        long size;
        int w, h, code;
    };
    const Row rows[] = {{1, 148, 210, 11}, {2, 210, 297, 9},  {3, 297, 420, 8},
                        {4, 250, 354, 12}, {5, 182, 257, 13}, {6, 215, 275, 15}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.size);
        EXPECT_EQ(paperMillimetres(r.size, 1, 1), QSize(r.w, r.h));
        EXPECT_EQ(paperCode(r.size), r.code);
    }
    // A custom paper is whatever the caller gave, even a nonsense one.
    EXPECT_EQ(paperMillimetres(0, 100, 150), QSize(100, 150));
    EXPECT_EQ(paperMillimetres(0, -3, 0), QSize(-3, 0));
    EXPECT_EQ(paperCode(0), 256);
    for (long bad : {-1L, 7L, 256L}) {
        EXPECT_FALSE(paperMillimetres(bad, 210, 297).has_value());
        EXPECT_FALSE(paperCode(bad).has_value());
    }
}

TEST(PageLayout, PageBoxIsThePaperLessAQuarterOfTheMarginsAndThePreviewIsShrunk) {
    EXPECT_NEAR(millimetresToScreenPixels(210), 793.7, 0.05);
    EXPECT_EQ(pageBoxSize(kA4, {}, true), QSize(794, 1123));
    EXPECT_EQ(pageBoxSize(kA4, {}, false), QSize(374, 343));

    // 600 dpi printer with about 4 mm on each side: 100 + 60 printer pixels across take 40 screen
    // pixels off, 120 + 80 down take 50.
    const PrinterMargins m{100, 120, 60, 80};
    EXPECT_EQ(pageBoxSize(kA4, m, true), QSize(754, 1073));
    EXPECT_EQ(pageBoxSize(kA4, m, false), QSize(754 - 420, 1073 - 780));

    // The quarter is an exact division: 2 pixels of margin take half a pixel off, not nothing.
    EXPECT_EQ(pageBoxSize(QSize(100, 100), {1, 0, 1, 0}, true).width(),
              std::lround(millimetresToScreenPixels(100) - 0.5));
    // A paper of no size gives a page box no window can hold.
    EXPECT_LE(pageBoxSize(QSize(0, 0), {}, false).width(), 0);
}

TEST(PageLayout, MarginsComeFromPhysicalSizeAndOffsets) {
    const PrinterMargins m =
        marginsFromDevice(QSize(4960, 7016), QSize(4760, 6766), QPoint(120, 150));
    EXPECT_EQ(m.left, 120);
    EXPECT_EQ(m.top, 150);
    EXPECT_EQ(m.right, 80);
    EXPECT_EQ(m.bottom, 100);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
}

TEST(PageLayout, NinePositionsOnThePage) {
    const QSize page(300, 200);
    const QSize pic(102, 68);
    const int xs[] = {0, 99, 198};
    const int ys[] = {0, 66, 132};
    for (int align = 0; align < 9; ++align) {
        SCOPED_TRACE(align);
        EXPECT_EQ(picturePosition(align, page, pic), QPoint(xs[align % 3], ys[align / 3]));
    }
    for (long bad : {-1L, 9L, 100L})
        EXPECT_EQ(picturePosition(bad, page, pic), QPoint(0, 0));
}

TEST(PageLayout, CentreRoundsDownForPicturesLargerThanThePage) {
    EXPECT_EQ(picturePosition(4, QSize(100, 100), QSize(110, 100)).x(), -5);
    EXPECT_EQ(picturePosition(4, QSize(100, 100), QSize(105, 100)).x(), -3);
    EXPECT_EQ(picturePosition(4, QSize(100, 101), QSize(10, 10)).y(), 45);
    EXPECT_EQ(picturePosition(8, QSize(100, 100), QSize(130, 150)), QPoint(-30, -50));
}
