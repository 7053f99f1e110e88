// Each kernel and writer beside the floor it should approach: memcpy of the same buffer for the
// kernels, writing the same byte count (and the writer's own file from memory) for BMP and TGA,
// libjpeg-turbo's own compress for JPEG and libvips for the resampled resize. Sizes: 1920 x 1080
// (fits L2/L3) and 3840 x 2160 (RAM).
#include "imaging/image.h"
#include "imaging/kernels.h"
#include "imaging/writers.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <turbojpeg.h>
#include <vector>
#include <vips/vips.h>

// After libvips: Qt's keyword macros would break its GLib headers.
#include "imaging/savefile.h"

namespace {

using namespace korimo;

Image frame(int w, int h) {
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(
                x, y, argb(255, (x * 255) / w, (y * 255) / h, ((x ^ y) * 7 + (x * y) / 97) & 0xFF));
    return image;
}

const Image& cachedFrame(int w, int h) {
    static Image hd = frame(1920, 1080);
    static Image uhd = frame(3840, 2160);
    return w == 1920 && h == 1080 ? hd : uhd;
}

// The frame of the size in a benchmark's first two arguments.
const Image& sourceFrame(const benchmark::State& state) {
    return cachedFrame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
}

std::size_t bufferBytes(const Image& image) {
    return image.strideBytes() * static_cast<std::size_t>(image.height());
}

void setBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
}

void BM_Memcpy(benchmark::State& state) {
    const Image& src = sourceFrame(state);
    Image dst(src.width(), src.height());
    for (auto _ : state) {
        std::memcpy(dst.bits(), src.bits(), bufferBytes(src));
        benchmark::ClobberMemory();
    }
    setBytes(state, bufferBytes(src));
}
BENCHMARK(BM_Memcpy)->Apply(sizes);

template <void (*Kernel)(Image&)> void inPlace(benchmark::State& state) {
    Image image = sourceFrame(state);
    for (auto _ : state) {
        Kernel(image);
        benchmark::ClobberMemory();
    }
    setBytes(state, bufferBytes(image));
}

void brighter(Image& image) {
    adjustBrightness(image, 120);
}
void steeper(Image& image) {
    adjustContrast(image, 1300);
}

void BM_Flip(benchmark::State& state) {
    inPlace<flipVertical>(state);
}
void BM_Reverse(benchmark::State& state) {
    inPlace<flipHorizontal>(state);
}
void BM_Grayscale(benchmark::State& state) {
    inPlace<grayscale>(state);
}
void BM_Brightness(benchmark::State& state) {
    inPlace<brighter>(state);
}
void BM_Contrast(benchmark::State& state) {
    inPlace<steeper>(state);
}
BENCHMARK(BM_Flip)->Apply(sizes);
BENCHMARK(BM_Reverse)->Apply(sizes);
BENCHMARK(BM_Grayscale)->Apply(sizes);
BENCHMARK(BM_Brightness)->Apply(sizes);
BENCHMARK(BM_Contrast)->Apply(sizes);

void BM_Rotate(benchmark::State& state) {
    const Image& src = sourceFrame(state);
    Image dst(src.height(), src.width());
    for (auto _ : state) {
        rotateClockwise(src, dst);
        benchmark::ClobberMemory();
    }
    setBytes(state, bufferBytes(src));
}
BENCHMARK(BM_Rotate)->Apply(sizes);

// Resize: 1080p up to 4K and 4K down to 720p.
void resizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080, 3840, 2160})
        ->Args({3840, 2160, 1280, 720})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

