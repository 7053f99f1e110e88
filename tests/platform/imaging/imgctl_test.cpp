#include "imaging/imgctl.h"

#include "imagingtestutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace korimo {
namespace {

using test::naturalImage;

std::shared_ptr<const Image> natural(int w, int h) {
    return std::make_shared<const Image>(naturalImage(w, h));
}

TEST(ImgCtl, BitmapHandlesAreIndependentCopies) {
    ImgCtl source, target;
    EXPECT_EQ(source.Bitmap(), nullptr);
    EXPECT_EQ(source.ImageWidth(), 0);
    const auto original = natural(30, 20);
    source.setBitmap(original);
    target.setBitmap(source.Bitmap());
    const auto handed = source.Bitmap();

    source.Flip();
    source.Grayscale();
    EXPECT_TRUE(handed->samePixels(*original));
    EXPECT_TRUE(target.Bitmap()->samePixels(*original));
    EXPECT_FALSE(source.Bitmap()->samePixels(*original));

    target.Reverse();
    EXPECT_TRUE(handed->samePixels(*original));

    // Changing the image given to setBitmap afterwards does not reach the control.
    auto mutableImage = std::make_shared<Image>(naturalImage(4, 4));
    ImgCtl third;
    third.setBitmap(mutableImage);
    mutableImage->fill(0);
    EXPECT_TRUE(third.Bitmap()->samePixels(naturalImage(4, 4)));

    third.setBitmap(nullptr);
    EXPECT_EQ(third.Bitmap(), nullptr);
    EXPECT_TRUE(third.ImagePicture().isNull());
}

TEST(ImgCtl, RotateTurnsClockwiseAndSwapsTheSides) {
    ImgCtl ctl;
    const auto original = natural(40, 25);
    ctl.setBitmap(original);
    ctl.Rotate(9000, true, 0xFFFFFF);
    EXPECT_EQ(ctl.ImageWidth(), 25);
    EXPECT_EQ(ctl.ImageHeight(), 40);
    // The top-left pixel ends at the top right after a clockwise quarter turn.
    EXPECT_EQ(ctl.Bitmap()->pixel(24, 0), original->pixel(0, 0));
    for (int i = 0; i < 3; ++i)
        ctl.Rotate(9000, true, 0xFFFFFF);
    EXPECT_TRUE(ctl.Bitmap()->samePixels(*original));
    ctl.Rotate(-9000, true, 0);
    EXPECT_EQ(ctl.Bitmap()->pixel(0, 39), original->pixel(0, 0));
}

TEST(ImgCtl, RotateWithoutResizeKeepsTheCanvasAndFillsTheRest) {
    ImgCtl ctl;
    ctl.setBitmap(natural(40, 20));
    ctl.Rotate(9000, false, 0x00FF0000); // an OLE colour: blue
    ASSERT_EQ(ctl.ImageWidth(), 40);
    ASSERT_EQ(ctl.ImageHeight(), 20);
    EXPECT_EQ(ctl.Bitmap()->pixel(0, 10), argb(255, 0, 0, 255));
    EXPECT_NE(ctl.Bitmap()->pixel(20, 10), argb(255, 0, 0, 255));
}

TEST(ImgCtl, FailuresRaiseAndLeaveTheImageAsItWas) {
    ImgCtl empty;
    EXPECT_THROW(empty.Flip(), ImagingError);
    EXPECT_THROW(empty.Rotate(9000, true, 0), ImagingError);
    EXPECT_THROW(empty.ResizeImage(10, 10, 1), ImagingError);
    EXPECT_THROW(empty.SaveImage(QStringLiteral("/tmp/never.bmp"), 6, 24, 0), ImagingError);

    ImgCtl ctl;
    const auto original = natural(30, 20);
    ctl.setBitmap(original);
    EXPECT_THROW(ctl.ResizeImage(0, 10, 1), ImagingError);
    EXPECT_THROW(ctl.ResizeImage(-5, 10, 0), ImagingError);
    EXPECT_THROW(ctl.ResizeImage(Image::kMaxSide, Image::kMaxSide, 0), ImagingError);
    EXPECT_THROW(ctl.Rotate(4500, true, 0), ImagingError);
    QTemporaryDir dir;
    EXPECT_THROW(ctl.SaveImage(QDir(dir.path()).filePath(QStringLiteral("no/such.bmp")), 6, 24, 0),
                 ImagingError);
    EXPECT_TRUE(ctl.Bitmap()->samePixels(*original));
    EXPECT_THROW(Image(0, 5), ImagingError);
    EXPECT_THROW(Image(Image::kMaxSide + 1, 1), ImagingError);
}

TEST(ImgCtl, ResizeGivesTheExactSizeEitherWay) {
    ImgCtl ctl;
    ctl.setBitmap(natural(64, 48));
    ctl.ResizeImage(101, 33, 1);
    EXPECT_EQ(ctl.ImageWidth(), 101);
    EXPECT_EQ(ctl.ImageHeight(), 33);
    ctl.setResizeSwitch(1);
    ctl.ResizeImage(7, 300, 0);
    EXPECT_EQ(ctl.ImageWidth(), 7);
    EXPECT_EQ(ctl.ImageHeight(), 300);
}

TEST(ImgCtl, ImagePictureIsACopyInQtsArgbLayout) {
    ImgCtl ctl;
    const auto original = natural(17, 9);
    ctl.setBitmap(original);
    QImage picture = ctl.ImagePicture();
    ASSERT_EQ(picture.size(), QSize(17, 9));
    EXPECT_EQ(picture.pixel(3, 4), original->pixel(3, 4));
    picture.fill(Qt::black);
    EXPECT_TRUE(ctl.Bitmap()->samePixels(*original));
    EXPECT_TRUE(fromQImage(ctl.ImagePicture()).samePixels(*original));
}

TEST(ImgCtl, SavedFileMatchesTheEditedImage) {
    QTemporaryDir dir;
    ImgCtl ctl;
    ctl.setBitmap(natural(50, 30));
    ctl.Flip();
    const QString file = QDir(dir.path()).filePath(QStringLiteral("edited.bmp"));
    ctl.SaveImage(file, 6, 24, 0);
    QImage back(file);
    EXPECT_EQ(test::maxChannelDifference(*ctl.Bitmap(), back, false), 0);
}

} // namespace
} // namespace korimo
