#include "imaging/imgctl.h"
#include "imaging/savefile.h"
#include "imaging/writers.h"

#include "imagingtestutil.h"
#include "support/diskfaults.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace korimo {
namespace {

using test::naturalImage;

QByteArray encodeToMemory(void (*writer)(const Image&, const ByteSink&), const Image& image) {
    QByteArray out;
    writer(image, [&](const void* data, std::size_t size) {
        out.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    });
    return out;
}

QImage decodeWithQt(const QByteArray& bytes, const char* format) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, format);
    return reader.read();
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

class Writers : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QStringList entries() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

TEST_F(Writers, BmpDecodesToTheSamePixelsUprightForEveryRowPadding) {
    for (int w : {1, 2, 3, 4, 5, 37}) {
        const Image image = naturalImage(w, 23);
        const QByteArray bmp = encodeToMemory(writeBmp24, image);
        const QImage qt = decodeWithQt(bmp, "BMP");
        EXPECT_EQ(test::maxChannelDifference(image, qt, false), 0) << w;
        const auto magick = test::decodeWithMagick(writeFile(path(QStringLiteral("a.bmp")), bmp));
        ASSERT_TRUE(magick);
        EXPECT_EQ(test::maxChannelDifference(image, *magick, false), 0) << w;
        EXPECT_EQ(qt.pixelColor(0, 0).alpha(), 255);
    }
}

TEST_F(Writers, BmpRowsStayInOrderAcrossTheWritersBatches) {
    // About 2.7 MB of rows with a padded row size, so the rows are handed over in several
    // batches and the last one is short.
    const Image image = naturalImage(3001, 300);
    int handovers = 0;
    QByteArray bmp;
    writeBmp24(image, [&](const void* data, std::size_t size) {
        ++handovers;
        bmp.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    });
    EXPECT_GT(handovers, 3);
    EXPECT_EQ(test::maxChannelDifference(image, decodeWithQt(bmp, "BMP"), false), 0);
}

TEST_F(Writers, TgaKeepsEveryChannelIncludingAlphaUpright) {
    const Image image = naturalImage(61, 29, true);
    const QByteArray tga = encodeToMemory(writeTga32, image);
    const auto magick = test::decodeWithMagick(writeFile(path(QStringLiteral("a.tga")), tga));
    ASSERT_TRUE(magick);
    EXPECT_EQ(test::maxChannelDifference(image, *magick, true), 0);
    EXPECT_EQ(qAlpha(magick->pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(magick->pixel(60, 0)), 255);
}

TEST_F(Writers, JpegAtTheTopQualityStaysCloseAndMoreCompressionShrinksTheFile) {
    const Image image = naturalImage(320, 200);
    QByteArray best, rough;
    writeJpeg(image, 2, [&](const void* d, std::size_t n) {
        best.append(static_cast<const char*>(d), static_cast<qsizetype>(n));
    });
    writeJpeg(image, 60, [&](const void* d, std::size_t n) {
        rough.append(static_cast<const char*>(d), static_cast<qsizetype>(n));
    });
    const QImage qt = decodeWithQt(best, "JPEG");
    EXPECT_GT(test::psnr(image, qt), 40.0);
    const auto magick = test::decodeWithMagick(writeFile(path(QStringLiteral("a.jpg")), best));
    ASSERT_TRUE(magick);
    EXPECT_GT(test::psnr(image, *magick), 40.0);
    EXPECT_LT(rough.size(), best.size() / 2);
    EXPECT_GT(test::psnr(image, decodeWithQt(rough, "JPEG")), 22.0);
    EXPECT_EQ(jpegQualityFor(0), 100);
    EXPECT_EQ(jpegQualityFor(2), 100);
    EXPECT_EQ(jpegQualityFor(3), 99);
    EXPECT_EQ(jpegQualityFor(1000), 1);
}

TEST_F(Writers, GifUsesAtMost256ColoursAndKeepsANaturalImageRecognisable) {
    const Image image = naturalImage(300, 170);
    const QByteArray gif = encodeToMemory(writeGif8, image);
    const QImage qt = decodeWithQt(gif, "GIF");
    ASSERT_FALSE(qt.isNull());
    EXPECT_GE(test::psnr(image, qt), 30.0);
    std::set<QRgb> colours;
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x)
            colours.insert(qt.pixel(x, y));
    EXPECT_LE(colours.size(), 256u);
    const auto magick = test::decodeWithMagick(writeFile(path(QStringLiteral("a.gif")), gif));
    ASSERT_TRUE(magick);
    EXPECT_GE(test::psnr(image, *magick), 30.0);
}

