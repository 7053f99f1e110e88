#include "controls/picture.h"

namespace korimo {

Picture Picture::fromBitmap(const QImage& image) {
    Picture p;
    if (image.isNull()) {
        p.m_kind = Kind::Empty;
        return p;
    }
    p.m_kind = Kind::Bitmap;
    p.m_image = image.convertToFormat(QImage::Format_RGB32);
    return p;
}

Picture Picture::fromIcon(const QImage& image) {
    Picture p;
    if (image.isNull()) {
        p.m_kind = Kind::Empty;
        return p;
    }
    p.m_kind = Kind::Icon;
    p.m_image = image.convertToFormat(QImage::Format_ARGB32);
    return p;
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
