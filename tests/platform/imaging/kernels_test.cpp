#include "imaging/kernels.h"

#include "imaging/imgctl.h"

#include "imagingtestutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

namespace korimo {
namespace {

using test::naturalImage;

// Sizes around the vector groups and 64-pixel tiles of the kernels, and one large enough for
// the turn to be split between threads.
const std::vector<std::pair<int, int>> kOddSizes = {
    {1, 1}, {3, 1}, {1, 5}, {5, 3}, {7, 9}, {64, 4}, {67, 130}, {130, 67}, {9, 200}, {1283, 1001}};

TEST(Kernels, FlipAndReverseMoveRowsAndColumnsToTheOppositeSide) {
    for (auto [w, h] : kOddSizes) {
        const Image original = naturalImage(w, h);
        Image flipped(original), reversed(original);
        flipVertical(flipped);
        flipHorizontal(reversed);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(flipped.pixel(x, y), original.pixel(x, h - 1 - y)) << w << "x" << h;
                ASSERT_EQ(reversed.pixel(x, y), original.pixel(w - 1 - x, y)) << w << "x" << h;
            }
        flipVertical(flipped);
        flipHorizontal(reversed);
        EXPECT_TRUE(flipped.samePixels(original));
        EXPECT_TRUE(reversed.samePixels(original));
    }
}

TEST(Kernels, QuarterTurnsPlaceEveryPixelAndFourReturnTheOriginal) {
    for (auto [w, h] : kOddSizes) {
        const Image original = naturalImage(w, h);
        const Image cw = rotateQuarterTurns(original, 1);
        const Image ccw = rotateQuarterTurns(original, -1);
        ASSERT_EQ(cw.width(), h);
        ASSERT_EQ(cw.height(), w);
        ASSERT_EQ(ccw.width(), h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                // Clockwise: the left column becomes the top row, read bottom to top.
                ASSERT_EQ(cw.pixel(h - 1 - y, x), original.pixel(x, y)) << w << "x" << h;
                ASSERT_EQ(ccw.pixel(y, w - 1 - x), original.pixel(x, y)) << w << "x" << h;
            }
        Image turned(original);
        for (int i = 0; i < 4; ++i)
            turned = rotateQuarterTurns(turned, 1);
        EXPECT_TRUE(turned.samePixels(original));
        EXPECT_TRUE(rotateQuarterTurns(rotateQuarterTurns(original, 2), 2).samePixels(original));
        EXPECT_TRUE(rotateQuarterTurns(original, 2).samePixels(rotateQuarterTurns(cw, 1)));
        EXPECT_TRUE(rotateQuarterTurns(original, 5).samePixels(cw));
    }
}

TEST(Kernels, AWronglySizedTargetOrAMissingSourceIsRefused) {
    const Image src = naturalImage(8, 4);
    Image dst(8, 4);
    EXPECT_THROW(rotateClockwise(src, dst), ImagingError);
    EXPECT_THROW(resizeNearest(Image(), 4, 4), ImagingError);
    EXPECT_THROW(resizeResampled(Image(), 4, 4), ImagingError);
}

TEST(Kernels, ColourAdjustmentsKeepAlphaAndMeetTheirDocumentedPoints) {
    const Image original = naturalImage(33, 17, true);

    Image grey(original);
    grayscale(grey);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) {
            const std::uint32_t p = grey.pixel(x, y);
            ASSERT_EQ((p >> 16) & 0xFF, p & 0xFF);
            ASSERT_EQ((p >> 8) & 0xFF, p & 0xFF);
            ASSERT_EQ(p >> 24, original.pixel(x, y) >> 24);
        }
    Image extremes(2, 1);
    extremes.setPixel(0, 0, argb(255, 255, 255, 255));
    extremes.setPixel(1, 0, argb(255, 0, 0, 0));
    grayscale(extremes);
    EXPECT_EQ(extremes.pixel(0, 0), argb(255, 255, 255, 255));
    EXPECT_EQ(extremes.pixel(1, 0), argb(255, 0, 0, 0));