TEST_F(Writers, AFailingSinkStopsEveryWriterWithAnError) {
    const Image image = naturalImage(64, 48);
    for (auto writer : {writeBmp24, writeTga32, writeGif8}) {
        int calls = 0;
        EXPECT_THROW(writer(image,
                            [&](const void*, std::size_t) {
                                if (++calls > 1)
                                    throw ImagingError("disk full");
                            }),
                     ImagingError);
    }
    EXPECT_THROW(writeJpeg(image, 2, [](const void*, std::size_t) { throw ImagingError("x"); }),
                 ImagingError);
    EXPECT_THROW(writeBmp24(Image(), [](const void*, std::size_t) {}), ImagingError);
}

TEST_F(Writers, SaveWritesEachFormatCodeWhereItWasAsked) {
    const Image image = naturalImage(40, 30);
    struct Case {
        const char* name;
        int code, bits;
        const char* qtFormat;
    };
    for (const Case& c : {Case{"f.bmp", 6, 24, "BMP"}, Case{"f.jpg", 10, 24, "JPEG"},
                          Case{"f.gif", 2, 8, "GIF"}, Case{"f.tga", 4, 32, nullptr}}) {
        saveImageFile(image, path(QString::fromLatin1(c.name)), c.code, c.bits, 2);
        const QByteArray bytes = test::readAll(path(QString::fromLatin1(c.name)));
        if (c.qtFormat)
            EXPECT_GT(test::psnr(image, decodeWithQt(bytes, c.qtFormat)), 30.0) << c.name;
        else
            EXPECT_EQ(bytes, encodeToMemory(writeTga32, image));
    }
    EXPECT_EQ(entries().size(), 4);
}

TEST_F(Writers, AFailedSaveLeavesNoFileAndKeepsTheOldOne) {
    const Image image = naturalImage(400, 300);
    const QString old = path(QStringLiteral("old.bmp"));
    ASSERT_FALSE(writeFile(old, "previous contents").isEmpty());

    EXPECT_THROW(saveImageFile(image, old, 6, 32, 0), ImagingError);  // wrong depth
    EXPECT_THROW(saveImageFile(image, old, 99, 24, 0), ImagingError); // unknown format
    EXPECT_THROW(saveImageFile(Image(), old, 6, 24, 0), ImagingError);
    EXPECT_THROW(saveImageFile(image, path(QStringLiteral("missing/x.bmp")), 6, 24, 0),
                 ImagingError);
    EXPECT_THROW(saveImageFile(image, old + QStringLiteral("/x.bmp"), 6, 24, 0), ImagingError);
    EXPECT_THROW(saveImageFile(image, QString(), 6, 24, 0), ImagingError);
    EXPECT_EQ(test::readAll(old), QByteArray("previous contents"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("old.bmp")});
}

TEST_F(Writers, ANameAsLongAsTheFileSystemAllowsIsSavedAndReplaced) {
    // 250 bytes in all: the temporary name beside it must still fit the 255-byte limit.
    const QString name = QString(123, QChar(0x00E9)) + QStringLiteral(".bmp");
    ASSERT_EQ(QFile::encodeName(name).size(), 250);
    ASSERT_FALSE(writeFile(path(name), "older").isEmpty());
    saveImageFile(naturalImage(8, 8), path(name), 6, 24, 0);
    EXPECT_EQ(test::readAll(path(name)), encodeToMemory(writeBmp24, naturalImage(8, 8)));
    EXPECT_EQ(entries(), QStringList{name});
}

