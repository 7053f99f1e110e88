#include "draw/gdi.h"

#include "draw/olecolor.h"

#include <QFontMetrics>
#include <QPainter>
#include <QVector>
#include <algorithm>
#include <cstdlib>

namespace korimo::gdi {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
std::uint32_t highlightColour() {
    return TranslateColor(kSys3DHighlight);
}
std::uint32_t shadowColour() {
    return TranslateColor(kSysButtonShadow);
}

bool inside(const QImage& image, int x, int y) {
    return x >= 0 && y >= 0 && x < image.width() && y < image.height();
}

std::uint32_t rawBgr(const QImage& image, int x, int y) {
    return fromQRgb(reinterpret_cast<const QRgb*>(image.constScanLine(y))[x]);
}

void putBgr(QImage& image, int x, int y, std::uint32_t bgr) {
    reinterpret_cast<QRgb*>(image.scanLine(y))[x] = toQRgb(bgr);
}

} // namespace

QRgb toQRgb(std::uint32_t bgr) {
    return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

std::uint32_t fromQRgb(QRgb rgb) {
    return static_cast<std::uint32_t>(qRed(rgb)) | (static_cast<std::uint32_t>(qGreen(rgb)) << 8) |
           (static_cast<std::uint32_t>(qBlue(rgb)) << 16);
}

QImage createSurface(int width, int height) {
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

std::uint32_t pixel(const QImage& image, int x, int y) {
    if (!inside(image, x, y))
        return 0;
    return fromQRgb(image.pixel(x, y));
}

void setPixel(QImage& image, int x, int y, std::uint32_t bgr) {
    if (inside(image, x, y))
        putBgr(image, x, y, bgr);
}

void fillRect(QImage& image, const Rect& r, std::uint32_t bgr) {
    const int l = std::max(r.left, 0);
    const int t = std::max(r.top, 0);
    const int rr = std::min(r.right, image.width());
    const int b = std::min(r.bottom, image.height());
    const QRgb c = toQRgb(bgr);
    for (int y = t; y < b; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line + l, line + std::max(l, rr), c);
    }
}

void frameRect(QImage& image, const Rect& r, std::uint32_t bgr) {
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    fillRect(image, {r.left, r.top, r.right, r.top + 1}, bgr);
    fillRect(image, {r.left, r.bottom - 1, r.right, r.bottom}, bgr);
    fillRect(image, {r.left, r.top, r.left + 1, r.bottom}, bgr);
    fillRect(image, {r.right - 1, r.top, r.right, r.bottom}, bgr);
}

void drawLine(QImage& image, int x1, int y1, int x2, int y2, std::uint32_t bgr) {
    // Bresenham, stopping one step short of the end point.
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        setPixel(image, x, y, bgr);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void drawFocusRect(QImage& image, const Rect& r) {
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    auto invertDot = [&](int x, int y) {
        if (inside(image, x, y) && ((x + y) & 1) == 0)
            putBgr(image, x, y, rawBgr(image, x, y) ^ 0xFFFFFF);
    };
    for (int x = r.left; x < r.right; ++x) {
        invertDot(x, r.top);
        if (r.bottom - 1 != r.top)
            invertDot(x, r.bottom - 1);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        invertDot(r.left, y);
        if (r.right - 1 != r.left)
            invertDot(r.right - 1, y);
    }
}

void bitBlt(QImage& dst, int x, int y, int w, int h, const QImage& src, int sx, int sy, Rop rop) {
    for (int j = 0; j < h; ++j) {
        const int dy = y + j;
        if (dy < 0 || dy >= dst.height())
            continue;
        for (int i = 0; i < w; ++i) {
            const int dx = x + i;
            if (dx < 0 || dx >= dst.width())
                continue;
            const std::uint32_t s =
                inside(src, sx + i, sy + j) ? rawBgr(src, sx + i, sy + j) : std::uint32_t{0};
            const std::uint32_t d = rawBgr(dst, dx, dy);
            std::uint32_t out = s;
            switch (rop) {
            case Rop::SrcCopy:
                out = s;
                break;
            case Rop::SrcAnd:
                out = s & d;
                break;
            case Rop::SrcInvert:
                out = s ^ d;
                break;
            case Rop::NotSrcCopy:
                out = ~s & 0xFFFFFF;
                break;
            }
            putBgr(dst, dx, dy, out);
        }
    }
}

void stretchBlt(QImage& dst, int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw,
                int sh) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return;
    for (int j = 0; j < h; ++j) {
        const int srcY = sy + static_cast<int>(static_cast<long long>(j) * sh / h);
        for (int i = 0; i < w; ++i) {
            const int srcX = sx + static_cast<int>(static_cast<long long>(i) * sw / w);
            const std::uint32_t s = inside(src, srcX, srcY) ? rawBgr(src, srcX, srcY) : 0;
            setPixel(dst, x + i, y + j, s);
        }
    }
}

QImage monoFrom(const QImage& src, int sx, int sy, int w, int h, std::uint32_t background) {
    QImage mono = createSurface(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const bool on = inside(src, sx + i, sy + j) &&
                            rawBgr(src, sx + i, sy + j) == (background & 0xFFFFFF);
            if (on)
                putBgr(mono, i, j, kWhite);
        }
    return mono;
}

namespace {

template <class Shape>
void paintShape(QImage& dst, int x, int y, int w, int h, Shape&& isShape, std::uint32_t colour) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (isShape(i, j))
                setPixel(dst, x + i, y + j, colour);
}

} // namespace

