#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>

// A small pixel-exact drawing layer on QImage surfaces that keeps the Windows GDI rules the
// owner-drawn controls were designed with: no antialiasing, a line leaves out its end point,
// rectangles exclude their right column and bottom row. Colours are BGR values (red in the
// low byte), as OLE colours after translation.
namespace korimo::gdi {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

QRgb toQRgb(std::uint32_t bgr);
std::uint32_t fromQRgb(QRgb rgb);

// A colour surface the size given, every pixel black, as a compatible bitmap starts.
QImage createSurface(int width, int height);

std::uint32_t pixel(const QImage& image, int x, int y);
void setPixel(QImage& image, int x, int y, std::uint32_t bgr);
void fillRect(QImage& image, const Rect& r, std::uint32_t bgr);
// A one-pixel frame just inside r.
void frameRect(QImage& image, const Rect& r, std::uint32_t bgr);
// One pixel wide from (x1, y1) towards (x2, y2); the end point itself is not drawn.
void drawLine(QImage& image, int x1, int y1, int x2, int y2, std::uint32_t bgr);
// The dotted focus frame: every other pixel of the frame inverted.
void drawFocusRect(QImage& image, const Rect& r);

enum class Rop { SrcCopy, SrcAnd, SrcInvert, NotSrcCopy };
// w x h pixels of src from (sx, sy) combined into dst at (x, y); pixels outside either image
// are left out (a source outside its image reads as black).
void bitBlt(QImage& dst, int x, int y, int w, int h, const QImage& src, int sx, int sy, Rop rop);
// Nearest-pixel scaling of a source area onto a destination area, copied.
void stretchBlt(QImage& dst, int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw,
                int sh);
// A monochrome image of w x h pixels of src from (sx, sy): white (1) where the source pixel
// equals the background colour bgr, black (0) elsewhere.
QImage monoFrom(const QImage& src, int sx, int sy, int w, int h, std::uint32_t background);

// DrawState looks of a colour image whose white pixels are its ground: the other pixels in one
// brush colour (mono), or embossed, 3-D highlight one pixel down-right under button shadow.
void drawStateMono(QImage& dst, int x, int y, const QImage& src, std::uint32_t brush);
void drawStateDisabled(QImage& dst, int x, int y, const QImage& src);
// The same looks for an icon, whose opaque pixels are its shape.
void drawIconStateMono(QImage& dst, int x, int y, const QImage& icon, std::uint32_t brush);
void drawIconStateDisabled(QImage& dst, int x, int y, const QImage& icon);
// The source area scaled into the destination area by nearest pixel, alpha blended.
void drawImageScaled(QImage& dst, const Rect& target, const QImage& src, const Rect& source);

enum DrawTextFlags : unsigned {
    DT_CENTER = 0x1,
    DT_VCENTER = 0x4,
    DT_SINGLELINE = 0x20,
    DT_WORDBREAK = 0x10,
    DT_CALCRECT = 0x400,
};
struct TextParams {
    int tabLength = 1;
    int leftMargin = 1;
    int rightMargin = 1;
};

// A text with "&" access-key prefixes: the text shown ("&&" is one "&") and the position in it
// of the underlined character, -1 when none.
struct PrefixedText {
    QString shown;
    int underline = -1;
};
PrefixedText parsePrefix(const QString& text);

// Draws text into r (or, with DT_CALCRECT, only measures it: r keeps its left and top and takes
// the size of the text wrapped at r's width, margins included). Lines break at spaces under
// DT_WORDBREAK and at line feeds; vertical centring applies to a single line only. The text is
// clipped to r. Returns the height of the text; nothing is done for an empty text.
int drawTextEx(QImage* dst, const QFont& font, const QString& text, Rect& r, unsigned flags,
               const TextParams& params, std::uint32_t textColour);

// The font as the drawing layer renders it: without antialiasing.
QFont crispFont(const QFont& font);

} // namespace korimo::gdi
