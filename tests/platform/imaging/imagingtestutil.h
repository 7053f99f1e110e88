#pragma once

#include "imaging/image.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace korimo::test {

// A deterministic picture with smooth gradients, hard edges and fine texture, so codecs and
// filters meet the kinds of detail a video frame has. It
// has no symmetry, so a flipped or turned result never passes for the original.
Image naturalImage(int width, int height, bool varyAlpha = false);
// The image with every pixel made fully opaque, as readers without alpha give it back.
Image opaque(Image image);

// Decodes a file with ImageMagick (a reader independent of ours and of Qt's) into ARGB32.
std::optional<QImage> decodeWithMagick(const QString& path);
// Runs ImageMagick's convert with the arguments; true when it succeeded.
bool runConvert(const QStringList& arguments);

double psnr(const Image& a, const QImage& b, bool withAlpha = false);
// The largest difference of any channel between the two; when the sizes differ, 256, more than
// any bound a test may allow.
int maxChannelDifference(const Image& a, const QImage& b, bool withAlpha = true);

QByteArray readAll(const QString& path);

} // namespace korimo::test
