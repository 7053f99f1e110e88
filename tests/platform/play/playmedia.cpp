#include "playmedia.h"

#include "play/mpvsession.h"
#include "play/playcontrol.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtEndian>
#include <cmath>
#include <filesystem>
#include <mpv/client.h>
#include <stdexcept>

namespace korimo::test {

namespace {

constexpr int kCellWidth = kClipWidth / 8;
constexpr int kBandHeight = 80;

QString mediaDir() {
    const QString dir = testDataDir() + QStringLiteral("/play");
    QDir().mkpath(dir);
    return dir;
}

void runFfmpeg(const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess ff;
    ff.start(QStringLiteral("ffmpeg"),
             QStringList{QStringLiteral("-y"), QStringLiteral("-v"), QStringLiteral("error")} +
                 args);
    if (!ff.waitForStarted(10000))
        throw std::runtime_error("ffmpeg does not start");
    if (!input.isEmpty()) {
        ff.write(input);
        ff.closeWriteChannel();
    }
    if (!ff.waitForFinished(120000) || ff.exitCode() != 0)
        throw std::runtime_error("ffmpeg failed: " + ff.readAllStandardError().toStdString());
}

// Clip frames 0 to count - 1 as raw bgr24, what the rawInput() options tell ffmpeg to read.
QByteArray rawFrames(int count = kClipFrames) {
    QByteArray raw;
    raw.reserve(qsizetype(kClipWidth) * kClipHeight * 3 * count);
    for (int i = 0; i < count; ++i) {
        const QImage f = sourceFrame(i).convertToFormat(QImage::Format_BGR888);
        for (int y = 0; y < kClipHeight; ++y)
            raw.append(reinterpret_cast<const char*>(f.constScanLine(y)), kClipWidth * 3);
    }
    return raw;
}

QStringList rawInput() {
    return {QStringLiteral("-f"),       QStringLiteral("rawvideo"),
            QStringLiteral("-pix_fmt"), QStringLiteral("bgr24"),
            QStringLiteral("-s"),       QStringLiteral("%1x%2").arg(kClipWidth).arg(kClipHeight),
            QStringLiteral("-r"),       QString::number(kClipFps),
            QStringLiteral("-i"),       QStringLiteral("-")};
}

QStringList sineInput(double seconds = double(kClipFrames) / kClipFps) {
    return {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds)};
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// A name of this process's own beside the target, so test processes making the same clip side by
// side never write into one file.
QString ownName(const QString& target, const char* suffix) {
    return target + QStringLiteral(".%1%2")
                        .arg(QCoreApplication::applicationPid())
                        .arg(QLatin1String(suffix));
}

// Encodes into a name of its own and renames that over the target in one step: a test process
// running beside this one sees either no clip or a whole one. QFile::rename would refuse a target
// that the other process put in place first.
void encode(const QString& target, const QStringList& args, const QByteArray& input) {
    const QString tmp = ownName(target, ".tmp");
    QStringList full = args;
    full << tmp;
    runFfmpeg(full, input);
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(tmp).toStdString(),
                            QFile::encodeName(target).toStdString(), error);
    if (error) {
        QFile::remove(tmp);
        throw std::runtime_error("cannot rename " + tmp.toStdString() + ": " + error.message());
    }
}

struct Yuv {
    int y, u, v;
};

// The exact YUV of an RGB colour under a matrix (kr, kb) and a range, as an encoder computes it.
Yuv toYuv(QRgb c, double kr, double kb, bool full) {
    const double r = qRed(c) / 255.0, g = qGreen(c) / 255.0, b = qBlue(c) / 255.0;
    const double y = kr * r + (1.0 - kr - kb) * g + kb * b;
    const double cb = (b - y) / (2.0 * (1.0 - kb));
    const double cr = (r - y) / (2.0 * (1.0 - kr));
    const double ys = full ? 255.0 : 219.0, cs = full ? 255.0 : 224.0, y0 = full ? 0.0 : 16.0;
    return {int(std::lround(y0 + ys * y)), int(std::lround(128.0 + cs * cb)),
            int(std::lround(128.0 + cs * cr))};
}

// Planar 4:2:0 frames, the left half in one colour and the right half in the other; the border
// falls on an even column, so no chroma sample straddles it.
QByteArray flatFrames(int width, int height, int count, double kr, double kb, bool full) {
    const Yuv left = toYuv(kFlatLeft, kr, kb, full);
    const Yuv right = toYuv(kFlatRight, kr, kb, full);
    QByteArray frame;
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane == 0 ? width : width / 2;
        const int h = plane == 0 ? height : height / 2;
        const auto value = [&](const Yuv& c) {
            return char(plane == 0 ? c.y : plane == 1 ? c.u : c.v);
        };
        const QByteArray row = QByteArray(w / 2, value(left)) + QByteArray(w - w / 2, value(right));
        frame += row.repeated(h);
    }
    return frame.repeated(count);
}

