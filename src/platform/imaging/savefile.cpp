#include "imaging/savefile.h"

#include "files/safefile.h"
#include "imaging/writers.h"

#include <QFileInfo>
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

QString saveImageFile(const Image& image, const QString& file, int formatCode, int bits,
                      int compression, const NextName& next) {
    if (image.isNull())
        throw ImagingError("There is no image to save.");
    if (file.isEmpty())
        throw ImagingError("No file name was given for the image.");
    try {
        SafeFile out(file, next ? SafeFile::NewOnly : SafeFile::Replace);
        encode(image, formatCode, bits, compression,
               [&](const void* data, std::size_t size) { out.write(data, size); });
        if (!next) {
            out.commit();
            return file;
        }
        for (QString name = file;; name = next())
            if (out.commitAs(name))
                return name;
    } catch (const FileWriteError& e) {
        throw ImagingError(e.what());
    } catch (const std::bad_alloc&) {
        throw ImagingError("Not enough memory to save " + QFileInfo(file).fileName().toStdString() +
                           ".");
    }
}

} // namespace korimo