    Image same(original);
    adjustBrightness(same, 100);
    adjustContrast(same, 1000);
    EXPECT_TRUE(same.samePixels(original));

    Image sample(4, 1);
    sample.setPixel(0, 0, argb(10, 100, 128, 200));
    sample.setPixel(1, 0, argb(200, 0, 255, 64));
    Image dark(sample), bright(sample), flat(sample), steep(sample);
    adjustBrightness(dark, 0);
    adjustBrightness(bright, 200);
    adjustContrast(flat, 0);
    adjustContrast(steep, 2000);
    EXPECT_EQ(dark.pixel(0, 0), argb(10, 0, 0, 0));
    EXPECT_EQ(bright.pixel(0, 0), argb(10, 200, 255, 255));
    EXPECT_EQ(bright.pixel(1, 0), argb(200, 0, 255, 128));
    EXPECT_EQ(flat.pixel(1, 0), argb(200, 128, 128, 128));
    EXPECT_EQ(steep.pixel(0, 0), argb(10, 72, 128, 255));
    EXPECT_EQ(steep.pixel(1, 0), argb(200, 0, 255, 0));

    // Out-of-range amounts saturate instead of wrapping.
    Image negative(sample);
    adjustBrightness(negative, -50);
    EXPECT_EQ(negative.pixel(1, 0), argb(200, 0, 0, 0));
    Image huge(sample);
    adjustBrightness(huge, 1 << 30);
    EXPECT_EQ(huge.pixel(1, 0), argb(200, 0, 255, 255));
}

TEST(Kernels, ColourAdjustmentsOfLargeImagesTouchEveryPixelExactlyOnce) {
    // Large images are adjusted in slices on several threads; each row on its own stays on one
    // thread, so the two must agree pixel for pixel.
    const Image original = naturalImage(1283, 1001, true);
    const std::vector<void (*)(Image&)> kernels = {[](Image& i) { grayscale(i); },
                                                   [](Image& i) { adjustBrightness(i, 150); },
                                                   [](Image& i) { adjustContrast(i, 1300); }};
    for (std::size_t k = 0; k < kernels.size(); ++k) {
        Image whole(original);
        kernels[k](whole);
        for (int y = 0; y < original.height(); ++y) {
            Image line(original.width(), 1);
            std::copy(original.row(y), original.row(y) + original.width(), line.row(0));
            kernels[k](line);
            ASSERT_TRUE(std::equal(line.row(0), line.row(0) + original.width(), whole.row(y)))
                << "kernel " << k << " row " << y;
        }
    }
}

TEST(Kernels, ResizedImagesHaveExactlyTheAskedSize) {
    const Image src = naturalImage(97, 61);
    for (auto [w, h] : std::vector<std::pair<int, int>>{
             {1, 1}, {1, 200}, {300, 2}, {97, 61}, {194, 122}, {13, 7}}) {
        const Image a = resizeResampled(src, w, h);
        const Image b = resizeNearest(src, w, h);
        EXPECT_EQ(a.width(), w);
        EXPECT_EQ(a.height(), h);
        EXPECT_EQ(b.width(), w);
        EXPECT_EQ(b.height(), h);
    }
    EXPECT_TRUE(resizeResampled(src, 97, 61).samePixels(src));
    EXPECT_TRUE(resizeNearest(src, 97, 61).samePixels(src));
}

TEST(Kernels, ResampledShrinkAveragesFineDetailWhereNearestAliases) {
    Image board(401, 301);
    for (int y = 0; y < board.height(); ++y)
        for (int x = 0; x < board.width(); ++x)
            board.setPixel(x, y, ((x + y) & 1) ? argb(255, 255, 255, 255) : argb(255, 0, 0, 0));

    const Image smooth = resizeResampled(board, 57, 43);
    for (int y = 0; y < smooth.height(); ++y)
        for (int x = 0; x < smooth.width(); ++x)
            for (int ch = 0; ch < 3; ++ch) {
                const int v = static_cast<int>((smooth.pixel(x, y) >> (8 * ch)) & 0xFF);
                ASSERT_NEAR(v, 128, 6) << x << "," << y;
            }

    const Image nearest = resizeNearest(board, 57, 43);
    std::set<std::uint32_t> seen;
    for (int y = 0; y < nearest.height(); ++y)
        for (int x = 0; x < nearest.width(); ++x)
            seen.insert(nearest.pixel(x, y));
    EXPECT_EQ(seen, (std::set<std::uint32_t>{argb(255, 0, 0, 0), argb(255, 255, 255, 255)}));
}

