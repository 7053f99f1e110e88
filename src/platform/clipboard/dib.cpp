#include "clipboard/dib.h"

#include <array>
#include <bit>
#include <cstring>

namespace korimo::dib {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;
constexpr std::size_t kFileHeaderSize = 14;

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// One colour channel of a bit-field pixel.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0; // largest value after the shift; 0 for an absent channel

    std::uint32_t to8(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & mask) >> shift;
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(v) * 255 + max / 2) / max);
    }
};

std::optional<Channel> channelFor(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0)
        return c;
    c.shift = std::countr_zero(mask);
    const std::uint32_t bits = mask >> c.shift;
    if ((bits & (bits + 1)) != 0) // the mask must be one run of set bits
        return std::nullopt;
    c.max = bits;
    return c;
}

// Everything the header says about the rows, checked.
struct Layout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bpp = 0;
    bool bitfields = false;
    bool alphaMask = false;
    int rle = 0;                       // 4 or 8 for run-length rows
    std::array<Channel, 4> channels{}; // red, green, blue, alpha
    std::vector<std::uint32_t> palette;
    std::size_t colourTableEnd = 0; // where the rows of a packed DIB start
    std::uint64_t rowBytes = 0;
    std::uint64_t pixelBytes = 0; // bytes the rows need, the last row without its padding
};

std::optional<Layout> parseHeader(const std::uint8_t* data, std::size_t size) {
    if (!data || size < 4)
        return std::nullopt;
    const std::uint32_t headerSize = le32(data);
    Layout l;
    std::uint32_t compression = kBiRgb;
    std::uint32_t coloursUsed = 0;
    std::size_t entrySize = 4;
    std::size_t masksEnd = headerSize;
    std::array<std::uint32_t, 4> masks{};

    if (headerSize == 12) {
        if (size < 12)
            return std::nullopt;
        l.width = le16(data + 4);
        l.height = le16(data + 6);
        if (le16(data + 8) != 1)
            return std::nullopt;
        l.bpp = le16(data + 10);
        if (l.bpp != 1 && l.bpp != 4 && l.bpp != 8 && l.bpp != 24)
            return std::nullopt;
        entrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
               headerSize == 108 || headerSize == 124) {
        if (size < headerSize)
            return std::nullopt;
        const auto w = static_cast<std::int32_t>(le32(data + 4));
        const auto h = static_cast<std::int32_t>(le32(data + 8));
        if (w <= 0 || h == 0 || h == INT32_MIN)
            return std::nullopt;
        l.width = w;
        l.topDown = h < 0;
        l.height = h < 0 ? -h : h;
        if (le16(data + 12) != 1)
            return std::nullopt;
        l.bpp = le16(data + 14);
        compression = le32(data + 16);
        coloursUsed = le32(data + 32);
        if (l.bpp != 1 && l.bpp != 4 && l.bpp != 8 && l.bpp != 16 && l.bpp != 24 && l.bpp != 32)
            return std::nullopt;
        // The 64-byte OS/2 header numbers its compressions differently; only plain rows.
        if (headerSize == 64 && compression != kBiRgb)
            return std::nullopt;
        if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
            if (l.bpp != 16 && l.bpp != 32)
                return std::nullopt;
            const int count = compression == kBiAlphaBitfields ? 4 : 3;
            if (headerSize == 40) {
                masksEnd = 40 + 4 * static_cast<std::size_t>(count);
                if (size < masksEnd)
                    return std::nullopt;
                for (int i = 0; i < count; ++i)
                    masks[i] = le32(data + 40 + 4 * i);
            } else {
                for (int i = 0; i < 4 && 40 + 4 * static_cast<std::uint32_t>(i) + 4 <= headerSize;
                     ++i)
                    masks[i] = le32(data + 40 + 4 * i);
                if (compression == kBiBitfields && headerSize < 56)
                    masks[3] = 0;
            }
            l.bitfields = true;
        } else if ((compression == kBiRle8 && l.bpp == 8) ||
                   (compression == kBiRle4 && l.bpp == 4)) {
            if (headerSize == 64 || l.topDown)
                return std::nullopt;
            l.rle = l.bpp;
        } else if (compression != kBiRgb) {
            return std::nullopt; // embedded JPEG or PNG rows are not read
        }
    } else {
        return std::nullopt;
    }
    if (l.width <= 0 || l.height <= 0 || !Image::sizeAllowed(l.width, l.height))
        return std::nullopt;

    if (!l.bitfields && l.bpp == 16) {
        masks = {0x7C00u, 0x03E0u, 0x001Fu, 0};
        l.bitfields = true;
    }
    if (l.bitfields) {
        std::uint32_t seen = 0;
        for (int i = 0; i < 4; ++i) {
            if (l.bpp == 16 && masks[i] > 0xFFFFu)
                return std::nullopt;
            if (masks[i] & seen)
                return std::nullopt;
            seen |= masks[i];
            const auto channel = channelFor(masks[i]);
            if (!channel)
                return std::nullopt;
            l.channels[i] = *channel;
        }
        if (masks[0] == 0 && masks[1] == 0 && masks[2] == 0)
            return std::nullopt;
        l.alphaMask = masks[3] != 0;
    }

    std::uint64_t entries = 0;
    if (l.bpp <= 8) {
        const std::uint32_t full = 1u << l.bpp;
        if (coloursUsed > full)
            return std::nullopt;
        entries = coloursUsed ? coloursUsed : full;
    } else {
        entries = coloursUsed; // an optional table that only shifts where the rows begin
    }
    const std::uint64_t tableEnd = masksEnd + entries * entrySize;
    if (tableEnd > size)
        return std::nullopt;
    if (l.bpp <= 8) {
        l.palette.resize(static_cast<std::size_t>(entries));
        for (std::size_t i = 0; i < l.palette.size(); ++i) {
            const std::uint8_t* e = data + masksEnd + i * entrySize;
            l.palette[i] = 0xFF000000u | (static_cast<std::uint32_t>(e[2]) << 16) |
                           (static_cast<std::uint32_t>(e[1]) << 8) | e[0];
        }
    }
    l.colourTableEnd = static_cast<std::size_t>(tableEnd);
    const std::uint64_t rowBits = static_cast<std::uint64_t>(l.width) * l.bpp;
    l.rowBytes = (rowBits + 31) / 32 * 4;
    l.pixelBytes =
        l.rle ? 2 : l.rowBytes * static_cast<std::uint64_t>(l.height - 1) + (rowBits + 7) / 8;
    return l;
}

