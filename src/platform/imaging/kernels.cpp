#include "imaging/kernels.h"

#include "imaging/cpuvariant.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The per-pixel loops are written so the compiler vectorises them; an AVX2 clone is picked at
// load time where the processor has it.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define KORIMO_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KORIMO_VECTOR_CLONES
#endif

namespace korimo {

namespace {

std::size_t bufferPixels(const Image& image) {
    return image.stride() * static_cast<std::size_t>(image.height());
}

// Splits [0, count) into slices run on a few threads; small jobs stay on the calling thread,
// where thread start-up would cost more than it saves.
template <class F> void parallelRanges(int count, long long workPerItem, F&& work) {
    const long long total = static_cast<long long>(count) * workPerItem;
    int threads = static_cast<int>(std::min(8u, std::max(1u, std::thread::hardware_concurrency())));
    if (total < (1LL << 20))
        threads = 1;
    threads = std::min(threads, count);
    if (threads <= 1) {
        work(0, count);
        return;
    }
    const int slice = (count + threads - 1) / threads;
    std::vector<std::thread> pool;
    int next = slice;
    try {
        pool.reserve(threads);
        for (; next < count; next += slice)
            pool.emplace_back(work, next, std::min(count, next + slice));
    } catch (...) {
        // No thread to spare: the slices not handed out run here.
    }
    work(0, slice);
    for (int begin = next; begin < count; begin += slice)
        work(begin, std::min(count, begin + slice));
    for (auto& th : pool)
        th.join();
}

// Runs a per-pixel kernel over a buffer in slices on a few threads; the slices never share a
// pixel. Starting a thread costs tens of microseconds, so each slice is at least half a million
// pixels and small buffers stay on the calling thread.
template <class F> void parallelPixels(std::uint32_t* pixels, std::size_t count, F&& kernel) {
    const std::size_t slices = std::clamp<std::size_t>(count >> 19, 1, 8);
    const std::size_t slice = (count + slices - 1) / slices;
    parallelRanges(
        static_cast<int>(slices), static_cast<long long>(slice), [&](int begin, int end) {
            const std::size_t from = static_cast<std::size_t>(begin) * slice;
            const std::size_t to = std::min(count, static_cast<std::size_t>(end) * slice);
            if (from < to)
                kernel(pixels + from, to - from);
        });
}

KORIMO_VECTOR_CLONES
void greyPixels(std::uint32_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t v = p[i];
        const std::uint32_t r = (v >> 16) & 0xFFu, g = (v >> 8) & 0xFFu, b = v & 0xFFu;
        const std::uint32_t y = (r * 77u + g * 150u + b * 29u + 128u) >> 8;
        p[i] = (v & 0xFF000000u) | (y * 0x010101u);
    }
}

KORIMO_VECTOR_CLONES
void scalePixels(std::uint32_t* p, std::size_t n, std::uint32_t factor) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t v = p[i];
        std::uint32_t r = (((v >> 16) & 0xFFu) * factor + 128u) >> 8;
        std::uint32_t g = (((v >> 8) & 0xFFu) * factor + 128u) >> 8;
        std::uint32_t b = ((v & 0xFFu) * factor + 128u) >> 8;
        r = r > 255u ? 255u : r;
        g = g > 255u ? 255u : g;
        b = b > 255u ? 255u : b;
        p[i] = (v & 0xFF000000u) | (r << 16) | (g << 8) | b;
    }
}

KORIMO_VECTOR_CLONES
void contrastPixels(std::uint32_t* p, std::size_t n, std::int32_t factor) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t v = p[i];
        std::int32_t r =
            ((static_cast<std::int32_t>((v >> 16) & 0xFFu) - 128) * factor + 32896) >> 8;
        std::int32_t g =
            ((static_cast<std::int32_t>((v >> 8) & 0xFFu) - 128) * factor + 32896) >> 8;
        std::int32_t b = ((static_cast<std::int32_t>(v & 0xFFu) - 128) * factor + 32896) >> 8;
        r = r < 0 ? 0 : (r > 255 ? 255 : r);
        g = g < 0 ? 0 : (g > 255 ? 255 : g);
        b = b < 0 ? 0 : (b > 255 ? 255 : b);
        p[i] = (v & 0xFF000000u) | (static_cast<std::uint32_t>(r) << 16) |
               (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
    }
}

