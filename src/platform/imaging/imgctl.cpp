#include "imaging/imgctl.h"

#include "clipboard/clipboard.h"
#include "imaging/kernels.h"
#include "imaging/savefile.h"

#include <QPainter>
#include <cstring>
#include <new>

namespace korimo {

QImage toQImage(const Image& image) {
    if (image.isNull())
        return {};
    QImage out(image.width(), image.height(), QImage::Format_ARGB32);
    if (out.isNull())
        throw ImagingError("Not enough memory to show the image.");
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(out.scanLine(y), image.row(y), static_cast<std::size_t>(image.width()) * 4);
    return out;
}

Image fromQImage(const QImage& image) {
    if (image.isNull())
        throw ImagingError("There is no image.");
    if (!Image::sizeAllowed(image.width(), image.height()))
        throw ImagingError("The image is too large.");
    const QImage argb = image.format() == QImage::Format_ARGB32
                            ? image
                            : image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull())
        throw ImagingError("Not enough memory to convert the image.");
    Image out(argb.width(), argb.height());
    for (int y = 0; y < out.height(); ++y)
        std::memcpy(out.row(y), argb.constScanLine(y), static_cast<std::size_t>(out.width()) * 4);
    return out;
}

ImgCtl::ImgCtl(QWidget* parent) : QWidget(parent) {}

void ImgCtl::setBitmap(std::shared_ptr<const Image> image) {
    if (!image || image->isNull()) {
        m_image.reset();
    } else {
        try {
            m_image = std::make_shared<Image>(*image);
        } catch (const std::bad_alloc&) {
            throw ImagingError("Not enough memory to copy the image.");
        }
    }
    update();
}

int ImgCtl::ImageWidth() const {
    return m_image ? m_image->width() : 0;
}

int ImgCtl::ImageHeight() const {
    return m_image ? m_image->height() : 0;
}

const Image& ImgCtl::current() const {
    if (!m_image)
        throw ImagingError("There is no image.");
    return *m_image;
}

Image& ImgCtl::editable() {
    const Image& held = current();
    if (m_image.use_count() > 1) {
        try {
            m_image = std::make_shared<Image>(held);
        } catch (const std::bad_alloc&) {
            throw ImagingError("Not enough memory to edit the image.");
        }
    }
    return *m_image;
}

void ImgCtl::replace(Image&& image) {
    try {
        m_image = std::make_shared<Image>(std::move(image));
    } catch (const std::bad_alloc&) {
        throw ImagingError("Not enough memory for the image.");
    }
    update();
}

bool ImgCtl::Paste(int flags) {
    if (flags & kPasteTestOnly)
        return clipboard::holdsImage();
    std::optional<Image> pasted = clipboard::readImage();
    if (!pasted)
        throw ImagingError("The clipboard holds no image that can be pasted.");
    replace(std::move(*pasted));
    return true;
}

QImage ImgCtl::ImagePicture() const {
    return m_image ? toQImage(*m_image) : QImage();
}

void ImgCtl::Repaint() {
    update();
}

void ImgCtl::Flip() {
    flipVertical(editable());
    update();
}

void ImgCtl::Reverse() {
    flipHorizontal(editable());
    update();
}

void ImgCtl::Rotate(int angle, bool resize, std::uint32_t fillColour) {
    const Image& held = current();
    if (angle % 9000 != 0)
        throw ImagingError("The image can only be turned by quarter turns.");
    const int turns = angle / 9000;
    Image turned = rotateQuarterTurns(held, turns);
    if (!resize && (turned.width() != held.width() || turned.height() != held.height())) {
        Image canvas(held.width(), held.height());
        const std::uint32_t fill = 0xFF000000u | ((fillColour & 0xFFu) << 16) |
                                   (fillColour & 0xFF00u) | ((fillColour >> 16) & 0xFFu);
        canvas.fill(fill);
        const int dx = (canvas.width() - turned.width()) / 2;
        const int dy = (canvas.height() - turned.height()) / 2;
        for (int y = std::max(0, dy); y < std::min(canvas.height(), dy + turned.height()); ++y) {
            const int x0 = std::max(0, dx);
            const int x1 = std::min(canvas.width(), dx + turned.width());
            std::memcpy(canvas.row(y) + x0, turned.row(y - dy) + (x0 - dx),
                        static_cast<std::size_t>(x1 - x0) * 4);
        }
        turned = std::move(canvas);
    }
    replace(std::move(turned));
}

void ImgCtl::Grayscale() {
    grayscale(editable());
    update();
}

void ImgCtl::Brightness(int amount) {
    adjustBrightness(editable(), amount);
    update();
}

void ImgCtl::Contrast(int amount) {
    adjustContrast(editable(), amount);
    update();
}

void ImgCtl::ResizeImage(int width, int height, int flag) {
    const Image& held = current();
    if (!Image::sizeAllowed(width, height))
        throw ImagingError("The image cannot be resized to " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels.");
    try {
        replace((flag & 1) ? resizeResampled(held, width, height)
                           : resizeNearest(held, width, height));
    } catch (const std::bad_alloc&) {
        throw ImagingError("Not enough memory to resize the image.");
    }
}

void ImgCtl::SaveImage(const QString& file, int formatCode, int bits, int quality,
                       const NextName& next) {
    saveImageFile(current(), file, formatCode, bits, quality, next);
}

void ImgCtl::paintEvent(QPaintEvent*) {
    if (!m_image)
        return;
    QPainter painter(this);
    try {
        painter.drawImage(0, 0, toQImage(*m_image));
    } catch (...) {
        // Painting is best effort; the control is normally hidden.
    }
}

} // namespace korimo