bool decodeRow(const Layout& l, const std::uint8_t* src, std::uint32_t* out) {
    const int w = l.width;
    switch (l.bpp) {
    case 1:
    case 4:
    case 8: {
        const int perByte = 8 / l.bpp;
        const unsigned valueMask = (1u << l.bpp) - 1;
        const std::size_t colours = l.palette.size();
        for (int x = 0; x < w; ++x) {
            const int shift = 8 - l.bpp * (x % perByte + 1);
            const unsigned index = (src[x / perByte] >> shift) & valueMask;
            if (index >= colours)
                return false;
            out[x] = l.palette[index];
        }
        return true;
    }
    case 24:
        for (int x = 0; x < w; ++x, src += 3)
            out[x] = 0xFF000000u | (static_cast<std::uint32_t>(src[2]) << 16) |
                     (static_cast<std::uint32_t>(src[1]) << 8) | src[0];
        return true;
    case 32:
        if (!l.bitfields) {
            // The fourth byte of a plain 32-bit DIB is reserved, not alpha.
            std::memcpy(out, src, static_cast<std::size_t>(w) * 4);
            for (int x = 0; x < w; ++x)
                out[x] |= 0xFF000000u;
            return true;
        }
        [[fallthrough]];
    default: {
        const int bytes = l.bpp / 8;
        for (int x = 0; x < w; ++x, src += bytes) {
            const std::uint32_t v = bytes == 2 ? le16(src) : le32(src);
            const std::uint32_t a = l.alphaMask ? l.channels[3].to8(v) : 255u;
            const std::uint32_t r = l.channels[0].max ? l.channels[0].to8(v) : 0u;
            const std::uint32_t g = l.channels[1].max ? l.channels[1].to8(v) : 0u;
            const std::uint32_t b = l.channels[2].max ? l.channels[2].to8(v) : 0u;
            out[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
        return true;
    }
    }
}

// Run-length rows: runs and literal stretches of palette indices, with end-of-line,
// end-of-bitmap and skip codes. Pixels past the last row or a skip off the picture are a fault;
// pixels the codes skip keep the first palette colour.
bool decodeRunLength(const Layout& l, const std::uint8_t* data, std::size_t size, Image& image) {
    image.fill(l.palette[0]);
    const std::size_t colours = l.palette.size();
    const bool nibbles = l.rle == 4;
    long long x = 0, y = 0; // y counts rows from the bottom
    std::size_t i = 0;
    const auto put = [&](unsigned index) {
        if (y >= l.height)
            return false;
        // Some writers encode the padded row; what lies past the width is dropped unread.
        if (x >= l.width) {
            ++x;
            return true;
        }
        if (index >= colours)
            return false;
        image.row(l.height - 1 - static_cast<int>(y))[x++] = l.palette[index];
        return true;
    };
    while (i + 2 <= size) {
        const unsigned count = data[i], value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned k = 0; k < count; ++k)
                if (!put(nibbles ? ((k & 1) ? value & 0x0F : value >> 4) : value))
                    return false;
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (i + 2 > size)
                return false;
            x += data[i];
            y += data[i + 1];
            i += 2;
            if (x > l.width || y > l.height)
                return false;
        } else {
            const std::size_t bytes = nibbles ? (value + 1) / 2 : value;
            if (i + bytes > size)
                return false;
            for (unsigned k = 0; k < value; ++k) {
                const unsigned b = data[i + (nibbles ? k / 2 : k)];
                if (!put(nibbles ? ((k & 1) ? b & 0x0F : b >> 4) : b))
                    return false;
            }
            i += (bytes + 1) & ~std::size_t{1}; // literal stretches keep 16-bit alignment
        }
    }
    return true; // some writers leave the end-of-bitmap code out
}