void rotateRectScalar(const Image& src, Image& dst, bool clockwise, int x0, int x1, int y0,
                      int y1) {
    const int h = src.height(), w = src.width();
    for (int y = y0; y < y1; ++y) {
        const std::uint32_t* s = src.row(y);
        for (int x = x0; x < x1; ++x) {
            if (clockwise)
                dst.row(x)[h - 1 - y] = s[x];
            else
                dst.row(w - 1 - x)[y] = s[x];
        }
    }
}

#if defined(KORIMO_X86_VARIANTS)
// Quarter turn of the rows [y0, y1) in 8 x 8 tiles. Feeding a tile's rows bottom-up makes the
// transpose come out already reversed, which is what a clockwise turn needs.
__attribute__((target("avx2"))) void rotateBandAvx2(const Image& src, Image& dst, bool clockwise,
                                                    int y0, int y1) {
    const int w = src.width(), h = src.height();
    constexpr int kBlock = 64;
    for (int by = y0; by < y1; by += kBlock) {
        const int ey = std::min(by + kBlock, y1);
        for (int bx = 0; bx < w; bx += kBlock) {
            const int ex = std::min(bx + kBlock, w);
            int y = by;
            for (; y + 8 <= ey; y += 8) {
                const std::uint32_t* rows[8];
                for (int i = 0; i < 8; ++i)
                    rows[i] = src.row(clockwise ? y + 7 - i : y + i);
                int x = bx;
                for (; x + 8 <= ex; x += 8) {
                    __m256i r[8];
                    for (int i = 0; i < 8; ++i)
                        r[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[i] + x));
                    const __m256i t0 = _mm256_unpacklo_epi32(r[0], r[1]);
                    const __m256i t1 = _mm256_unpackhi_epi32(r[0], r[1]);
                    const __m256i t2 = _mm256_unpacklo_epi32(r[2], r[3]);
                    const __m256i t3 = _mm256_unpackhi_epi32(r[2], r[3]);
                    const __m256i t4 = _mm256_unpacklo_epi32(r[4], r[5]);
                    const __m256i t5 = _mm256_unpackhi_epi32(r[4], r[5]);
                    const __m256i t6 = _mm256_unpacklo_epi32(r[6], r[7]);
                    const __m256i t7 = _mm256_unpackhi_epi32(r[6], r[7]);
                    const __m256i u0 = _mm256_unpacklo_epi64(t0, t2);
                    const __m256i u1 = _mm256_unpackhi_epi64(t0, t2);
                    const __m256i u2 = _mm256_unpacklo_epi64(t1, t3);
                    const __m256i u3 = _mm256_unpackhi_epi64(t1, t3);
                    const __m256i u4 = _mm256_unpacklo_epi64(t4, t6);
                    const __m256i u5 = _mm256_unpackhi_epi64(t4, t6);
                    const __m256i u6 = _mm256_unpacklo_epi64(t5, t7);
                    const __m256i u7 = _mm256_unpackhi_epi64(t5, t7);
                    const __m256i c[8] = {_mm256_permute2x128_si256(u0, u4, 0x20),
                                          _mm256_permute2x128_si256(u1, u5, 0x20),
                                          _mm256_permute2x128_si256(u2, u6, 0x20),
                                          _mm256_permute2x128_si256(u3, u7, 0x20),
                                          _mm256_permute2x128_si256(u0, u4, 0x31),
                                          _mm256_permute2x128_si256(u1, u5, 0x31),
                                          _mm256_permute2x128_si256(u2, u6, 0x31),
                                          _mm256_permute2x128_si256(u3, u7, 0x31)};
                    for (int j = 0; j < 8; ++j) {
                        std::uint32_t* out =
                            clockwise ? dst.row(x + j) + (h - 8 - y) : dst.row(w - 1 - x - j) + y;
                        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), c[j]);
                    }
                }
                rotateRectScalar(src, dst, clockwise, x, ex, y, y + 8);
            }
            rotateRectScalar(src, dst, clockwise, bx, ex, y, ey);
        }
    }
}
#endif