void makeFlat(const QString& name, const QString& path) {
    const bool hd = name.contains(QLatin1String("709")) || name.startsWith(QLatin1String("flathd"));
    const bool jpeg = name == QLatin1String("flatjpeg.avi");
    const bool full = jpeg || name == QLatin1String("flat709full.mov");
    const bool tagged =
        name != QLatin1String("flatsd.mov") && name != QLatin1String("flathd.mov") && !jpeg;
    const int width = hd ? 1280 : 640;
    const int height = hd ? 720 : 480;
    const double kr = hd ? 0.2126 : 0.299;
    const double kb = hd ? 0.0722 : 0.114;
    QStringList args{"-f",       "rawvideo",
                     "-pix_fmt", jpeg ? "yuvj420p" : "yuv420p",
                     "-s",       QStringLiteral("%1x%2").arg(width).arg(height),
                     "-r",       "25",
                     "-i",       "-"};
    if (jpeg)
        args += QStringList{"-c:v", "mjpeg", "-q:v", "1", "-f", "avi"};
    else
        args += QStringList{"-c:v", "libx264", "-qp", "0", "-f", "mov"};
    if (tagged) {
        const QString space = hd ? QStringLiteral("bt709") : QStringLiteral("smpte170m");
        args << "-colorspace" << space << "-color_primaries" << space << "-color_trc" << space
             << "-color_range" << (full ? "pc" : "tv");
    }
    encode(path, args, flatFrames(width, height, 5, kr, kb, full));
}

