#pragma once

#include "imaging/image.h"

#include <cstddef>
#include <functional>

namespace korimo {

// Takes the encoded bytes in order; throws ImagingError when it cannot keep them.
using ByteSink = std::function<void(const void* data, std::size_t size)>;

// The file-format codes the save operation takes, with the one depth each is written in.
enum ImageFormatCode { kFormatGif = 2, kFormatTga = 4, kFormatBmp = 6, kFormatJpeg = 10 };

// Uncompressed 24-bit Windows bitmap, rows bottom-up as a positive height declares.
void writeBmp24(const Image& image, const ByteSink& sink);
// Uncompressed 32-bit Truevision TGA with 8 alpha bits, rows top-down (origin flag set).
void writeTga32(const Image& image, const ByteSink& sink);
// Baseline JPEG by libjpeg-turbo; `compression` as ImgCtl::SaveImage documents it.
void writeJpeg(const Image& image, int compression, const ByteSink& sink);
// 8-bit GIF: libimagequant picks up to 256 colours and dithers, giflib writes the file.
void writeGif8(const Image& image, const ByteSink& sink);

// The libjpeg quality (1..100) for a compression factor: 0 to 2 give 100, every step above
// costs one point.
int jpegQualityFor(int compression);

} // namespace korimo
