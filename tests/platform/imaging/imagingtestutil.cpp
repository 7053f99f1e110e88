#include "imagingtestutil.h"

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cmath>

namespace korimo::test {

Image naturalImage(int width, int height, bool varyAlpha) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double fx = static_cast<double>(x) / width, fy = static_cast<double>(y) / height;
            double r = 255 * fx;
            double g = 255 * (0.5 + 0.5 * std::sin(6.0 * fy + 3.0 * fx));
            double b = 255 * fy * (1 - fx);
            // A disc with a hard edge and a patch of fine texture.
            const double dx = fx - 0.3, dy = fy - 0.6;
            if (dx * dx + dy * dy < 0.02)
                r = 240, g = 40, b = 60;
            if (fx > 0.65 && fy < 0.35)
                g = ((x * 7 + y * 13) % 17) * 15.0;
            const unsigned a =
                varyAlpha ? static_cast<unsigned>((x * 255) / std::max(1, width - 1)) : 255u;
            image.setPixel(x, y,
                           argb(a, static_cast<unsigned>(r), static_cast<unsigned>(g),
                                static_cast<unsigned>(b)));
        }
    }
    return image;
}

Image opaque(Image image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, image.pixel(x, y) | 0xFF000000u);
    return image;
}

bool runConvert(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral("convert"), arguments);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

std::optional<QImage> decodeWithMagick(const QString& path) {
    QProcess identify;
    identify.start(QStringLiteral("identify"),
                   {QStringLiteral("-format"), QStringLiteral("%w %h"), path});
    if (!identify.waitForFinished(60000) || identify.exitCode() != 0)
        return std::nullopt;
    const QStringList size = QString::fromUtf8(identify.readAllStandardOutput()).split(' ');
    if (size.size() != 2)
        return std::nullopt;
    const int w = size[0].toInt(), h = size[1].toInt();
    QProcess convert;
    convert.start(QStringLiteral("convert"),
                  {path + QStringLiteral("[0]"), QStringLiteral("-depth"), QStringLiteral("8"),
                   QStringLiteral("rgba:-")});
    if (!convert.waitForFinished(60000) || convert.exitCode() != 0)
        return std::nullopt;
    const QByteArray raw = convert.readAllStandardOutput();
    if (raw.size() != static_cast<qsizetype>(w) * h * 4)
        return std::nullopt;
    QImage out(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        const auto* s = reinterpret_cast<const unsigned char*>(raw.constData()) +
                        static_cast<qsizetype>(y) * w * 4;
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x)
            d[x] = qRgba(s[4 * x], s[4 * x + 1], s[4 * x + 2], s[4 * x + 3]);
    }
    return out;
}

double psnr(const Image& a, const QImage& b, bool withAlpha) {
    if (a.width() != b.width() || a.height() != b.height())
        return 0.0;
    const QImage c = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    long long count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(c.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const std::uint32_t p = a.pixel(x, y), q = row[x];
            for (int ch = 0; ch < (withAlpha ? 4 : 3); ++ch) {
                const int d = static_cast<int>((p >> (8 * ch)) & 0xFF) -
                              static_cast<int>((q >> (8 * ch)) & 0xFF);
                sum += d * d;
                ++count;
            }
        }
    }
    const double mse = sum / static_cast<double>(count);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

int maxChannelDifference(const Image& a, const QImage& b, bool withAlpha) {
    if (a.width() != b.width() || a.height() != b.height())
        return 256;
    const QImage c = b.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(c.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            for (int ch = 0; ch < (withAlpha ? 4 : 3); ++ch)
                worst =
                    std::max(worst, std::abs(static_cast<int>((a.pixel(x, y) >> (8 * ch)) & 0xFF) -
                                             static_cast<int>((row[x] >> (8 * ch)) & 0xFF)));
    }
    return worst;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace korimo::test