void rotateBand(const Image& src, Image& dst, bool clockwise, int y0, int y1) {
    const int w = src.width(), h = src.height();
    constexpr int kBlock = 64;
    for (int by = y0; by < y1; by += kBlock) {
        const int ey = std::min(by + kBlock, y1);
        for (int bx = 0; bx < w; bx += kBlock) {
            const int ex = std::min(bx + kBlock, w);
            int y = by;
#if defined(__SSE2__)
            for (; y + 4 <= ey; y += 4) {
                const std::uint32_t* s0 = src.row(y);
                const std::uint32_t* s1 = src.row(y + 1);
                const std::uint32_t* s2 = src.row(y + 2);
                const std::uint32_t* s3 = src.row(y + 3);
                int x = bx;
                for (; x + 4 <= ex; x += 4) {
                    const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s0 + x));
                    const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s1 + x));
                    const __m128i r2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s2 + x));
                    const __m128i r3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s3 + x));
                    const __m128i t0 = _mm_unpacklo_epi32(r0, r1);
                    const __m128i t1 = _mm_unpacklo_epi32(r2, r3);
                    const __m128i t2 = _mm_unpackhi_epi32(r0, r1);
                    const __m128i t3 = _mm_unpackhi_epi32(r2, r3);
                    __m128i c[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                                    _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3)};
                    for (int j = 0; j < 4; ++j) {
                        if (clockwise)
                            _mm_storeu_si128(
                                reinterpret_cast<__m128i*>(dst.row(x + j) + (h - 4 - y)),
                                _mm_shuffle_epi32(c[j], 0x1B));
                        else
                            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst.row(w - 1 - x - j) + y),
                                             c[j]);
                    }
                }
                rotateRectScalar(src, dst, clockwise, x, ex, y, y + 4);
            }
#endif
            rotateRectScalar(src, dst, clockwise, bx, ex, y, ey);
        }
    }
}

void rotateQuarter(const Image& src, Image& dst, bool clockwise) {
    if (dst.width() != src.height() || dst.height() != src.width())
        throw ImagingError("The rotated image has the wrong size.");
    // Bands of 64 source rows write disjoint columns of the target, so they run in parallel.
    constexpr int kBand = 64;
    static const auto rotateRows = KORIMO_PICK_VARIANT("avx2", rotateBandAvx2, rotateBand);
    const int h = src.height();
    parallelRanges((h + kBand - 1) / kBand, static_cast<long long>(src.width()) * kBand,
                   [&](int b0, int b1) {
                       rotateRows(src, dst, clockwise, b0 * kBand, std::min(h, b1 * kBand));
                   });
}

// Filter taps of one axis: for each target position the first source index, the number of
// taps and their 14-bit fixed-point weights, which add up to exactly 1 << 14.
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<std::int16_t> weights;
    int stride = 0;
};

constexpr int kWeightBits = 14;

double catmullRom(double x) {
    x = std::fabs(x);
    if (x < 1.0)
        return (1.5 * x - 2.5) * x * x + 1.0;
    if (x < 2.0)
        return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    return 0.0;
}

Taps makeTaps(int inSize, int outSize) {
    const double scale = static_cast<double>(inSize) / outSize;
    const double filterScale = std::max(scale, 1.0);
    const double support = 2.0 * filterScale;
    Taps taps;
    // Whole groups of four weights per target position, so vector loops never read the next
    // position's weights.
    taps.stride = (static_cast<int>(std::ceil(support)) * 2 + 2 + 3) & ~3;
    taps.first.resize(outSize);
    taps.count.resize(outSize);
    taps.weights.assign(static_cast<std::size_t>(outSize) * taps.stride, 0);
    std::vector<double> w(taps.stride);
    for (int i = 0; i < outSize; ++i) {
        const double centre = (i + 0.5) * scale;
        int lo = std::max(static_cast<int>(std::floor(centre - support + 0.5)), 0);
        int hi = std::min(static_cast<int>(std::floor(centre + support + 0.5)), inSize);
        hi = std::min(hi, lo + taps.stride);
        double sum = 0.0;
        for (int x = lo; x < hi; ++x) {
            w[x - lo] = catmullRom((x - centre + 0.5) / filterScale);
            sum += w[x - lo];
        }
        // Trim taps that carry nothing, so the inner loops do less.
        while (hi - lo > 1 && w[hi - 1 - lo] == 0.0)
            --hi;
        int skip = 0;
        while (hi - lo - skip > 1 && w[skip] == 0.0)
            ++skip;
        // Each weight is rounded together with the rounding left over from those before it, so
        // they add up to exactly one and a wide shrink's thousands of tiny weights keep their sum.
        std::int16_t* out = &taps.weights[static_cast<std::size_t>(i) * taps.stride];
        const int n = hi - lo - skip;
        double running = 0.0;
        int given = 0;
        for (int k = 0; k < n; ++k) {
            running += sum != 0.0 ? w[skip + k] / sum : 1.0 / n;
            const int upTo = k + 1 == n
                                 ? 1 << kWeightBits
                                 : static_cast<int>(std::lround(running * (1 << kWeightBits)));
            out[k] = static_cast<std::int16_t>(upTo - given);
            given = upTo;
        }
        taps.first[i] = lo + skip;
        taps.count[i] = n;
    }
    return taps;
}

