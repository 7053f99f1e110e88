#include "imaging/savefile.h"

#include "imaging/writers.h"

#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <iterator>
#include <new>

namespace korimo {

namespace {

// Each format code with the one depth it is saved in and its writer.
struct Format {
    int code;
    int bits;
    void (*write)(const Image& image, int compression, const ByteSink& sink);
};

constexpr Format kFormats[] = {
    {kFormatGif, 8, [](const Image& image, int, const ByteSink& sink) { writeGif8(image, sink); }},
    {kFormatTga, 32,
     [](const Image& image, int, const ByteSink& sink) { writeTga32(image, sink); }},
    {kFormatBmp, 24,
     [](const Image& image, int, const ByteSink& sink) { writeBmp24(image, sink); }},
    {kFormatJpeg, 24, writeJpeg},
};

void encode(const Image& image, int formatCode, int bits, int compression, const ByteSink& sink) {
    const auto* format = std::find_if(std::begin(kFormats), std::end(kFormats),
                                      [&](const Format& f) { return f.code == formatCode; });
    if (format == std::end(kFormats))
        throw ImagingError("Image format " + std::to_string(formatCode) + " is not known.");
    if (bits != format->bits)
        throw ImagingError("This image format cannot be saved with " + std::to_string(bits) +
                           " bits per pixel.");
    format->write(image, compression, sink);
}

} // namespace

void saveImageFile(const Image& image, const QString& file, int formatCode, int bits,
                   int compression) {
    if (image.isNull())
        throw ImagingError("There is no image to save.");
    if (file.isEmpty())
        throw ImagingError("No file name was given for the image.");
    const std::string name = QFileInfo(file).fileName().toStdString();
    // QSaveFile writes beside the target and renames on commit; an uncommitted one removes its
    // temporary file when it goes out of scope.
    QSaveFile out(file);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        throw ImagingError("The file " + name +
                           " cannot be written: " + out.errorString().toStdString() + ".");
    try {
        encode(image, formatCode, bits, compression, [&](const void* data, std::size_t size) {
            const char* p = static_cast<const char*>(data);
            while (size > 0) {
                const qint64 done = out.write(p, static_cast<qint64>(size));
                if (done <= 0)
                    throw ImagingError("Writing " + name +
                                       " failed: " + out.errorString().toStdString() + ".");
                p += done;
                size -= static_cast<std::size_t>(done);
            }
        });
    } catch (const std::bad_alloc&) {
        out.cancelWriting();
        throw ImagingError("Not enough memory to save " + name + ".");
    } catch (...) {
        out.cancelWriting();
        throw;
    }
    if (!out.commit())
        throw ImagingError("Writing " + name + " failed: " + out.errorString().toStdString() + ".");
}

} // namespace korimo