TEST(Kernels, ExtremeShrinksKeepTheAverageOfFineDetail) {
    // Thousands of source columns per target pixel: each weight is a fraction of the fixed-point
    // unit, so how they are rounded decides whether the result stays mid-grey.
    for (int width : {8192, 20000, Image::kMaxSide}) {
        Image stripes(width, 3);
        for (int y = 0; y < stripes.height(); ++y)
            for (int x = 0; x < width; ++x)
                stripes.setPixel(x, y, (x & 1) ? argb(255, 255, 255, 255) : argb(255, 0, 0, 0));
        for (int target : {1, 2, 7}) {
            const Image small = resizeResampled(stripes, target, 1);
            for (int x = 0; x < target; ++x)
                for (int ch = 0; ch < 3; ++ch)
                    ASSERT_NEAR(static_cast<int>((small.pixel(x, 0) >> (8 * ch)) & 0xFF), 128, 3)
                        << width << " to " << target << " at " << x;
        }
    }
}

TEST(Kernels, ResamplingATallImageIntoAWideOneNeedsNoHugeIntermediate) {
    // Widening first would need a 32768 x 32768 picture between the passes, though neither end
    // holds more than half a million pixels.
    Image tall(16, Image::kMaxSide);
    for (int y = 0; y < tall.height(); ++y)
        for (int x = 0; x < tall.width(); ++x)
            tall.setPixel(x, y, argb(255, static_cast<unsigned>(y >> 7), 60, 200));
    const Image wide = resizeResampled(tall, Image::kMaxSide, 16);
    ASSERT_EQ(wide.width(), Image::kMaxSide);
    ASSERT_EQ(wide.height(), 16);
    for (int y = 0; y < wide.height(); ++y) {
        // Each band of 2048 source rows comes out near the middle of its stretch of the red ramp.
        const int red = (y * 2048 + 1024) >> 7;
        for (int x = 0; x < wide.width(); x += 1021) {
            const std::uint32_t p = wide.pixel(x, y);
            ASSERT_NEAR(static_cast<int>((p >> 16) & 0xFF), red, 1) << x << "," << y;
            ASSERT_EQ(p & 0xFF00FFFFu, argb(255, 0, 60, 200)) << x << "," << y;
        }
    }
}

TEST(Kernels, ResampledResizeMatchesAnIndependentCatmullRomResampler) {
    // A folder of its own: fixed names in a shared one race with any other run of this test.
    const QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString dir = scratch.path();
    const QString in = QDir(dir).filePath(QStringLiteral("resample-in.png"));
    const Image src = naturalImage(320, 180);
    ASSERT_TRUE(toQImage(src).save(in));
    for (auto [w, h] : std::vector<std::pair<int, int>>{{640, 360}, {107, 60}, {200, 300}}) {
        const QString out = QDir(dir).filePath(QStringLiteral("resample-%1x%2.png").arg(w).arg(h));
        ASSERT_TRUE(test::runConvert({in, QStringLiteral("-filter"), QStringLiteral("Catrom"),
                                      QStringLiteral("-resize"),
                                      QStringLiteral("%1x%2!").arg(w).arg(h), out}));
        const auto reference = test::decodeWithMagick(out);
        ASSERT_TRUE(reference);
        const Image ours = resizeResampled(src, w, h);
        EXPECT_GT(test::psnr(ours, *reference), 38.0) << w << "x" << h;
    }
}

} // namespace
} // namespace korimo
