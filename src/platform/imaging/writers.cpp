#include "imaging/writers.h"

#include "imaging/cpuvariant.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <libimagequant.h>

namespace korimo {

namespace {

void requireImage(const Image& image) {
    if (image.isNull())
        throw ImagingError("There is no image to save.");
}

void put16(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char* p, std::uint32_t v) {
    put16(p, v & 0xFFFFu);
    put16(p + 2, v >> 16);
}

// Packs B, G, R of each pixel; four pixels at a time become three 32-bit words.
void packBgr(const std::uint32_t* src, int width, unsigned char* out, int x = 0) {
    out += 3 * static_cast<std::size_t>(x);
    for (; x + 4 <= width; x += 4, out += 12) {
        const std::uint32_t p0 = src[x], p1 = src[x + 1], p2 = src[x + 2], p3 = src[x + 3];
        const std::uint32_t w0 = (p0 & 0xFFFFFFu) | (p1 << 24);
        const std::uint32_t w1 = ((p1 >> 8) & 0xFFFFu) | (p2 << 16);
        const std::uint32_t w2 = ((p2 >> 16) & 0xFFu) | (p3 << 8);
        std::memcpy(out, &w0, 4);
        std::memcpy(out + 4, &w1, 4);
        std::memcpy(out + 8, &w2, 4);
    }
    for (; x < width; ++x, out += 3) {
        out[0] = static_cast<unsigned char>(src[x]);
        out[1] = static_cast<unsigned char>(src[x] >> 8);
        out[2] = static_cast<unsigned char>(src[x] >> 16);
    }
}

#if defined(KORIMO_X86_VARIANTS)
// One byte shuffle drops the alpha bytes of four pixels; each 16-byte store carries 12 useful
// bytes, and the loop stops while the 4 spare ones still land inside the row.
__attribute__((target("ssse3"))) void packBgrSsse3(const std::uint32_t* src, int width,
                                                   unsigned char* out) {
    const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int x = 0;
    for (; x + 6 <= width; x += 4)
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + 3 * static_cast<std::size_t>(x)),
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x)), drop));
    packBgr(src, width, out, x);
}
#endif

void packBgrPlain(const std::uint32_t* src, int width, unsigned char* out) {
    packBgr(src, width, out);
}

void packRow(const std::uint32_t* src, int width, unsigned char* out) {
    static const auto pack = KORIMO_PICK_VARIANT("ssse3", packBgrSsse3, packBgrPlain);
    pack(src, width, out);
}

struct LiqAttrFree {
    void operator()(liq_attr* p) const noexcept { liq_attr_destroy(p); }
};
struct LiqImageFree {
    void operator()(liq_image* p) const noexcept { liq_image_destroy(p); }
};
struct LiqResultFree {
    void operator()(liq_result* p) const noexcept { liq_result_destroy(p); }
};
struct GifMapFree {
    void operator()(ColorMapObject* p) const noexcept { GifFreeMapObject(p); }
};

void quantiserRow(liq_color rowOut[], int row, int width, void* user) {
    const auto* image = static_cast<const Image*>(user);
    const std::uint32_t* s = image->row(row);
    // A GIF has no partial transparency; the picture is taken as opaque.
    for (int x = 0; x < width; ++x)
        rowOut[x] =
            liq_color{static_cast<unsigned char>(s[x] >> 16), static_cast<unsigned char>(s[x] >> 8),
                      static_cast<unsigned char>(s[x]), 255};
}

struct GifSinkContext {
    const ByteSink* sink;
    std::exception_ptr failure;
};

int gifOutput(GifFileType* gif, const GifByteType* data, int length) {
    auto* ctx = static_cast<GifSinkContext*>(gif->UserData);
    if (ctx->failure)
        return 0;
    try {
        (*ctx->sink)(data, static_cast<std::size_t>(length));
        return length;
    } catch (...) {
        // Exceptions must not cross giflib's C frames; a short write makes it stop.
        ctx->failure = std::current_exception();
        return 0;
    }
}

class GifFile {
public:
    explicit GifFile(GifSinkContext* ctx) {
        int error = 0;
        m_gif = EGifOpen(ctx, gifOutput, &error);
        if (!m_gif)
            throw ImagingError(std::string("The GIF writer could not start: ") +
                               GifErrorString(error));
    }
    ~GifFile() {
        if (m_gif) {
            int error = 0;
            EGifCloseFile(m_gif, &error);
        }
    }
    GifFile(const GifFile&) = delete;
    GifFile& operator=(const GifFile&) = delete;
    GifFileType* get() const { return m_gif; }
    // Flushes the trailer; giflib frees the handle whether or not that succeeds.
    bool close() {
        int error = 0;
        const bool ok = EGifCloseFile(std::exchange(m_gif, nullptr), &error) == GIF_OK;
        return ok;
    }

private:
    GifFileType* m_gif = nullptr;
};

} // namespace

