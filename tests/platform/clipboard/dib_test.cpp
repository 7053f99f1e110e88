#include "clipboard/dib.h"

#include "../imaging/imagingtestutil.h"
#include "dibbuilder.h"
#include "imaging/imgctl.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace korimo {
namespace {

using test::naturalImage;
using test::opaque;

std::optional<Image> readDib(const QByteArray& bytes) {
    return dib::readPackedDib(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                              static_cast<std::size_t>(bytes.size()));
}

std::optional<Image> readFile(const QByteArray& bytes) {
    return dib::readBmpFile(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                            static_cast<std::size_t>(bytes.size()));
}

TEST(DibReader, ReadsBottomUpAndTopDownRowsTheRightWayUp) {
    for (int w : {1, 2, 3, 5, 31}) {
        const Image image = naturalImage(w, 9, true);
        for (bool topDown : {false, true}) {
            const auto from24 = readDib(test::packedDib24(image, topDown));
            const auto from32 = readDib(test::packedDib32(image, topDown));
            ASSERT_TRUE(from24 && from32) << w << " " << topDown;
            // A plain 32-bit DIB's fourth byte is reserved, so both read as opaque.
            EXPECT_TRUE(from24->samePixels(opaque(image))) << w << " " << topDown;
            EXPECT_TRUE(from32->samePixels(opaque(image))) << w << " " << topDown;
        }
    }
}

TEST(DibReader, ReadsEveryKindOfBitmapAnotherWriterMakes) {
    // A folder of its own: fixed names in a shared one race with any other run of this test.
    const QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QDir dir(scratch.path());
    const QString source = dir.filePath(QStringLiteral("dib-source.png"));
    ASSERT_TRUE(toQImage(naturalImage(45, 27, true)).save(source));
    struct Kind {
        const char* name;
        QStringList options;
        int tolerance; // 5- and 6-bit channels widen with rounding that writers choose freely
    };
    const std::vector<Kind> kinds = {
        {"BMP3:rgb24.bmp", {"-alpha", "off", "-type", "TrueColor"}, 0},
        {"BMP3:pal8.bmp", {"-alpha", "off", "-colors", "200", "-type", "Palette"}, 0},
        {"BMP3:pal4.bmp", {"-alpha", "off", "-colors", "12", "-type", "Palette"}, 0},
        {"BMP3:mono.bmp", {"-alpha", "off", "-monochrome"}, 0},
        {"BMP:rgb565.bmp", {"-alpha", "off", "-define", "bmp:subtype=RGB565"}, 4},
        {"BMP:argb32.bmp", {}, 0},
        {"BMP2:core24.bmp", {"-alpha", "off"}, 0},
    };
    for (const Kind& kind : kinds) {
        const QString target = QString::fromLatin1(kind.name);
        const QString file = dir.filePath(target.section(':', 1));
        ASSERT_TRUE(test::runConvert(QStringList{source} + kind.options +
                                     QStringList{target.section(':', 0, 0) + ':' + file}))
            << kind.name;
        const auto reference = test::decodeWithMagick(file);
        ASSERT_TRUE(reference) << kind.name;
        const QByteArray bytes = test::readAll(file);
        const auto ours = readFile(bytes);
        ASSERT_TRUE(ours) << kind.name;
        EXPECT_LE(test::maxChannelDifference(*ours, *reference, true), kind.tolerance) << kind.name;
        const auto packed = readDib(bytes.mid(14));
        ASSERT_TRUE(packed) << kind.name;
        EXPECT_TRUE(packed->samePixels(*ours)) << kind.name;
    }
}

TEST(DibReader, MalformedHeadersReadAsNothing) {
    const QByteArray valid = test::packedDib24(naturalImage(6, 4));
    ASSERT_TRUE(readDib(valid));
    struct Patch {
        const char* what;
        int offset, size;
        std::uint32_t value;
    };
    const std::vector<Patch> patches = {
        {"header size 20", 0, 4, 20},
        {"header size huge", 0, 4, 0xFFFFFFFFu},
        {"zero width", 4, 4, 0},
        {"negative width", 4, 4, static_cast<std::uint32_t>(-6)},
        {"zero height", 8, 4, 0},
        {"most negative height", 8, 4, 0x80000000u},
        {"absurd width", 4, 4, 40000},
        {"absurd area", 4, 4, 30000},
        {"two planes", 12, 2, 2},
        {"seven bits", 14, 2, 7},
        {"no bits", 14, 2, 0},
        {"run-length rows", 16, 4, 1},
        {"embedded JPEG", 16, 4, 4},
        {"bit fields on 24 bits", 16, 4, 3},
        {"wider than the rows", 4, 4, 7},
        {"taller than the rows", 8, 4, 5},
        {"colour table beyond the data", 32, 4, 1000},
    };
    for (const Patch& p : patches) {
        QByteArray broken = valid;
        if (p.size == 2)
            test::poke16(broken, p.offset, static_cast<std::uint16_t>(p.value));
        else
            test::poke32(broken, p.offset, p.value);
        if (std::string(p.what) == "absurd area")
            test::poke32(broken, 8, 30000);
        EXPECT_FALSE(readDib(broken)) << p.what;
        EXPECT_FALSE(readFile(test::bmpFileAround(broken, 40))) << p.what;
    }
    // Every cut that loses pixels; only the last row's padding may be left off.
    const int needed = 40 + 3 * 20 + 6 * 3;
    for (int size = 0; size < needed; ++size)
        ASSERT_FALSE(readDib(valid.left(size))) << size;
    EXPECT_TRUE(readDib(valid.left(needed)));
}

TEST(DibReader, PaletteAndMaskFaultsReadAsNothing) {
    // An 8-bit DIB with a two-colour table; its pixels index 0 and 1.
    QByteArray pal = test::infoHeader(4, 1, 8, 0, 2);
    pal += QByteArray("\x00\x00\xff\x00\xff\x00\x00\x00", 8);
    pal += QByteArray("\x00\x01\x01\x00", 4);
    const auto good = readDib(pal);
    ASSERT_TRUE(good);
    EXPECT_EQ(good->pixel(0, 0), argb(255, 255, 0, 0));
    EXPECT_EQ(good->pixel(1, 0), argb(255, 0, 0, 255));

    QByteArray outOfTable = pal;
    outOfTable[48 + 2] = 5;
    EXPECT_FALSE(readDib(outOfTable));
    QByteArray tooManyColours = pal;
    test::poke32(tooManyColours, 32, 257);
    EXPECT_FALSE(readDib(tooManyColours));

    // Run-length rows, bottom row first: a literal stretch and a run, then a skip of one
    // pixel; skipped pixels keep the first palette colour.
    QByteArray rle = pal.left(48);
    test::poke32(rle, 8, 2);
    test::poke32(rle, 16, 1);
    const auto runs = [&](const char* bytes, int size) { return rle + QByteArray(bytes, size); };
    const auto decoded = readDib(runs("\x00\x03\x00\x01\x01\x00\x01\x00\x00\x00"
                                      "\x00\x02\x01\x00\x01\x01\x00\x01",
                                      18));
    ASSERT_TRUE(decoded);
    const std::uint32_t red = argb(255, 255, 0, 0), blue = argb(255, 0, 0, 255);
    const std::vector<std::uint32_t> expected = {red, blue, red, red, red, blue, blue, red};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(decoded->pixel(i % 4, i / 4), expected[i]) << i;
    const auto clipped = readDib(runs("\x07\x01\x00\x00\x01\x01", 6)); // longer than a row
    ASSERT_TRUE(clipped);
    EXPECT_EQ(clipped->pixel(3, 1), blue);
    EXPECT_EQ(clipped->pixel(0, 0), blue);
    EXPECT_EQ(clipped->pixel(1, 0), red);
    EXPECT_FALSE(readDib(runs("\x01\x07", 2)));                 // outside the table
    EXPECT_FALSE(readDib(runs("\x00\x00\x00\x00\x01\x00", 6))); // past the last row
    EXPECT_FALSE(readDib(runs("\x00\x05\x01\x01", 4)));         // literal cut off
    EXPECT_FALSE(readDib(runs("\x00\x02\x09\x00", 4)));         // skip past the row

    // 32-bit bit fields: masks follow the 40-byte header.
    const QByteArray fields = test::infoHeader(1, 1, 32, 3);
    const auto withMasks = [&](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        QByteArray d = fields + QByteArray(12, '\0') + QByteArray("\x11\x22\x33\x44", 4);
        test::poke32(d, 40, r);
        test::poke32(d, 44, g);
        test::poke32(d, 48, b);
        return d;
    };
    const auto swapped = readDib(withMasks(0xFF, 0xFF00, 0xFF0000));
    ASSERT_TRUE(swapped);
    EXPECT_EQ(swapped->pixel(0, 0), argb(255, 0x11, 0x22, 0x33));
    EXPECT_FALSE(readDib(withMasks(0xFF, 0xFF, 0xFF0000)));    // overlapping
    EXPECT_FALSE(readDib(withMasks(0xF0F, 0xF000, 0xFF0000))); // not one run of bits
    EXPECT_FALSE(readDib(withMasks(0, 0, 0)));
    EXPECT_FALSE(readDib(withMasks(0xFF, 0xFF00, 0xFF0000).left(50))); // masks cut off
}

TEST(DibReader, FileHeaderOffsetsAreChecked) {
    const QByteArray dib = test::packedDib24(naturalImage(5, 3));
    ASSERT_TRUE(readFile(test::bmpFileAround(dib, 40)));
    EXPECT_FALSE(readFile(test::bmpFileAround(dib, 20)));          // inside the header
    EXPECT_FALSE(readFile(test::bmpFileAround(dib, 50)));          // rows run past the end
    EXPECT_FALSE(readFile(test::bmpFileAround(dib, 0xFFFFFFF0u))); // beyond the data
    QByteArray notBmp = test::bmpFileAround(dib, 40);
    notBmp[0] = 'X';
    EXPECT_FALSE(readFile(notBmp));
    EXPECT_FALSE(readFile(QByteArray("BM")));

    // The wrapper serves the DIB byte for byte and points at its rows.
    const auto* p = reinterpret_cast<const std::uint8_t*>(dib.constData());
    const auto wrapped = dib::bmpFileFromPackedDib(p, static_cast<std::size_t>(dib.size()));
    ASSERT_EQ(wrapped.size(), static_cast<std::size_t>(dib.size()) + 14);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(wrapped.data()) + 14, dib.size()), dib);
    EXPECT_EQ(wrapped[10], 54);
    EXPECT_TRUE(dib::bmpFileFromPackedDib(p, 30).empty());
}

TEST(DibReader, RandomlyDamagedBitmapsNeverReadOutsideTheirBytes) {
    // Meaningful mostly in the sanitizer build, where a stray read aborts the test.
    const std::vector<QByteArray> seeds = {test::packedDib24(naturalImage(7, 5)),
                                           test::packedDib32(naturalImage(3, 4), true)};
    std::mt19937 random(1234);
    int read = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes = seeds[round % seeds.size()];
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i)
            bytes[static_cast<int>(random() % bytes.size())] = static_cast<char>(random());
        if (random() % 4 == 0)
            bytes.truncate(static_cast<int>(random() % bytes.size()));
        if (const auto image = readDib(bytes)) {
            ++read;
            ASSERT_TRUE(Image::sizeAllowed(image->width(), image->height()));
        }
        (void)readFile(test::bmpFileAround(bytes, 40));
    }
    EXPECT_GT(read, 0); // some damage only changes pixel values
}

} // namespace
} // namespace korimo