[[maybe_unused]] std::uint32_t clampPixel(const int acc[4]) {
    std::uint32_t out = 0;
    for (int c = 0; c < 4; ++c) {
        int v = (acc[c] + (1 << (kWeightBits - 1))) >> kWeightBits;
        v = v < 0 ? 0 : (v > 255 ? 255 : v);
        out |= static_cast<std::uint32_t>(v) << (8 * c);
    }
    return out;
}

// One target pixel of the horizontal pass, two taps at a time.
inline std::uint32_t horizontalPixel(const std::uint32_t* p, const std::int16_t* w, int n) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i acc = _mm_set1_epi32(1 << (kWeightBits - 1));
    int k = 0;
    for (; k + 1 < n; k += 2) {
        const __m128i a = _mm_cvtsi32_si128(static_cast<int>(p[k]));
        const __m128i b = _mm_cvtsi32_si128(static_cast<int>(p[k + 1]));
        const __m128i ab = _mm_unpacklo_epi8(_mm_unpacklo_epi8(a, b), zero);
        std::int32_t pair;
        std::memcpy(&pair, w + k, sizeof pair);
        acc = _mm_add_epi32(acc, _mm_madd_epi16(ab, _mm_set1_epi32(pair)));
    }
    if (k < n) {
        const __m128i a = _mm_unpacklo_epi8(
            _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(p[k])), zero), zero);
        const __m128i wk = _mm_set1_epi32(static_cast<std::uint16_t>(w[k]));
        acc = _mm_add_epi32(acc, _mm_madd_epi16(a, wk));
    }
    acc = _mm_srai_epi32(acc, kWeightBits);
    acc = _mm_packs_epi32(acc, acc);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(acc, acc)));
#else
    int acc[4] = {0, 0, 0, 0};
    for (int k = 0; k < n; ++k)
        for (int c = 0; c < 4; ++c)
            acc[c] += static_cast<int>((p[k] >> (8 * c)) & 0xFFu) * w[k];
    return clampPixel(acc);
#endif
}

void resampleRowsHorizontal(const Image& src, Image& tmp, const Taps& taps, int y0, int y1) {
    const int outWidth = tmp.width();
    for (int y = y0; y < y1; ++y) {
        const std::uint32_t* s = src.row(y);
        std::uint32_t* d = tmp.row(y);
        for (int x = 0; x < outWidth; ++x)
            d[x] = horizontalPixel(s + taps.first[x],
                                   &taps.weights[static_cast<std::size_t>(x) * taps.stride],
                                   taps.count[x]);
    }
}

#if defined(KORIMO_X86_VARIANTS)
// Four taps per step: one load of four source pixels, spread by a byte shuffle into the
// channel pairs the multiply-add wants. Weights past a pixel's taps are zero.
__attribute__((target("ssse3"))) void
resampleRowsHorizontalSsse3(const Image& src, Image& tmp, const Taps& taps, int y0, int y1) {
    const int outWidth = tmp.width(), srcWidth = src.width();
    const __m128i pairs01 = _mm_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1);
    const __m128i pairs23 =
        _mm_setr_epi8(8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
    for (int y = y0; y < y1; ++y) {
        const std::uint32_t* s = src.row(y);
        std::uint32_t* d = tmp.row(y);
        for (int x = 0; x < outWidth; ++x) {
            const int first = taps.first[x], n = taps.count[x];
            const std::int16_t* w = &taps.weights[static_cast<std::size_t>(x) * taps.stride];
            if (first + ((n + 3) & ~3) > srcWidth) { // the last load would leave the row
                d[x] = horizontalPixel(s + first, w, n);
                continue;
            }
            const std::uint32_t* p = s + first;
            __m128i acc = _mm_set1_epi32(1 << (kWeightBits - 1));
            for (int k = 0; k < n; k += 4) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
                std::int32_t w01, w23;
                std::memcpy(&w01, w + k, sizeof w01);
                std::memcpy(&w23, w + k + 2, sizeof w23);
                acc = _mm_add_epi32(
                    acc, _mm_madd_epi16(_mm_shuffle_epi8(v, pairs01), _mm_set1_epi32(w01)));
                acc = _mm_add_epi32(
                    acc, _mm_madd_epi16(_mm_shuffle_epi8(v, pairs23), _mm_set1_epi32(w23)));
            }
            acc = _mm_srai_epi32(acc, kWeightBits);
            acc = _mm_packs_epi32(acc, acc);
            d[x] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(acc, acc)));
        }
    }
}
#endif