void writeBmp24(const Image& image, const ByteSink& sink) {
    requireImage(image);
    const int w = image.width(), h = image.height();
    const std::size_t rowBytes = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(h);
    unsigned char header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, static_cast<std::uint32_t>(54 + pixelBytes));
    put32(header + 10, 54);
    put32(header + 14, 40);
    put32(header + 18, static_cast<std::uint32_t>(w));
    put32(header + 22, static_cast<std::uint32_t>(h));
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, static_cast<std::uint32_t>(pixelBytes));
    put32(header + 38, 2835); // 72 dpi
    put32(header + 42, 2835);
    sink(header, sizeof header);

    // Rows go out in batches of about 1 MiB, so the sink is called a few dozen times, not once
    // per row. Within a batch the frame is read top to bottom and each row is put in its
    // bottom-up place: reading a large frame backwards row by row defeats the memory
    // prefetcher and took about twice as long.
    const int batchRows =
        static_cast<int>(std::max<std::size_t>(1, (std::size_t{1} << 20) / rowBytes));
    std::vector<unsigned char> batch(static_cast<std::size_t>(batchRows) * rowBytes, 0);
    for (int end = h; end > 0; end -= batchRows) {
        const int begin = std::max(0, end - batchRows);
        for (int y = begin; y < end; ++y)
            packRow(image.row(y), w,
                    batch.data() + static_cast<std::size_t>(end - 1 - y) * rowBytes);
        sink(batch.data(), static_cast<std::size_t>(end - begin) * rowBytes);
    }
}

void writeTga32(const Image& image, const ByteSink& sink) {
    requireImage(image);
    const int w = image.width(), h = image.height();
    unsigned char header[18] = {};
    header[2] = 2; // uncompressed true colour
    put16(header + 12, static_cast<unsigned>(w));
    put16(header + 14, static_cast<unsigned>(h));
    header[16] = 32;
    header[17] = 0x28; // 8 attribute (alpha) bits, first row at the top
    sink(header, sizeof header);
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 4;
    if (image.stride() == static_cast<std::size_t>(w)) {
        sink(image.bits(), rowBytes * static_cast<std::size_t>(h));
    } else {
        const int batchRows = std::max(1, static_cast<int>((std::size_t{1} << 20) / rowBytes));
        std::vector<unsigned char> batch(static_cast<std::size_t>(batchRows) * rowBytes);
        for (int y = 0; y < h; y += batchRows) {
            const int n = std::min(batchRows, h - y);
            for (int i = 0; i < n; ++i)
                std::memcpy(batch.data() + i * rowBytes, image.row(y + i), rowBytes);
            sink(batch.data(), static_cast<std::size_t>(n) * rowBytes);
        }
    }
    static const char footer[26] = {0,   0,   0,   0,   0,   0,   0,   0,   'T', 'R', 'U', 'E', 'V',
                                    'I', 'S', 'I', 'O', 'N', '-', 'X', 'F', 'I', 'L', 'E', '.', 0};
    sink(footer, sizeof footer);
}

int jpegQualityFor(int compression) {
    return std::clamp(102 - std::max(compression, 2), 1, 100);
}

