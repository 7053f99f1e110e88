#include "clipboard/clipboard.h"

#include "../imaging/imagingtestutil.h"
#include "dibbuilder.h"
#include "imaging/imgctl.h"

#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace korimo {
namespace {

using test::naturalImage;
using test::opaque;

// Keeps the event loop turning, as the clipboard owner must to answer other programs.
bool spinUntil(const std::function<bool()>& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

QByteArray readWithXclip(const QString& target) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                 QStringLiteral("-t"), target});
    if (!xclip.waitForStarted(5000) ||
        !spinUntil([&] { return xclip.state() == QProcess::NotRunning; }))
        return {};
    return xclip.readAllStandardOutput();
}

class ClipboardX11 : public ::testing::Test {
protected:
    void TearDown() override {
        if (m_xclip) {
            m_xclip->kill();
            m_xclip->waitForFinished(5000);
        }
    }
    // Another program takes the clipboard with the file's bytes under the given type.
    bool offerWithXclip(const QString& file, const QString& type) {
        m_xclip = std::make_unique<QProcess>();
        m_xclip->start(QStringLiteral("xclip"),
                       {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                        QStringLiteral("-t"), type, QStringLiteral("-i"), file,
                        QStringLiteral("-quiet")});
        return m_xclip->waitForStarted(5000) && spinUntil([&] {
                   const QMimeData* mime = QApplication::clipboard()->mimeData();
                   return mime && mime->formats().contains(type);
               });
    }
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_xclip;
};

TEST_F(ClipboardX11, OurFrameReachesOtherProgramsAsBmpAndPng) {
    const Image frame = opaque(naturalImage(80, 45));
    const QByteArray dib = test::packedDib24(frame);
    ASSERT_TRUE(clipboard::putFrame(dib));
    const QByteArray targets = readWithXclip(QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains("image/bmp")) << targets.constData();
    EXPECT_TRUE(targets.contains("image/png")) << targets.constData();
    const QByteArray bmp = readWithXclip(QStringLiteral("image/bmp"));
    EXPECT_EQ(bmp.left(2), QByteArray("BM"));
    EXPECT_EQ(bmp.mid(14), dib);
    const QByteArray png = readWithXclip(QStringLiteral("image/png"));
    EXPECT_EQ(test::maxChannelDifference(frame, QImage::fromData(png, "PNG"), true), 0);
}

TEST_F(ClipboardX11, PngFromAnotherProgramPastes) {
    const Image picture = naturalImage(50, 30, true);
    ASSERT_TRUE(toQImage(picture).save(path(QStringLiteral("p.png"))));
    ASSERT_TRUE(offerWithXclip(path(QStringLiteral("p.png")), QStringLiteral("image/png")));
    ImgCtl ctl;
    ASSERT_TRUE(ctl.Paste(ImgCtl::kPasteTestOnly));
    ASSERT_TRUE(ctl.Paste(0));
    EXPECT_TRUE(ctl.Bitmap()->samePixels(picture));
}

TEST_F(ClipboardX11, BmpFromAnotherProgramPastes) {
    const Image picture = opaque(naturalImage(47, 29));
    ASSERT_TRUE(toQImage(picture).save(path(QStringLiteral("p.png"))));
    ASSERT_TRUE(test::runConvert({path(QStringLiteral("p.png")), QStringLiteral("-type"),
                                  QStringLiteral("TrueColor"),
                                  QStringLiteral("BMP3:") + path(QStringLiteral("p.bmp"))}));
    ASSERT_TRUE(offerWithXclip(path(QStringLiteral("p.bmp")), QStringLiteral("image/bmp")));
    ImgCtl ctl;
    ASSERT_TRUE(ctl.Paste(ImgCtl::kPasteTestOnly));
    ASSERT_TRUE(ctl.Paste(0));
    EXPECT_TRUE(ctl.Bitmap()->samePixels(picture));
}

TEST_F(ClipboardX11, AMalformedBmpFromAnotherProgramIsNothingToPaste) {
    QByteArray bmp = test::bmpFileAround(test::packedDib24(naturalImage(40, 40)), 40);
    test::poke32(bmp, 14 + 8, 4000); // taller than its rows
    QFile f(path(QStringLiteral("bad.bmp")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bmp);
    f.close();
    ASSERT_TRUE(offerWithXclip(path(QStringLiteral("bad.bmp")), QStringLiteral("image/bmp")));
    ImgCtl ctl;
    EXPECT_FALSE(ctl.Paste(ImgCtl::kPasteTestOnly));
    EXPECT_THROW(ctl.Paste(0), ImagingError);
    EXPECT_EQ(ctl.Bitmap(), nullptr);
}

} // namespace
} // namespace korimo