void resampleRowsVertical(const Image& tmp, Image& dst, const Taps& taps, int y0, int y1) {
    const std::size_t stride = dst.stride();
    for (int y = y0; y < y1; ++y) {
        const int first = taps.first[y];
        const int n = taps.count[y];
        const std::int16_t* w = &taps.weights[static_cast<std::size_t>(y) * taps.stride];
        std::uint32_t* d = dst.row(y);
#if defined(__SSE2__)
        // Rows are padded to whole groups of four pixels, so the loop runs over the stride.
        const __m128i zero = _mm_setzero_si128();
        const __m128i round = _mm_set1_epi32(1 << (kWeightBits - 1));
        for (std::size_t x = 0; x < stride; x += 4) {
            __m128i acc0 = round, acc1 = round, acc2 = round, acc3 = round;
            int k = 0;
            for (; k + 1 < n; k += 2) {
                const __m128i a =
                    _mm_load_si128(reinterpret_cast<const __m128i*>(tmp.row(first + k) + x));
                const __m128i b =
                    _mm_load_si128(reinterpret_cast<const __m128i*>(tmp.row(first + k + 1) + x));
                const __m128i wk = _mm_set1_epi32(static_cast<int>(
                    static_cast<std::uint16_t>(w[k]) |
                    (static_cast<std::uint32_t>(static_cast<std::uint16_t>(w[k + 1])) << 16)));
                const __m128i lo = _mm_unpacklo_epi8(a, b);
                const __m128i hi = _mm_unpackhi_epi8(a, b);
                acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), wk));
                acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), wk));
                acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), wk));
                acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), wk));
            }
            if (k < n) {
                const __m128i a =
                    _mm_load_si128(reinterpret_cast<const __m128i*>(tmp.row(first + k) + x));
                const __m128i wk = _mm_set1_epi32(static_cast<std::uint16_t>(w[k]));
                const __m128i lo = _mm_unpacklo_epi8(a, zero);
                const __m128i hi = _mm_unpackhi_epi8(a, zero);
                acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(lo, zero), wk));
                acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(lo, zero), wk));
                acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(hi, zero), wk));
                acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(hi, zero), wk));
            }
            const __m128i p01 = _mm_packs_epi32(_mm_srai_epi32(acc0, kWeightBits),
                                                _mm_srai_epi32(acc1, kWeightBits));
            const __m128i p23 = _mm_packs_epi32(_mm_srai_epi32(acc2, kWeightBits),
                                                _mm_srai_epi32(acc3, kWeightBits));
            _mm_store_si128(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(p01, p23));
        }
#else
        for (std::size_t x = 0; x < stride; ++x) {
            int acc[4] = {0, 0, 0, 0};
            for (int k = 0; k < n; ++k) {
                const std::uint32_t v = tmp.row(first + k)[x];
                for (int c = 0; c < 4; ++c)
                    acc[c] += static_cast<int>((v >> (8 * c)) & 0xFFu) * w[k];
            }
            d[x] = clampPixel(acc);
        }
#endif
    }
}

} // namespace

void flipVertical(Image& image) {
    const std::size_t n = image.stride();
    for (int top = 0, bottom = image.height() - 1; top < bottom; ++top, --bottom) {
        std::uint32_t* a = image.row(top);
        std::uint32_t* b = image.row(bottom);
#if defined(__SSE2__)
        for (std::size_t i = 0; i < n; i += 4) {
            const __m128i va = _mm_load_si128(reinterpret_cast<const __m128i*>(a + i));
            const __m128i vb = _mm_load_si128(reinterpret_cast<const __m128i*>(b + i));
            _mm_store_si128(reinterpret_cast<__m128i*>(a + i), vb);
            _mm_store_si128(reinterpret_cast<__m128i*>(b + i), va);
        }
#else
        std::swap_ranges(a, a + n, b);
#endif
    }
}

