#include "clipboard/clipboard.h"

#include "clipboard/dib.h"
#include "imaging/imgctl.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QStringList>
#include <memory>

namespace korimo::clipboard {

namespace {

const QString kBmp = QStringLiteral("image/bmp");
const QString kPng = QStringLiteral("image/png");
const QStringList kBmpFlavours = {kBmp, QStringLiteral("image/x-bmp"),
                                  QStringLiteral("image/x-MS-bmp")};

// The PNG is encoded only when some program asks for it; most captures are pasted back as BMP.
class FrameMimeData : public QMimeData {
public:
    FrameMimeData(QByteArray bmp, std::shared_ptr<const Image> image)
        : m_bmp(std::move(bmp)), m_image(std::move(image)) {}

    QStringList formats() const override { return {kBmp, kPng}; }
    bool hasFormat(const QString& mimeType) const override {
        return mimeType == kBmp || mimeType == kPng;
    }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType) const override {
        if (mimeType == kBmp)
            return m_bmp;
        if (mimeType != kPng)
            return {};
        if (m_png.isEmpty()) {
            try {
                QBuffer buffer(&m_png);
                buffer.open(QIODevice::WriteOnly);
                // A middle compression level: a 1080p frame encodes in a fraction of a second.
                if (!toQImage(*m_image).save(&buffer, "PNG", 50))
                    m_png.clear();
            } catch (...) {
                m_png.clear();
            }
        }
        return m_png;
    }

private:
    QByteArray m_bmp;
    std::shared_ptr<const Image> m_image;
    mutable QByteArray m_png;
};

QClipboard* systemClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

// The offered names that are one of flavours, spelt as offered: names compare without regard to
// case, but the clipboard hands data over only under the exact name.
QStringList offeredAs(const QStringList& offered, const QStringList& flavours) {
    QStringList names;
    for (const QString& name : offered)
        if (flavours.contains(name, Qt::CaseInsensitive))
            names << name;
    return names;
}

std::optional<Image> fromBytes(const QByteArray& bytes) {
    return dib::readBmpFile(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                            static_cast<std::size_t>(bytes.size()));
}

std::optional<Image> fromQt(const QImage& image) {
    if (image.isNull())
        return std::nullopt;
    try {
        return fromQImage(image);
    } catch (const ImagingError&) {
        return std::nullopt;
    }
}

} // namespace

bool putFrame(const QByteArray& packedDib) {
    QClipboard* board = systemClipboard();
    if (!board)
        return false;
    const auto* data = reinterpret_cast<const std::uint8_t*>(packedDib.constData());
    const auto size = static_cast<std::size_t>(packedDib.size());
    std::optional<Image> image = dib::readPackedDib(data, size);
    if (!image)
        return false;
    const std::vector<std::uint8_t> file = dib::bmpFileFromPackedDib(data, size);
    if (file.empty())
        return false;
    QByteArray bmp(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    board->setMimeData(
        new FrameMimeData(std::move(bmp), std::make_shared<const Image>(std::move(*image))));
    return true;
}

std::optional<Image> readImage() {
    QClipboard* board = systemClipboard();
    const QMimeData* mime = board ? board->mimeData() : nullptr;
    if (!mime)
        return std::nullopt;
    const QStringList offered = mime->formats();
    const QStringList bmpNames = offeredAs(offered, kBmpFlavours);
    for (const QString& name : bmpNames)
        if (auto image = fromBytes(mime->data(name)))
            return image;
    for (const QString& name : offeredAs(offered, {kPng}))
        if (auto image = fromQt(QImage::fromData(mime->data(name), "PNG")))
            return image;
    // A BMP our reader refused is not handed to another reader behind its back.
    if (bmpNames.isEmpty() && mime->hasImage())
        return fromQt(qvariant_cast<QImage>(mime->imageData()));
    return std::nullopt;
}

bool holdsImage() {
    return readImage().has_value();
}

} // namespace korimo::clipboard
