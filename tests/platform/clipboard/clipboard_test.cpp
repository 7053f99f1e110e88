#include "clipboard/clipboard.h"

#include "../imaging/imagingtestutil.h"
#include "dibbuilder.h"
#include "imaging/imgctl.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMimeData>
#include <gtest/gtest.h>

namespace korimo {
namespace {

using test::naturalImage;
using test::opaque;

class Clipboard : public ::testing::Test {
protected:
    void SetUp() override { QApplication::clipboard()->clear(); }
    void offer(const QString& format, const QByteArray& bytes) {
        auto* mime = new QMimeData;
        mime->setData(format, bytes);
        QApplication::clipboard()->setMimeData(mime);
    }
};

TEST_F(Clipboard, AFrameIsOfferedAsBmpAndPngAndPastesBack) {
    const Image frame = opaque(naturalImage(64, 36));
    const QByteArray dib = test::packedDib32(frame);
    ASSERT_TRUE(clipboard::putFrame(dib));

    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->formats().contains(QStringLiteral("image/bmp")));
    EXPECT_TRUE(mime->formats().contains(QStringLiteral("image/png")));
    const QByteArray bmp = mime->data(QStringLiteral("image/bmp"));
    EXPECT_EQ(bmp.mid(14), dib);
    EXPECT_EQ(test::maxChannelDifference(frame, QImage::fromData(bmp, "BMP"), true), 0);
    EXPECT_EQ(test::maxChannelDifference(
                  frame, QImage::fromData(mime->data(QStringLiteral("image/png")), "PNG"), true),
              0);

    ImgCtl ctl;
    EXPECT_TRUE(ctl.Paste(ImgCtl::kPasteTestOnly));
    EXPECT_EQ(ctl.Bitmap(), nullptr); // testing does not paste
    EXPECT_TRUE(ctl.Paste(0));
    ASSERT_NE(ctl.Bitmap(), nullptr);
    EXPECT_TRUE(ctl.Bitmap()->samePixels(frame));
}

TEST_F(Clipboard, AMalformedFrameIsRefusedAndTheClipboardKept) {
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    QByteArray dib = test::packedDib24(naturalImage(8, 8));
    test::poke32(dib, 4, 4000); // wider than its rows
    EXPECT_FALSE(clipboard::putFrame(dib));
    EXPECT_FALSE(clipboard::putFrame(QByteArray()));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
}

TEST_F(Clipboard, NothingToPasteLeavesTheHeldImage) {
    ImgCtl ctl;
    const auto before = std::make_shared<const Image>(naturalImage(10, 10));
    ctl.setBitmap(before);
    QApplication::clipboard()->setText(QStringLiteral("just text"));
    EXPECT_FALSE(ctl.Paste(ImgCtl::kPasteTestOnly));
    EXPECT_THROW(ctl.Paste(0), ImagingError);
    EXPECT_TRUE(ctl.Bitmap()->samePixels(*before));

    QByteArray broken = test::bmpFileAround(test::packedDib24(naturalImage(8, 8)), 40);
    broken.truncate(broken.size() / 2);
    offer(QStringLiteral("image/bmp"), broken);
    EXPECT_FALSE(ctl.Paste(ImgCtl::kPasteTestOnly));
    EXPECT_THROW(ctl.Paste(0), ImagingError);
    EXPECT_TRUE(ctl.Bitmap()->samePixels(*before));
}

TEST_F(Clipboard, BmpUnderAnyOfItsNamesInAnyCasePastes) {
    const Image picture = opaque(naturalImage(12, 7));
    const QByteArray bmp = test::bmpFileAround(test::packedDib24(picture), 40);
    for (const char* name :
         {"image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/x-ms-bmp", "IMAGE/BMP"}) {
        offer(QString::fromLatin1(name), bmp);
        ImgCtl ctl;
        ASSERT_TRUE(ctl.Paste(ImgCtl::kPasteTestOnly)) << name;
        ctl.Paste(0);
        EXPECT_TRUE(ctl.Bitmap()->samePixels(picture)) << name;
    }
}

TEST_F(Clipboard, PngAndOtherImagesFromQtPaste) {
    const Image picture = naturalImage(21, 13, true);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(toQImage(picture).save(&buffer, "PNG"));
    }
    offer(QStringLiteral("image/png"), png);
    ImgCtl ctl;
    ASSERT_TRUE(ctl.Paste(ImgCtl::kPasteTestOnly));
    ctl.Paste(0);
    EXPECT_TRUE(ctl.Bitmap()->samePixels(picture)); // alpha too

    // A refused BMP beside a good PNG: the PNG is taken.
    auto* both = new QMimeData;
    both->setData(QStringLiteral("image/bmp"), QByteArray("BMgarbage"));
    both->setData(QStringLiteral("image/png"), png);
    QApplication::clipboard()->setMimeData(both);
    ImgCtl second;
    second.Paste(0);
    EXPECT_TRUE(second.Bitmap()->samePixels(picture));

    QApplication::clipboard()->setImage(toQImage(opaque(naturalImage(9, 5))));
    ImgCtl third;
    third.Paste(0);
    EXPECT_TRUE(third.Bitmap()->samePixels(opaque(naturalImage(9, 5))));
}

} // namespace
} // namespace korimo