std::optional<Image> decode(const Layout& l, const std::uint8_t* pixels, std::size_t available) {
    if (l.pixelBytes > available)
        return std::nullopt;
    // Runs cover at most 255 pixels per two bytes; a picture far larger than its codes could
    // fill is refused before its memory is taken, whatever skip codes it might use.
    if (l.rle && static_cast<std::uint64_t>(l.width) * static_cast<std::uint64_t>(l.height) >
                     static_cast<std::uint64_t>(available) * 128 + l.width)
        return std::nullopt;
    Image image;
    try {
        image = Image(l.width, l.height);
    } catch (const ImagingError&) {
        return std::nullopt;
    }
    if (l.rle) {
        if (!decodeRunLength(l, pixels, available, image))
            return std::nullopt;
        return image;
    }
    bool anyAlpha = false;
    for (int r = 0; r < l.height; ++r) {
        std::uint32_t* out = image.row(l.topDown ? r : l.height - 1 - r);
        if (!decodeRow(l, pixels + static_cast<std::size_t>(r) * l.rowBytes, out))
            return std::nullopt;
        if (l.alphaMask && !anyAlpha)
            for (int x = 0; x < l.width && !anyAlpha; ++x)
                anyAlpha = (out[x] >> 24) != 0;
    }
    // Many writers declare an alpha mask and leave it empty; such an image is opaque.
    if (l.alphaMask && !anyAlpha)
        for (int y = 0; y < l.height; ++y)
            for (int x = 0; x < l.width; ++x)
                image.row(y)[x] |= 0xFF000000u;
    return image;
}

} // namespace

std::optional<Image> readPackedDib(const std::uint8_t* data, std::size_t size) {
    const auto layout = parseHeader(data, size);
    if (!layout)
        return std::nullopt;
    return decode(*layout, data + layout->colourTableEnd, size - layout->colourTableEnd);
}

std::optional<Image> readBmpFile(const std::uint8_t* data, std::size_t size) {
    if (!data || size < kFileHeaderSize || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    const auto layout = parseHeader(data + kFileHeaderSize, size - kFileHeaderSize);
    if (!layout)
        return std::nullopt;
    const std::uint64_t offset = le32(data + 10);
    if (offset < kFileHeaderSize + layout->colourTableEnd || offset > size)
        return std::nullopt;
    return decode(*layout, data + offset, size - static_cast<std::size_t>(offset));
}

std::vector<std::uint8_t> bmpFileFromPackedDib(const std::uint8_t* data, std::size_t size) {
    const auto layout = parseHeader(data, size);
    if (!layout || layout->pixelBytes > size - layout->colourTableEnd ||
        size > 0xFFFFFFFFu - kFileHeaderSize)
        return {};
    std::vector<std::uint8_t> file(kFileHeaderSize + size);
    const auto total = static_cast<std::uint32_t>(file.size());
    const auto offset = static_cast<std::uint32_t>(kFileHeaderSize + layout->colourTableEnd);
    file[0] = 'B';
    file[1] = 'M';
    for (int i = 0; i < 4; ++i) {
        file[2 + i] = static_cast<std::uint8_t>(total >> (8 * i));
        file[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    }
    std::memcpy(file.data() + kFileHeaderSize, data, size);
    return file;
}

} // namespace korimo::dib
