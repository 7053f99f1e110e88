// Feeds arbitrary bytes to the clipboard's DIB and BMP readers. Besides memory safety it checks
// that a packed DIB and the BMP file wrapping it read as the same picture.
#include "clipboard/dib.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korimo;
    const auto packed = dib::readPackedDib(data, size);
    const auto file = dib::readBmpFile(data, size);
    if (file && (file->width() <= 0 || file->height() <= 0))
        std::abort();
    const auto wrapped = dib::bmpFileFromPackedDib(data, size);
    if (!wrapped.empty()) {
        const auto again = dib::readBmpFile(wrapped.data(), wrapped.size());
        // The wrapper is only made for a DIB whose header and sizes passed; the palette check
        // of the pixels is the one reason the two readers may still refuse it.
        if (packed.has_value() != again.has_value())
            std::abort();
        if (packed && !packed->samePixels(*again))
            std::abort();
    }
    return 0;
}
