#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace korimo {

// A failed imaging operation; the message is a sentence a caller can show as it is.
class ImagingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One picture as 32-bit pixels 0xAARRGGBB (bytes B, G, R, A in memory, the layout of
// QImage::Format_ARGB32 and of a 32-bit DIB) in a buffer the image owns. Rows start on 64-byte
// boundaries and are padded to whole 16-pixel groups, so a kernel may read and write up to the
// end of the stride. Copies are deep.
struct Image {
    // The largest side and pixel count accepted anywhere; larger requests fail before any
    // allocation, whatever a file or the clipboard claims.
    static constexpr int kMaxSide = 32768;
    static constexpr std::size_t kMaxPixels = std::size_t{1} << 28;

    Image() = default;
    // Throws ImagingError for a zero, negative or absurd size and when memory runs out.
    Image(int width, int height);
    Image(const Image& other);
    Image& operator=(const Image& other);
    Image(Image&& other) noexcept;
    Image& operator=(Image&& other) noexcept;
    ~Image() = default;

    bool isNull() const { return m_pixels == nullptr; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // Pixels from the start of one row to the start of the next.
    std::size_t stride() const { return m_stride; }
    std::size_t strideBytes() const { return m_stride * sizeof(std::uint32_t); }

    std::uint32_t* row(int y) { return m_pixels.get() + static_cast<std::size_t>(y) * m_stride; }
    const std::uint32_t* row(int y) const {
        return m_pixels.get() + static_cast<std::size_t>(y) * m_stride;
    }
    std::uint32_t* bits() { return m_pixels.get(); }
    const std::uint32_t* bits() const { return m_pixels.get(); }
    std::uint32_t pixel(int x, int y) const { return row(y)[x]; }
    void setPixel(int x, int y, std::uint32_t argb) { row(y)[x] = argb; }

    void fill(std::uint32_t argb);
    bool samePixels(const Image& other) const;

    // Whether a width x height image may be made at all (checked before any allocation).
    static bool sizeAllowed(long long width, long long height);

private:
    struct FreeDeleter {
        void operator()(std::uint32_t* p) const noexcept;
    };
    std::unique_ptr<std::uint32_t[], FreeDeleter> m_pixels;
    int m_width = 0;
    int m_height = 0;
    std::size_t m_stride = 0;
};

inline constexpr std::uint32_t argb(unsigned a, unsigned r, unsigned g, unsigned b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

} // namespace korimo
