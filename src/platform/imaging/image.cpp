#include "imaging/image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace korimo {

namespace {
constexpr std::size_t kRowAlignPixels = 16;
constexpr std::size_t kAlignBytes = 64;
} // namespace

void Image::FreeDeleter::operator()(std::uint32_t* p) const noexcept {
    std::free(p);
}

bool Image::sizeAllowed(long long width, long long height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) <=
               kMaxPixels;
}

Image::Image(int width, int height) {
    if (!sizeAllowed(width, height))
        throw ImagingError("An image of " + std::to_string(width) + " x " + std::to_string(height) +
                           " pixels cannot be made.");
    const std::size_t stride =
        (static_cast<std::size_t>(width) + kRowAlignPixels - 1) / kRowAlignPixels * kRowAlignPixels;
    const std::size_t bytes = stride * static_cast<std::size_t>(height) * sizeof(std::uint32_t);
    auto* p = static_cast<std::uint32_t*>(std::aligned_alloc(kAlignBytes, bytes));
    if (!p)
        throw ImagingError("Not enough memory for an image of " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels.");
    m_pixels.reset(p);
    m_width = width;
    m_height = height;
    m_stride = stride;
    // Kernels run over whole strides; keep the padding defined so results never depend on it.
    if (stride != static_cast<std::size_t>(width))
        for (int y = 0; y < height; ++y)
            std::fill(row(y) + width, row(y) + stride, 0u);
}

Image::Image(const Image& other) {
    if (other.isNull())
        return;
    Image copy(other.m_width, other.m_height);
    std::memcpy(copy.bits(), other.bits(), other.strideBytes() * other.m_height);
    *this = std::move(copy);
}

Image& Image::operator=(const Image& other) {
    if (this != &other) {
        Image copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Image::Image(Image&& other) noexcept
    : m_pixels(std::move(other.m_pixels)), m_width(std::exchange(other.m_width, 0)),
      m_height(std::exchange(other.m_height, 0)), m_stride(std::exchange(other.m_stride, 0)) {}

Image& Image::operator=(Image&& other) noexcept {
    m_pixels = std::move(other.m_pixels);
    m_width = std::exchange(other.m_width, 0);
    m_height = std::exchange(other.m_height, 0);
    m_stride = std::exchange(other.m_stride, 0);
    return *this;
}

void Image::fill(std::uint32_t argbValue) {
    for (int y = 0; y < m_height; ++y)
        std::fill_n(row(y), m_stride, argbValue);
}

bool Image::samePixels(const Image& other) const {
    if (m_width != other.m_width || m_height != other.m_height)
        return false;
    for (int y = 0; y < m_height; ++y)
        if (std::memcmp(row(y), other.row(y), m_width * sizeof(std::uint32_t)) != 0)
            return false;
    return true;
}

} // namespace korimo