TEST_F(Writers, AFolderThatCannotBeWrittenIsReported) {
    // root writes through permission bits, so it meets a folder no one can create files in.
    QString target = QStringLiteral("/proc/korimo-test.bmp");
    if (geteuid() != 0) {
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("locked")));
        QFile::setPermissions(path(QStringLiteral("locked")), QFile::ReadOwner | QFile::ExeOwner);
        target = path(QStringLiteral("locked/x.bmp"));
    }
    try {
        saveImageFile(naturalImage(8, 8), target, 6, 24, 0);
        ADD_FAILURE() << "saving into an unwritable folder succeeded";
    } catch (const ImagingError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot be written"), std::string::npos);
    }
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(Writers, AFullDiskLeavesNeitherPartialNorTemporaryFiles) {
    // A file-size limit fails writes the way a full disk does, without needing one.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Image image = naturalImage(400, 300);
    bool threw = false;
    try {
        saveImageFile(image, path(QStringLiteral("big.bmp")), 6, 24, 0);
    } catch (const ImagingError&) {
        threw = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(threw);
    EXPECT_TRUE(entries().isEmpty()) << entries().join(',').toStdString();
}

// A full disk, as a small file system filled up or as a file-size limit, in every format with a
// frame that sits whole in the writer's buffer (only the last flush fails) and one that
// overflows it (a write fails mid-stream).
class SaveOntoAFullDisk : public ::testing::TestWithParam<test::FullFolder::Kind> {};

TEST_P(SaveOntoAFullDisk, FailsWithTheReasonAndLeavesTheOlderFileByteForByte) {
    test::FullFolder folder(GetParam());
    if (!folder.unavailable().isEmpty())
        GTEST_SKIP() << "no small file system can be mounted here ("
                     << folder.unavailable().toStdString() << "); the file-size limit case runs";
    struct Case {
        QString name;
        int code, bits;
        Image image;
        QByteArray older;
    };
    const Image small = naturalImage(24, 16), large = naturalImage(640, 480);
    std::vector<Case> cases;
    for (auto [ext, code, bits] : {std::tuple{"bmp", 6, 24}, std::tuple{"jpg", 10, 24},
                                   std::tuple{"tga", 4, 32}, std::tuple{"gif", 2, 8}})
        for (const Image* image : {&small, &large}) {
            const QString name = QStringLiteral("%1x%2.%3")
                                     .arg(image->width())
                                     .arg(image->height())
                                     .arg(QLatin1String(ext));
            cases.push_back({name, code, bits, *image, "older file " + name.toUtf8()});
            ASSERT_FALSE(writeFile(folder.filePath(name), cases.back().older).isEmpty());
        }
    // The two sizes fall either side of the writer's buffer in every format.
    QTemporaryDir probe;
    for (const Case& c : cases) {
        const QString file = probe.filePath(c.name);
        saveImageFile(c.image, file, c.code, c.bits, 2);
        const qint64 size = QFileInfo(file).size();
        EXPECT_EQ(size > 64 * 1024, c.image.width() == large.width())
            << c.name.toStdString() << " is " << size << " bytes";
    }

    QStringList errors;
    folder.fill();
    for (const Case& c : cases) {
        try {
            saveImageFile(c.image, folder.filePath(c.name), c.code, c.bits, 2);
            errors << QString();
        } catch (const ImagingError& e) {
            errors << QString::fromUtf8(e.what());
        }
    }
    folder.release();

    QStringList names;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        names << c.name;
        EXPECT_TRUE(errors[int(i)].endsWith(folder.reason() + '.'))
            << c.name.toStdString() << ": " << errors[int(i)].toStdString();
        EXPECT_EQ(test::readAll(folder.filePath(c.name)), c.older) << c.name.toStdString();
    }
    names.sort();
    QStringList left = folder.entries();
    left.sort();
    EXPECT_EQ(left, names) << "no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(Writers, SaveOntoAFullDisk,
                         ::testing::Values(test::FullFolder::FileSystem,
                                           test::FullFolder::SizeLimit),
                         [](const auto& p) {
                             return p.param == test::FullFolder::FileSystem
                                        ? std::string("FullFileSystem")
                                        : std::string("FileSizeLimit");
                         });

} // namespace
} // namespace korimo