void drawStateMono(QImage& dst, int x, int y, const QImage& src, std::uint32_t brush) {
    paintShape(
        dst, x, y, src.width(), src.height(),
        [&](int i, int j) { return rawBgr(src, i, j) != kWhite; }, brush);
}

void drawStateDisabled(QImage& dst, int x, int y, const QImage& src) {
    auto shape = [&](int i, int j) { return rawBgr(src, i, j) != kWhite; };
    paintShape(dst, x + 1, y + 1, src.width(), src.height(), shape, highlightColour());
    paintShape(dst, x, y, src.width(), src.height(), shape, shadowColour());
}

void drawIconStateMono(QImage& dst, int x, int y, const QImage& icon, std::uint32_t brush) {
    paintShape(
        dst, x, y, icon.width(), icon.height(),
        [&](int i, int j) { return qAlpha(icon.pixel(i, j)) >= 128; }, brush);
}

void drawIconStateDisabled(QImage& dst, int x, int y, const QImage& icon) {
    auto shape = [&](int i, int j) { return qAlpha(icon.pixel(i, j)) >= 128; };
    paintShape(dst, x + 1, y + 1, icon.width(), icon.height(), shape, highlightColour());
    paintShape(dst, x, y, icon.width(), icon.height(), shape, shadowColour());
}

void drawImageScaled(QImage& dst, const Rect& target, const QImage& src, const Rect& source) {
    if (target.width() <= 0 || target.height() <= 0 || source.width() <= 0 || source.height() <= 0)
        return;
    QPainter p(&dst);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(target.left, target.top, target.width(), target.height()), src,
                QRect(source.left, source.top, source.width(), source.height()));
}

PrefixedText parsePrefix(const QString& text) {
    PrefixedText out;
    out.shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
            if (text.at(i) != QLatin1Char('&'))
                out.underline = static_cast<int>(out.shown.size());
            out.shown.append(text.at(i));
        } else if (c != QLatin1Char('&')) {
            out.shown.append(c);
        }
    }
    return out;
}

QFont crispFont(const QFont& font) {
    QFont f = font;
    f.setStyleStrategy(QFont::NoAntialias);
    f.setKerning(false);
    return f;
}

