#pragma once

#include <QImage>
#include <QMetaType>
#include <QSize>

namespace korimo {

// A picture object as the controls hold it: none at all (default-constructed), an empty picture
// object without an image, a bitmap, or an icon. Bitmaps are opaque; icons keep their alpha.
class Picture {
public:
    enum Type { None = 0, Bitmap = 1, Icon = 3 };

    Picture() = default;
    static Picture fromBitmap(const QImage& image);
    static Picture fromIcon(const QImage& image);
    // A picture object that holds no image: it counts as set but draws nothing.
    static Picture empty();

    bool isNone() const { return m_kind == Kind::Nothing; }
    bool hasImage() const { return m_kind == Kind::Bitmap || m_kind == Kind::Icon; }
    // 1 bitmap, 3 icon, 0 for an empty picture or none.
    int type() const;
    QSize size() const { return hasImage() ? m_image.size() : QSize(0, 0); }
    const QImage& image() const { return m_image; }

    bool operator==(const Picture& other) const;

private:
    enum class Kind { Nothing, Empty, Bitmap, Icon };
    // A null image gives an empty picture object rather than none.
    static Picture withImage(Kind kind, const QImage& image, QImage::Format format);
    Kind m_kind = Kind::Nothing;
    QImage m_image;
};

} // namespace korimo

Q_DECLARE_METATYPE(korimo::Picture)