namespace {

// libjpeg reports errors through a callback that must not return; it jumps back to writeJpeg,
// which owns nothing with a destructor between the jump and its target.
struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jpegFail(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Compressed bytes go to the sink in 64 KiB pieces, so no buffer of the whole file is made.
struct JpegDestination {
    jpeg_destination_mgr pub;
    const ByteSink* sink;
    std::exception_ptr failure;
    JOCTET buffer[1 << 16];
};

bool flushJpeg(JpegDestination* dest, std::size_t size) noexcept {
    try {
        (*dest->sink)(dest->buffer, size);
        return true;
    } catch (...) {
        dest->failure = std::current_exception();
        return false;
    }
}

void jpegInit(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = sizeof dest->buffer;
}

boolean jpegEmpty(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    if (!flushJpeg(dest, sizeof dest->buffer))
        jpegFail(reinterpret_cast<j_common_ptr>(cinfo));
    jpegInit(cinfo);
    return TRUE;
}

void jpegTerm(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
    if (!flushJpeg(dest, sizeof dest->buffer - dest->pub.free_in_buffer))
        jpegFail(reinterpret_cast<j_common_ptr>(cinfo));
}

// Everything with a destructor lives in the caller, outside the jump.
bool compressJpeg(const Image& image, int quality, bool fullChroma, jpeg_compress_struct& cinfo,
                  JpegErrors& errors, JpegDestination& dest) {
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = jpegFail;
    errors.message[0] = '\0';
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    dest.pub.init_destination = jpegInit;
    dest.pub.empty_output_buffer = jpegEmpty;
    dest.pub.term_destination = jpegTerm;
    cinfo.dest = &dest.pub;
    cinfo.image_width = static_cast<JDIMENSION>(image.width());
    cinfo.image_height = static_cast<JDIMENSION>(image.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRA;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    if (fullChroma) {
        cinfo.comp_info[0].h_samp_factor = 1;
        cinfo.comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[16];
        const int first = static_cast<int>(cinfo.next_scanline);
        const int count = std::min(16, image.height() - first);
        for (int i = 0; i < count; ++i)
            rows[i] = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(image.row(first + i)));
        jpeg_write_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

void writeJpeg(const Image& image, int compression, const ByteSink& sink) {
    requireImage(image);
    if (image.width() > JPEG_MAX_DIMENSION || image.height() > JPEG_MAX_DIMENSION)
        throw ImagingError("The image is too large for a JPEG file.");
    const int quality = jpegQualityFor(compression);
    // Full colour resolution at the top qualities, where the saved frame should keep sharp
    // coloured edges; 4:2:0 below, where size matters more.
    const bool fullChroma = quality >= 90;
    jpeg_compress_struct cinfo{};
    JpegErrors errors{};
    auto dest = std::make_unique<JpegDestination>();
    dest->sink = &sink;
    if (!compressJpeg(image, quality, fullChroma, cinfo, errors, *dest)) {
        if (dest->failure)
            std::rethrow_exception(dest->failure);
        throw ImagingError(std::string("The JPEG encoder failed: ") + errors.message);
    }
}

void writeGif8(const Image& image, const ByteSink& sink) {
    requireImage(image);
    if (image.width() > 65535 || image.height() > 65535)
        throw ImagingError("The image is too large for a GIF file.");
    std::unique_ptr<liq_attr, LiqAttrFree> attr(liq_attr_create());
    if (!attr)
        throw ImagingError("The colour quantiser could not start.");
    // Speed 7 quantises a 1080p frame about four times faster than the default 4 and loses
    // under half a decibel on natural pictures; a save should not stall the window for seconds.
    liq_set_speed(attr.get(), 7);
    std::unique_ptr<liq_image, LiqImageFree> input(liq_image_create_custom(
        attr.get(), quantiserRow, const_cast<Image*>(&image), image.width(), image.height(), 0.0));
    if (!input)
        throw ImagingError("The colour quantiser could not take the image.");
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(input.get(), attr.get(), &rawResult) != LIQ_OK || !rawResult)
        throw ImagingError("The colours of the image could not be reduced to 256.");
    std::unique_ptr<liq_result, LiqResultFree> result(rawResult);
    liq_set_dithering_level(result.get(), 1.0f);
    const std::size_t pixels = static_cast<std::size_t>(image.width()) * image.height();
    std::vector<unsigned char> indices(pixels);
    if (liq_write_remapped_image(result.get(), input.get(), indices.data(), pixels) != LIQ_OK)
        throw ImagingError("The image could not be mapped to its palette.");
    const liq_palette* palette = liq_get_palette(result.get());
    if (!palette || palette->count == 0 || palette->count > 256)
        throw ImagingError("The colour quantiser gave no palette.");

    int mapSize = 2;
    while (mapSize < static_cast<int>(palette->count))
        mapSize *= 2;
    std::unique_ptr<ColorMapObject, GifMapFree> map(GifMakeMapObject(mapSize, nullptr));
    if (!map)
        throw ImagingError("Not enough memory for the GIF palette.");
    for (int i = 0; i < mapSize; ++i) {
        const liq_color c =
            i < static_cast<int>(palette->count) ? palette->entries[i] : liq_color{0, 0, 0, 255};
        map->Colors[i] = GifColorType{c.r, c.g, c.b};
    }

    GifSinkContext ctx{&sink, nullptr};
    GifFile gif(&ctx);
    bool ok =
        EGifPutScreenDesc(gif.get(), image.width(), image.height(), 8, 0, map.get()) == GIF_OK &&
        EGifPutImageDesc(gif.get(), 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height(); ++y)
        ok = EGifPutLine(gif.get(), indices.data() + static_cast<std::size_t>(y) * image.width(),
                         image.width()) == GIF_OK;
    ok = gif.close() && ok;
    if (ctx.failure)
        std::rethrow_exception(ctx.failure);
    if (!ok)
        throw ImagingError("The GIF writer failed.");
}

} // namespace korimo