namespace {

struct Line {
    qsizetype start = 0;
    qsizetype length = 0;
};

// Where the line that starts at lineStart ends: words join it while it fits; a lone word stays
// even when wider.
qsizetype fittingLineEnd(const QString& shown, const QFontMetrics& fm, qsizetype lineStart,
                         qsizetype contentEnd, int available) {
    qsizetype end = lineStart;
    while (end < contentEnd) {
        qsizetype wordEnd = end;
        while (wordEnd < contentEnd && shown.at(wordEnd) == QLatin1Char(' '))
            ++wordEnd;
        while (wordEnd < contentEnd && shown.at(wordEnd) != QLatin1Char(' '))
            ++wordEnd;
        if (end > lineStart &&
            fm.horizontalAdvance(shown.mid(lineStart, wordEnd - lineStart)) > available)
            break;
        end = wordEnd;
    }
    return end;
}

// One paragraph broken into lines; the spaces where a line breaks start no line.
void wrapParagraph(QVector<Line>& lines, const QString& shown, const QFontMetrics& fm,
                   qsizetype start, qsizetype contentEnd, int available) {
    qsizetype lineStart = start;
    do {
        const qsizetype end = fittingLineEnd(shown, fm, lineStart, contentEnd, available);
        lines.push_back({lineStart, end - lineStart});
        lineStart = end;
        while (lineStart < contentEnd && shown.at(lineStart) == QLatin1Char(' '))
            ++lineStart;
    } while (lineStart < contentEnd);
}

QVector<Line> breakLines(const QString& shown, const QFontMetrics& fm, int available,
                         bool wordBreak) {
    QVector<Line> lines;
    qsizetype paraStart = 0;
    while (paraStart <= shown.size()) {
        qsizetype paraEnd = shown.indexOf(QLatin1Char('\n'), paraStart);
        const bool last = paraEnd < 0;
        if (last)
            paraEnd = shown.size();
        qsizetype contentEnd = paraEnd;
        if (contentEnd > paraStart && shown.at(contentEnd - 1) == QLatin1Char('\r'))
            --contentEnd;
        if (wordBreak)
            wrapParagraph(lines, shown, fm, paraStart, contentEnd, available);
        else
            lines.push_back({paraStart, contentEnd - paraStart});
        if (last)
            break;
        paraStart = paraEnd + 1;
    }
    return lines;
}

} // namespace

int drawTextEx(QImage* dst, const QFont& font, const QString& text, Rect& r, unsigned flags,
               const TextParams& params, std::uint32_t textColour) {
    if (text.isEmpty())
        return 0;
    const QFont f = crispFont(font);
    const QFontMetrics fm = dst ? QFontMetrics(f, dst) : QFontMetrics(f);
    const PrefixedText parsed = parsePrefix(text);
    const int lm = params.leftMargin;
    const int rm = params.rightMargin;
    const bool single = (flags & DT_SINGLELINE) != 0;
    const QVector<Line> lines =
        single ? QVector<Line>{{0, parsed.shown.size()}}
               : breakLines(parsed.shown, fm, r.width() - lm - rm, (flags & DT_WORDBREAK) != 0);
    const int lineHeight = fm.height();
    const int textHeight = lineHeight * static_cast<int>(lines.size());

    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const Line& line : lines)
            widest =
                std::max(widest, fm.horizontalAdvance(parsed.shown.mid(line.start, line.length)));
        r.right = r.left + widest + lm + rm;
        r.bottom = r.top + textHeight;
        return textHeight;
    }
    if (!dst)
        return textHeight;

    QPainter p(dst);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(f);
    p.setPen(QColor::fromRgb(toQRgb(textColour)));
    p.setClipRect(QRect(r.left, r.top, r.width(), r.height()));
    int y = r.top;
    if (single && (flags & DT_VCENTER))
        y = r.top + (r.height() - lineHeight) / 2;
    for (const Line& line : lines) {
        const QString shownLine = parsed.shown.mid(line.start, line.length);
        const int width = fm.horizontalAdvance(shownLine);
        const int x = (flags & DT_CENTER) ? (r.left + lm + r.right - rm - width) / 2 : r.left + lm;
        p.drawText(QPoint(x, y + fm.ascent()), shownLine);
        if (parsed.underline >= line.start && parsed.underline < line.start + line.length) {
            const int ux = x + fm.horizontalAdvance(shownLine.left(parsed.underline - line.start));
            const int uw = fm.horizontalAdvance(parsed.shown.at(parsed.underline));
            const int uy = y + fm.ascent() + 1;
            p.fillRect(QRect(ux, uy, uw, 1), p.pen().color());
        }
        y += lineHeight;
    }
    return textHeight;
}

} // namespace korimo::gdi
