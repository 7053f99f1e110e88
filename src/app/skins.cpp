#include "app/skins.h"

#include "widgets/elastic.h"

#include <QLinearGradient>
#include <QPainter>
#include <cmath>

namespace korimo {

namespace {

const QColor kGold(226, 199, 90);

// The skin pixel column (or row) in which a design edge, in twips, falls once the picture is
// stretched over the window.
int skinPixel(int twips, int designTwips, int skinPixels) {
    return static_cast<int>(std::floor(static_cast<double>(twips) * skinPixels / designTwips));
}

} // namespace

QImage mainSkin() {
    QImage img = Elastic::shadedSkin(
        kMainSkinSize,
        {{0.0, QColor(70, 72, 86)}, {0.6, QColor(34, 35, 44)}, {1.0, QColor(18, 18, 24)}});
    QPainter p(&img);
    QLinearGradient band(0, 0, 0, 24);
    band.setColorAt(0.0, QColor(200, 198, 188));
    band.setColorAt(1.0, QColor(150, 148, 140));
    p.fillRect(QRect(0, 0, img.width(), 22), band);
    p.setPen(QColor(96, 24, 24));
    p.drawLine(0, 22, img.width(), 22);

    // Two pixels of gold on each side: the skin pixel that holds the video's edge, partly under
    // the video, and the one outside it, so at least one whole pixel of gold shows at any size.
    const QRect v = kMainVideoTwips;
    const QPoint first(skinPixel(v.left(), kMainDesignTwips.width(), img.width()),
                       skinPixel(v.top(), kMainDesignTwips.height(), img.height()));
    const QPoint last(skinPixel(v.left() + v.width(), kMainDesignTwips.width(), img.width()),
                      skinPixel(v.top() + v.height(), kMainDesignTwips.height(), img.height()));
    const QRect outer(first - QPoint(1, 1), last + QPoint(1, 1));
    p.fillRect(QRect(outer.left(), outer.top(), outer.width(), 2), kGold);
    p.fillRect(QRect(outer.left(), outer.bottom() - 1, outer.width(), 2), kGold);
    p.fillRect(QRect(outer.left(), outer.top(), 2, outer.height()), kGold);
    p.fillRect(QRect(outer.right() - 1, outer.top(), 2, outer.height()), kGold);
    return img;
}

QImage optionsPageSkin(QSize size) {
    QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient body(0, kOptionsHeadingBand, 0, img.height());
    body.setColorAt(0.0, QColor(238, 243, 250));
    body.setColorAt(1.0, QColor(204, 219, 240));
    p.fillRect(img.rect(), body);
    QLinearGradient band(0, 0, 0, kOptionsHeadingBand);
    band.setColorAt(0.0, QColor(36, 70, 124));
    band.setColorAt(1.0, QColor(18, 42, 84));
    p.fillRect(QRect(0, 0, img.width(), kOptionsHeadingBand), band);
    p.setPen(kGold);
    p.drawLine(0, kOptionsHeadingBand, img.width(), kOptionsHeadingBand);
    p.setPen(QColor(150, 172, 206));
    p.drawRect(QRect(0, 0, img.width() - 1, img.height() - 1));
    return img;
}

} // namespace korimo