void BM_ResizeResampled(benchmark::State& state) {
    const Image& src = sourceFrame(state);
    Image dst(static_cast<int>(state.range(2)), static_cast<int>(state.range(3)));
    for (auto _ : state) {
        resizeResampledInto(src, dst);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ResizeResampled)->Apply(resizes);

void BM_ResizeNearest(benchmark::State& state) {
    const Image& src = sourceFrame(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            resizeNearest(src, static_cast<int>(state.range(2)), static_cast<int>(state.range(3))));
}
BENCHMARK(BM_ResizeNearest)->Apply(resizes);

void vipsResize(benchmark::State& state, VipsKernel kernel) {
    const Image& src = sourceFrame(state);
    const double hscale = static_cast<double>(state.range(2)) / src.width();
    const double vscale = static_cast<double>(state.range(3)) / src.height();
    for (auto _ : state) {
        VipsImage* in =
            vips_image_new_from_memory(src.bits(), bufferBytes(src), static_cast<int>(src.stride()),
                                       src.height(), 4, VIPS_FORMAT_UCHAR);
        VipsImage* out = nullptr;
        if (!in || vips_resize(in, &out, hscale, "vscale", vscale, "kernel", kernel, nullptr)) {
            state.SkipWithError(vips_error_buffer());
            break;
        }
        std::size_t size = 0;
        void* pixels = vips_image_write_to_memory(out, &size);
        benchmark::DoNotOptimize(pixels);
        g_free(pixels);
        g_object_unref(out);
        g_object_unref(in);
    }
}
void BM_VipsResizeLanczos3(benchmark::State& state) {
    vipsResize(state, VIPS_KERNEL_LANCZOS3);
}
void BM_VipsResizeCubic(benchmark::State& state) {
    vipsResize(state, VIPS_KERNEL_CUBIC);
}
BENCHMARK(BM_VipsResizeLanczos3)->Apply(resizes);
BENCHMARK(BM_VipsResizeCubic)->Apply(resizes);

// Writers go to a real file in the page cache, the way a save does. Each pass writes a new
// file, as a save does through its temporary file: re-opening the old one would truncate it,
// and truncating waits for its pages to reach the disk, which would time the disk, not us.
struct FileSink {
    std::FILE* f;
    void operator()(const void* data, std::size_t size) const { std::fwrite(data, 1, size, f); }
};

template <class Write> void eachFreshFile(benchmark::State& state, Write&& write) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "korimo-bench-writer.out").string();
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(path.c_str());
        state.ResumeTiming();
        FileSink sink{std::fopen(path.c_str(), "wb")};
        if (!sink.f) {
            state.SkipWithError("cannot create the scratch file");
            break;
        }
        write(sink);
        std::fclose(sink.f);
    }
    std::remove(path.c_str());
}

std::size_t encodedSize(void (*writer)(const Image&, const ByteSink&), const Image& image) {
    std::size_t total = 0;
    writer(image, [&](const void*, std::size_t n) { total += n; });
    return total;
}

template <void (*Writer)(const Image&, const ByteSink&)>
void writerToFile(benchmark::State& state) {
    const Image& src = sourceFrame(state);
    eachFreshFile(state, [&](const FileSink& sink) { Writer(src, sink); });
    setBytes(state, encodedSize(Writer, src));
}

// Yardsticks hand their bytes over in 1 MiB pieces, as the BMP writer hands over its batches.
constexpr std::size_t kPiece = std::size_t{1} << 20;
template <class Piece> void inPieces(std::size_t total, Piece&& piece) {
    for (std::size_t at = 0; at < total; at += kPiece)
        piece(at, std::min(kPiece, total - at));
}

// The same byte count written in the same 1 MiB pieces, with nothing to convert: one small
// buffer re-written, so it never leaves the cache.
template <void (*Writer)(const Image&, const ByteSink&)> void sameBytes(benchmark::State& state) {
    const Image& src = sourceFrame(state);
    const std::size_t total = encodedSize(Writer, src);
    const std::vector<char> bytes(kPiece, 'x');
    eachFreshFile(state, [&](const FileSink& sink) {
        inPieces(total, [&](std::size_t, std::size_t n) { sink(bytes.data(), n); });
    });
    setBytes(state, total);
}

// The writer's own file, encoded beforehand and held in memory the way the frame is, written in
// the same 1 MiB pieces: what any writer must pay to read its bytes from memory is in here too.
template <void (*Writer)(const Image&, const ByteSink&)> void ownBytes(benchmark::State& state) {
    std::vector<char> file;
    Writer(sourceFrame(state), [&](const void* d, std::size_t n) {
        file.insert(file.end(), static_cast<const char*>(d), static_cast<const char*>(d) + n);
    });
    eachFreshFile(state, [&](const FileSink& sink) {
        inPieces(file.size(), [&](std::size_t at, std::size_t n) { sink(file.data() + at, n); });
    });
    setBytes(state, file.size());
}

