#include "imaging/savefile.h"

#include "imaging/writers.h"

#include <QFileInfo>
#include <QSaveFile>
#include <new>

namespace korimo {

namespace {

void encode(const Image& image, int formatCode, int bits, int compression, const ByteSink& sink) {
    const auto depthFor = [](int code) {
        switch (code) {
        case kFormatGif:
            return 8;
        case kFormatTga:
            return 32;
        case kFormatBmp:
        case kFormatJpeg:
            return 24;
        default:
            return 0;
        }
    };
    const int depth = depthFor(formatCode);
    if (depth == 0)
        throw ImagingError("Image format " + std::to_string(formatCode) + " is not known.");
    if (bits != depth)
        throw ImagingError("This image format cannot be saved with " + std::to_string(bits) +
                           " bits per pixel.");
    switch (formatCode) {
    case kFormatGif:
        writeGif8(image, sink);
        break;
    case kFormatTga:
        writeTga32(image, sink);
        break;
    case kFormatBmp:
        writeBmp24(image, sink);
        break;
    default:
        writeJpeg(image, compression, sink);
        break;
    }
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
