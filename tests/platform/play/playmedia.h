#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace korimo {
class PlayControl;
}

namespace korimo::test {

// Test clips made with the ffmpeg CLI from frames that carry their own index: eight cells
// across the top are white for the set bits of the index, the rest is a pattern that moves
// with the index so every frame differs everywhere.
inline constexpr int kClipWidth = 320;
inline constexpr int kClipHeight = 240;
inline constexpr int kClipFrames = 50;
inline constexpr int kClipFps = 25;
// Frames of the clips whose sound outlasts their pictures, and of the one-keyframe clip.
inline constexpr int kLongSoundFrames = 100;
inline constexpr int kLongGopFrames = 100;

// The exact picture of frame `index` as it went into the encoder.
QImage sourceFrame(int index);
// Reads the index back from a decoded picture; -1 when the cells cannot be read.
int decodeIndex(const QImage& picture);

// The path of a generated clip by name, made on first use and kept in the test data folder:
// "mpeg4.avi" (mpeg4 + mp3), "lossless.avi" (ffv1 RGB, no sound), "clip.mpg" (mpeg2 + mp2),
// "clip.mov" (h264 + aac), "clip.wmv" (wmv2 + wma), "sound.mpa" (mp2 only), "longclaim.mkv"
// (mpeg4 whose header claims 300 million seconds), "zero.avi", "text.avi", "truncated.mov",
// "truncated.mpg", "clip.edl", "rotated90.mov" / "rotated180.mov" / "rotated270.mov" (clip.mov
// tagged as filmed turned), "vfr.mp4" (mpeg4 whose rate drops from 25 to 5 frames a second
// after frame 19), "resize.mpg" (frames 0-24 at 320 x 240, then 640 x 480), "longsound.mpg"
// (mpeg2 + mp2 program stream) and "longsound.mp4" (h264 + aac): kLongSoundFrames frames under
// sound that runs two seconds longer, "longgop.mov" (h264, kLongGopFrames frames after a single
// keyframe), "longgopsound.mov" (the same with aac sound) and "longgopsound.avi" (with mp3).
QString clipPath(const QString& name);

// Flat-colour clips: the left half of every picture is kFlatLeft, the right half kFlatRight,
// each turned into exact YUV by the matrix and range the clip declares (or that its kind implies
// when untagged) and encoded without loss where the codec allows. By name:
// "flat601.mov" (640 x 480 h264, tagged BT.601 limited range), "flatsd.mov" (the same untagged),
// "flatjpeg.avi" (640 x 480 MJPEG, untagged, full range), "flat709.mov" (1280 x 720 h264, tagged
// BT.709 limited range), "flathd.mov" (the same untagged), "flat709full.mov" (1280 x 720 h264,
// tagged BT.709 full range).
inline constexpr unsigned kFlatLeft = 0xffc8321e;  // rgb(200, 50, 30)
inline constexpr unsigned kFlatRight = 0xff285ad2; // rgb(40, 90, 210)

// Frame `index` of a clip as the ffmpeg CLI decodes it (turned upright as its tags say).
QImage ffmpegFrame(const QString& path, int index);

// Reads a whole file, empty on failure.
QByteArray readAll(const QString& path);

// Makes every picture the engine passes on cost real time, as a heavy video does: each picture
// waits its own duration divided by `speed`. False when the engine refused the filter.
bool slowDown(PlayControl& play, double speed);

// A packed DIB wrapped in a BMP file header, so an independent reader can decode it.
QByteArray dibAsBmpFile(const QByteArray& dib);

} // namespace korimo::test
