#include "controls/picture.h"

namespace korimo {

Picture Picture::withImage(Kind kind, const QImage& image, QImage::Format format) {
    Picture p;
    p.m_kind = image.isNull() ? Kind::Empty : kind;
    p.m_image = image.convertToFormat(format);
    return p;
}

Picture Picture::fromBitmap(const QImage& image) {
    return withImage(Kind::Bitmap, image, QImage::Format_RGB32);
}

Picture Picture::fromIcon(const QImage& image) {
    return withImage(Kind::Icon, image, QImage::Format_ARGB32);
}

Picture Picture::empty() {
    Picture p;
    p.m_kind = Kind::Empty;
    return p;
}

int Picture::type() const {
    switch (m_kind) {
    case Kind::Bitmap:
        return Bitmap;
    case Kind::Icon:
        return Icon;
    default:
        return None;
    }
}

bool Picture::operator==(const Picture& other) const {
    return m_kind == other.m_kind && m_image == other.m_image;
}

} // namespace korimo