void make(const QString& name, const QString& path) {
    if (name.startsWith(QLatin1String("flat"))) {
        makeFlat(name, path);
        return;
    }
    const QByteArray frames = rawFrames();
    const QStringList video = rawInput();
    const QStringList gop{QStringLiteral("-g"), QStringLiteral("12")};
    auto fmt = [](const char* f) {
        return QStringList{QStringLiteral("-f"), QString::fromLatin1(f)};
    };
    auto codec = [](const char* v, const char* a) {
        QStringList l{QStringLiteral("-c:v"), QString::fromLatin1(v)};
        if (a)
            l << QStringLiteral("-c:a") << QString::fromLatin1(a);
        return l;
    };
    if (name == QLatin1String("mpeg4.avi")) {
        encode(path,
               video + sineInput() + codec("mpeg4", "libmp3lame") + gop +
                   QStringList{"-q:v", "2", "-b:a", "64k"} +
                   // mp3's priming would otherwise shift the second picture by a frame.
                   QStringList{"-avoid_negative_ts", "disabled"} + fmt("avi"),
               frames);
    } else if (name == QLatin1String("vfr.mp4")) {
        // Twenty frames at 25 a second, then the other thirty at 5 a second.
        encode(path,
               video +
                   QStringList{"-vf", "setpts='if(lt(N,20),N/25,0.8+(N-20)/5)/TB'", "-fps_mode",
                               "vfr"} +
                   codec("mpeg4", nullptr) + gop + QStringList{"-q:v", "2"} + fmt("mp4"),
               frames);
    } else if (name == QLatin1String("resize.mpg")) {
        // An h264 transport stream joined from two parts, the second at twice the size: frames
        // 0-24 at 320 x 240, frames 25-49 at 640 x 480.
        const QString first = ownName(path, ".a.ts");
        const QString second = ownName(path, ".b.ts");
        const QString list = ownName(path, ".txt");
        const QStringList h264{"-c:v",     "libx264", "-bf", "0",  "-crf", "18",
                               "-pix_fmt", "yuv420p", "-g",  "12", "-f",   "mpegts"};
        encode(first, video + QStringList{"-vf", "trim=end_frame=25"} + h264, frames);
        encode(second,
               video + QStringList{"-vf", "trim=start_frame=25,setpts=PTS-STARTPTS,scale=640:480"} +
                   h264,
               frames);
        writeFile(list, "file '" + QFile::encodeName(first) + "'\nfile '" +
                            QFile::encodeName(second) + "'\n");
        encode(path, {"-f", "concat", "-safe", "0", "-i", list, "-c", "copy", "-f", "mpegts"}, {});
        QFile::remove(first);
        QFile::remove(second);
        QFile::remove(list);
    } else if (name == QLatin1String("longsound.mpg") || name == QLatin1String("longsound.mp4")) {
        // Four seconds of pictures under six seconds of sound.
        const bool ps = name.endsWith(QLatin1String(".mpg"));
        encode(
            path,
            video + sineInput(kLongSoundFrames / double(kClipFps) + 2.0) +
                (ps ? codec("mpeg2video", "mp2") + QStringList{"-bf", "2", "-q:v", "2"} + fmt("vob")
                    : codec("libx264", "aac") +
                          QStringList{"-preset", "veryfast", "-pix_fmt", "yuv420p", "-crf", "18"} +
                          fmt("mp4")) +
                gop,
            rawFrames(kLongSoundFrames));
    } else if (name == QLatin1String("longgop.mov")) {
        encode(path,
               video + codec("libx264", nullptr) +
                   QStringList{"-preset", "veryfast", "-pix_fmt", "yuv420p", "-crf", "18", "-g",
                               "250", "-keyint_min", "250", "-sc_threshold", "0", "-bf", "0"} +
                   fmt("mov"),
               rawFrames(kLongGopFrames));
    } else if (name == QLatin1String("longgopsound.mov") ||
               name == QLatin1String("longgopsound.avi")) {
        const bool avi = name.endsWith(QLatin1String(".avi"));
        encode(path,
               video + sineInput(kLongGopFrames / double(kClipFps)) +
                   codec("libx264", avi ? "libmp3lame" : "aac") +
                   QStringList{"-preset", "veryfast", "-pix_fmt", "yuv420p", "-crf", "18", "-g",
                               "1000", "-keyint_min", "1000", "-sc_threshold", "0", "-bf", "0"} +
                   // mp3's priming would otherwise shift the pictures by a frame.
                   (avi ? QStringList{"-avoid_negative_ts", "disabled"} : QStringList{}) +
                   fmt(avi ? "avi" : "mov"),
               rawFrames(kLongGopFrames));
    } else if (name == QLatin1String("lossless.avi")) {
        encode(path, video + codec("ffv1", nullptr) + QStringList{"-pix_fmt", "bgr0"} + fmt("avi"),
               frames);
    } else if (name == QLatin1String("clip.mpg")) {
        encode(path,
               video + sineInput() + codec("mpeg2video", "mp2") + gop +
                   QStringList{"-bf", "2", "-q:v", "2", "-b:a", "128k"} + fmt("vob"),
               frames);
    } else if (name == QLatin1String("clip.mov")) {
        encode(path,
               video + sineInput() + codec("libx264", "aac") + gop +
                   QStringList{"-preset", "veryfast", "-pix_fmt", "yuv420p", "-crf", "18"} +
                   fmt("mov"),
               frames);
    } else if (name == QLatin1String("clip.wmv")) {
        encode(path,
               video + sineInput() + codec("wmv2", "wmav2") + gop + QStringList{"-b:v", "3M"} +
                   fmt("asf"),
               frames);
    } else if (name == QLatin1String("sound.mpa")) {
        encode(path, sineInput() + QStringList{"-c:a", "mp2"} + fmt("mp2"), QByteArray());
    } else if (name == QLatin1String("longclaim.mkv")) {
        // The real 50 frames under a header that claims 300 million seconds.
        const QString tmp = ownName(path, ".mkv");
        encode(tmp,
               video + codec("mpeg4", nullptr) + gop + QStringList{"-q:v", "2"} + fmt("matroska"),
               frames);
        QByteArray bytes = readAll(tmp);
        QFile::remove(tmp);
        const qsizetype at = bytes.indexOf(QByteArray("\x44\x89\x88", 3)); // Duration, 8-byte float
        if (at < 0)
            throw std::runtime_error("no duration in the matroska header");
        qToBigEndian<double>(3e11, bytes.data() + at + 3); // milliseconds
        writeFile(path, bytes);
    } else if (name == QLatin1String("zero.avi")) {
        writeFile(path, QByteArray());
    } else if (name == QLatin1String("text.avi")) {
        writeFile(path, QByteArray("This is a letter, not a video.\n").repeated(40));
    } else if (name == QLatin1String("truncated.mov") || name == QLatin1String("truncated.mpg")) {
        const QString whole =
            clipPath(name == QLatin1String("truncated.mov") ? QStringLiteral("clip.mov")
                                                            : QStringLiteral("clip.mpg"));
        const QByteArray bytes = readAll(whole);
        writeFile(path, bytes.left(bytes.size() * 6 / 10));
    } else if (name.startsWith(QLatin1String("rotated")) && name.endsWith(QLatin1String(".mov"))) {
        // The h264 clip under a rotation tag, as phones write them: "rotated90.mov" and so on.
        const QString degrees = name.mid(7, name.size() - 11);
        encode(path,
               {QStringLiteral("-i"), clipPath(QStringLiteral("clip.mov")), QStringLiteral("-c"),
                QStringLiteral("copy"), QStringLiteral("-metadata:s:v:0"),
                QStringLiteral("rotate=") + degrees, QStringLiteral("-f"), QStringLiteral("mov")},
               {});
    } else if (name == QLatin1String("clip.edl")) {
        writeFile(path, "# mpv EDL v0\n" +
                            QFile::encodeName(clipPath(QStringLiteral("mpeg4.avi"))) + ",0,1\n");
    } else {
        throw std::runtime_error("unknown clip " + name.toStdString());
    }
}

} // namespace

