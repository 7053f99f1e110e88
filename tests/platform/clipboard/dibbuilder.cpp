#include "dibbuilder.h"

namespace korimo::test {

void poke16(QByteArray& bytes, int offset, std::uint16_t value) {
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

void poke32(QByteArray& bytes, int offset, std::uint32_t value) {
    poke16(bytes, offset, static_cast<std::uint16_t>(value & 0xFFFF));
    poke16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

QByteArray infoHeader(int width, int height, int bpp, std::uint32_t compression,
                      std::uint32_t coloursUsed) {
    QByteArray h(40, '\0');
    poke32(h, 0, 40);
    poke32(h, 4, static_cast<std::uint32_t>(width));
    poke32(h, 8, static_cast<std::uint32_t>(height));
    poke16(h, 12, 1);
    poke16(h, 14, static_cast<std::uint16_t>(bpp));
    poke32(h, 16, compression);
    poke32(h, 32, coloursUsed);
    return h;
}

namespace {

QByteArray build(const Image& image, bool topDown, int bpp) {
    const int bytesPerPixel = bpp / 8;
    const int rowBytes = (image.width() * bytesPerPixel + 3) & ~3;
    QByteArray dib = infoHeader(image.width(), topDown ? -image.height() : image.height(), bpp);
    poke32(dib, 20, static_cast<std::uint32_t>(rowBytes * image.height()));
    for (int r = 0; r < image.height(); ++r) {
        QByteArray row(rowBytes, '\0');
        const int y = topDown ? r : image.height() - 1 - r;
        for (int x = 0; x < image.width(); ++x)
            for (int c = 0; c < bytesPerPixel; ++c)
                row[x * bytesPerPixel + c] = static_cast<char>(image.pixel(x, y) >> (8 * c));
        dib += row;
    }
    return dib;
}

} // namespace

QByteArray packedDib24(const Image& image, bool topDown) {
    return build(image, topDown, 24);
}

QByteArray packedDib32(const Image& image, bool topDown) {
    return build(image, topDown, 32);
}

QByteArray bmpFileAround(const QByteArray& dib, std::uint32_t pixelOffsetInDib) {
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    poke32(file, 2, static_cast<std::uint32_t>(14 + dib.size()));
    poke32(file, 10, 14 + pixelOffsetInDib);
    return file + dib;
}

} // namespace korimo::test