// The conversion alone, into a sink that keeps nothing.
template <void (*Writer)(const Image&, const ByteSink&)> void encodeOnly(benchmark::State& state) {
    const Image& src = sourceFrame(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(encodedSize(Writer, src));
}

void BM_WriteBmp24(benchmark::State& state) {
    writerToFile<writeBmp24>(state);
}
void BM_EncodeBmp24(benchmark::State& state) {
    encodeOnly<writeBmp24>(state);
}
void BM_WriteBmp24SameBytes(benchmark::State& state) {
    sameBytes<writeBmp24>(state);
}
void BM_WriteBmp24OwnBytes(benchmark::State& state) {
    ownBytes<writeBmp24>(state);
}
void BM_WriteTga32(benchmark::State& state) {
    writerToFile<writeTga32>(state);
}
void BM_WriteTga32SameBytes(benchmark::State& state) {
    sameBytes<writeTga32>(state);
}
void BM_WriteTga32OwnBytes(benchmark::State& state) {
    ownBytes<writeTga32>(state);
}
// The whole save over an older file: temporary file, every write checked, sync, rename and the
// folder's sync. Beside BM_WriteBmp24 it shows what putting the file safely on the disk costs.
void BM_SaveBmp24(benchmark::State& state) {
    const Image& src = sourceFrame(state);
    const QString path = QString::fromStdString(
        (std::filesystem::temp_directory_path() / "korimo-bench-save.bmp").string());
    for (auto _ : state)
        saveImageFile(src, path, kFormatBmp, 24, 0);
    std::filesystem::remove(path.toStdString());
    setBytes(state, encodedSize(writeBmp24, src));
}

BENCHMARK(BM_WriteBmp24)->Apply(sizes);
BENCHMARK(BM_SaveBmp24)->Apply(sizes);
BENCHMARK(BM_EncodeBmp24)->Apply(sizes);
BENCHMARK(BM_WriteBmp24SameBytes)->Apply(sizes);
BENCHMARK(BM_WriteBmp24OwnBytes)->Apply(sizes);
BENCHMARK(BM_WriteTga32)->Apply(sizes);
BENCHMARK(BM_WriteTga32SameBytes)->Apply(sizes);
BENCHMARK(BM_WriteTga32OwnBytes)->Apply(sizes);

void BM_WriteJpeg(benchmark::State& state) {
    const Image& src = sourceFrame(state);
    std::vector<char> out;
    out.reserve(64u << 20);
    for (auto _ : state) {
        out.clear();
        writeJpeg(src, 2, [&](const void* d, std::size_t n) {
            out.insert(out.end(), static_cast<const char*>(d), static_cast<const char*>(d) + n);
        });
    }
}
BENCHMARK(BM_WriteJpeg)->Apply(sizes);

// libjpeg-turbo at its best: one handle and one buffer kept across calls, same settings.
void BM_TurboJpegCompress(benchmark::State& state) {
    const Image& src = sourceFrame(state);
    tjhandle handle = tjInitCompress();
    unsigned long capacity = tjBufSize(src.width(), src.height(), TJSAMP_444);
    unsigned char* buffer = tjAlloc(static_cast<int>(capacity));
    for (auto _ : state) {
        unsigned long size = capacity;
        if (tjCompress2(handle, reinterpret_cast<const unsigned char*>(src.bits()), src.width(),
                        static_cast<int>(src.strideBytes()), src.height(), TJPF_BGRA, &buffer,
                        &size, TJSAMP_444, jpegQualityFor(2),
                        TJFLAG_NOREALLOC | TJFLAG_ACCURATEDCT) != 0) {
            state.SkipWithError(tjGetErrorStr2(handle));
            break;
        }
        benchmark::DoNotOptimize(buffer);
    }
    tjFree(buffer);
    tjDestroy(handle);
}
BENCHMARK(BM_TurboJpegCompress)->Apply(sizes);

void BM_WriteGif8(benchmark::State& state) {
    encodeOnly<writeGif8>(state);
}
BENCHMARK(BM_WriteGif8)->Apply(sizes);

} // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]))
        return 1;
    // Repeated identical resizes would otherwise come from libvips's operation cache.
    vips_cache_set_max(0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    vips_shutdown();
    return 0;
}
