#include "play/mpvsession.h"
#include "play/playcontrol.h"
#include "playmedia.h"
#include "playtestutil.h"

#include <QImage>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

// How far a colour lies from another: the largest difference of one channel.
int channelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

std::string describe(QRgb c) {
    return "rgb(" + std::to_string(qRed(c)) + "," + std::to_string(qGreen(c)) + "," +
           std::to_string(qBlue(c)) + ")";
}

// The two flat halves of a picture, sampled a quarter of the width in from either side.
void expectFlatColours(const QImage& picture, const char* what) {
    ASSERT_FALSE(picture.isNull()) << what;
    const int y = picture.height() / 2;
    const QRgb left = picture.pixel(picture.width() / 4, y);
    const QRgb right = picture.pixel(picture.width() * 3 / 4, y);
    EXPECT_LE(channelDistance(left, kFlatLeft), 3) << what << ": " << describe(left);
    EXPECT_LE(channelDistance(right, kFlatRight), 3) << what << ": " << describe(right);
}

class ColourTest : public PlayTest, public ::testing::WithParamInterface<const char*> {};

} // namespace

// Captures and the picture on screen carry the colours that were encoded, whatever matrix and
// range the clip uses and whether or not it says which.
TEST_P(ColourTest, CapturesAndThePictureKeepTheEncodedColours) {
    PlayControl play;
    play.resize(400, 300);
    play.show();
    play.setSource(clipPath(QString::fromLatin1(GetParam())));
    play.Pause();
    play.setPosition(2);
    expectFlatColours(play.FramePicture(5000), "picture");
    expectFlatColours(QImage::fromData(dibAsBmpFile(play.FrameDib(5000)), "BMP"), "bitmap");
    // The area shows the picture fitted into 400 x 300.
    QImage shown;
    ASSERT_TRUE(waitUntil(
        [&] {
            shown = play.session()->lastFrame();
            return !shown.isNull() && shown.width() == 400;
        },
        3000));
    expectFlatColours(shown, "shown");
}

INSTANTIATE_TEST_SUITE_P(Kinds, ColourTest,
                         ::testing::Values("flat601.mov", "flatsd.mov", "flatjpeg.avi",
                                           "flat709.mov", "flathd.mov", "flat709full.mov"),
                         [](const auto& p) {
                             std::string n = p.param;
                             for (char& c : n)
                                 if (c == '.')
                                     c = '_';
                             return n;
                         });