void flipHorizontal(Image& image) {
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        std::uint32_t* p = image.row(y);
        int i = 0, j = w - 4;
#if defined(__SSE2__)
        for (; i + 4 <= j; i += 4, j -= 4) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_shuffle_epi32(b, 0x1B));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + j), _mm_shuffle_epi32(a, 0x1B));
        }
#endif
        std::reverse(p + i, p + j + 4);
    }
}

void rotate180(Image& image) {
    flipVertical(image);
    flipHorizontal(image);
}

void grayscale(Image& image) {
    if (!image.isNull())
        parallelPixels(image.bits(), bufferPixels(image),
                       [](std::uint32_t* p, std::size_t n) { greyPixels(p, n); });
}

void adjustBrightness(Image& image, int percent) {
    if (image.isNull())
        return;
    // Past 25500 % every lit channel is already white.
    const long long clamped = std::clamp<long long>(percent, 0, 25500);
    const auto factor = static_cast<std::uint32_t>((clamped * 256 + 50) / 100);
    parallelPixels(image.bits(), bufferPixels(image),
                   [factor](std::uint32_t* p, std::size_t n) { scalePixels(p, n, factor); });
}

void adjustContrast(Image& image, int permille) {
    if (image.isNull())
        return;
    const long long clamped = std::clamp<long long>(permille, 0, 255000);
    const auto factor = static_cast<std::int32_t>((clamped * 256 + 500) / 1000);
    parallelPixels(image.bits(), bufferPixels(image),
                   [factor](std::uint32_t* p, std::size_t n) { contrastPixels(p, n, factor); });
}

void rotateClockwise(const Image& src, Image& dst) {
    rotateQuarter(src, dst, true);
}

Image rotateQuarterTurns(const Image& src, int quarterTurnsClockwise) {
    const int turns = ((quarterTurnsClockwise % 4) + 4) % 4;
    if (turns == 0 || turns == 2) {
        Image out(src);
        if (turns == 2)
            rotate180(out);
        return out;
    }
    Image out(src.height(), src.width());
    rotateQuarter(src, out, turns == 1);
    return out;
}

Image resizeNearest(const Image& src, int width, int height) {
    if (src.isNull())
        throw ImagingError("There is no image to resize.");
    Image dst(width, height);
    std::vector<int> xs(width);
    const long long sw = src.width(), sh = src.height();
    for (int x = 0; x < width; ++x)
        xs[x] = static_cast<int>(std::min(sw - 1, (2LL * x + 1) * sw / (2LL * width)));
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(std::min(sh - 1, (2LL * y + 1) * sh / (2LL * height)));
        const std::uint32_t* s = src.row(sy);
        std::uint32_t* d = dst.row(y);
        for (int x = 0; x < width; ++x)
            d[x] = s[xs[x]];
    }
    return dst;
}

void resizeResampledInto(const Image& src, Image& dst) {
    if (src.isNull() || dst.isNull())
        throw ImagingError("There is no image to resize.");
    const Taps horizontal = makeTaps(src.width(), dst.width());
    const Taps vertical = makeTaps(src.height(), dst.height());
    static const auto horizontalRows =
        KORIMO_PICK_VARIANT("ssse3", resampleRowsHorizontalSsse3, resampleRowsHorizontal);
    const auto acrossRows = [&](const Image& from, Image& to) {
        parallelRanges(to.height(), static_cast<long long>(to.width()) * horizontal.stride,
                       [&](int y0, int y1) { horizontalRows(from, to, horizontal, y0, y1); });
    };
    const auto downColumns = [&](const Image& from, Image& to) {
        parallelRanges(to.height(), static_cast<long long>(to.width()) * vertical.stride,
                       [&](int y0, int y1) { resampleRowsVertical(from, to, vertical, y0, y1); });
    };
    // The picture between the passes is the smaller of the two orders allow, so turning a tall
    // image into a wide one never needs one of the first's height and the second's width.
    if (static_cast<long long>(dst.width()) * src.height() <=
        static_cast<long long>(src.width()) * dst.height()) {
        Image tmp(dst.width(), src.height());
        acrossRows(src, tmp);
        downColumns(tmp, dst);
    } else {
        Image tmp(src.width(), dst.height());
        downColumns(src, tmp);
        acrossRows(tmp, dst);
    }
}

Image resizeResampled(const Image& src, int width, int height) {
    Image dst(width, height);
    resizeResampledInto(src, dst);
    return dst;
}

} // namespace korimo