QImage sourceFrame(int index) {
    QImage f(kClipWidth, kClipHeight, QImage::Format_RGB32);
    for (int y = 0; y < kClipHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(f.scanLine(y));
        for (int x = 0; x < kClipWidth; ++x) {
            if (y < kBandHeight) {
                const bool set = (index >> (x / kCellWidth)) & 1;
                row[x] = set ? qRgb(240, 240, 240) : qRgb(12, 12, 12);
            } else {
                row[x] = qRgb((x + 3 * index) & 255, (2 * y + 5 * index) & 255,
                              ((x ^ y) + 7 * index) & 255);
            }
        }
    }
    return f;
}

int decodeIndex(const QImage& picture) {
    if (picture.isNull())
        return -1;
    const QImage p = picture.size() == QSize(kClipWidth, kClipHeight)
                         ? picture
                         : picture.scaled(kClipWidth, kClipHeight);
    int index = 0;
    for (int bit = 0; bit < 8; ++bit) {
        const int g = qGray(p.pixel(bit * kCellWidth + kCellWidth / 2, kBandHeight / 2));
        if (g > 60 && g < 190)
            return -1;
        if (g >= 190)
            index |= 1 << bit;
    }
    return index;
}

QString clipPath(const QString& name) {
    const QString path = mediaDir() + QLatin1Char('/') + name;
    if (!QFileInfo::exists(path))
        make(name, path);
    return path;
}

QImage ffmpegFrame(const QString& path, int index) {
    const QTemporaryDir dir;
    if (!dir.isValid())
        throw std::runtime_error("no temporary folder for the reference frame");
    const QString out = dir.filePath(QStringLiteral("reference.bmp"));
    runFfmpeg({QStringLiteral("-i"), path, QStringLiteral("-vf"),
               QStringLiteral("select=eq(n\\,%1)").arg(index), QStringLiteral("-frames:v"),
               QStringLiteral("1"), QStringLiteral("-f"), QStringLiteral("image2"), out});
    return QImage(out, "BMP");
}

bool slowDown(PlayControl& play, double speed) {
    const QByteArray filter = "lavfi=[realtime=speed=" + QByteArray::number(speed) + "]";
    const char* args[] = {"vf", "add", filter.constData(), nullptr};
    return mpv_command(play.session()->handle(), args) >= 0;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray dibAsBmpFile(const QByteArray& dib) {
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + dib.size()), file.data() + 2);
    qToLittleEndian<quint32>(14 + 40, file.data() + 10);
    return file + dib;
}

} // namespace korimo::test
