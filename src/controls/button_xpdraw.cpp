// How Button_XP paints its face: background, border, picture and caption, all in pixels on the
// persistent image.
#include "controls/button_xp.h"

#include "controls/button_xpcolors.h"
#include "forms/runtime.h"

#include <QPixmap>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace korimo {

namespace {

constexpr std::uint32_t kShadowGrey = RGBValue(146, 146, 146);

// RGB(P.R + dr, P.G + dg, P.B + db) with P = SplitRGB(c).
std::uint32_t addToParts(std::uint32_t c, int dr, int dg, int db) {
    const RGBParts p = SplitRGB(c);
    return RGBClamped(static_cast<long long>(p.R) + dr, static_cast<long long>(p.G) + dg,
                      static_cast<long long>(p.B) + db);
}

int roundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

} // namespace

void DrawTransparent(QImage& dst, const QImage& bg, const QImage& src, int sL, int sT, int sR,
                     int sB, int x, int y, std::uint32_t tc) {
    const int w = static_cast<std::int16_t>(sR - sL);
    const int h = static_cast<std::int16_t>(sB - sT);
    if (w <= 0 || h <= 0)
        return;
    const QImage mask = gdi::monoFrom(src, sL, sT, w, h, tc);
    QImage inverse = gdi::createSurface(w, h);
    gdi::bitBlt(inverse, 0, 0, w, h, mask, 0, 0, gdi::Rop::NotSrcCopy);
    QImage back = gdi::createSurface(w, h);
    gdi::bitBlt(back, 0, 0, w, h, bg, x, y, gdi::Rop::SrcCopy);
    gdi::bitBlt(back, 0, 0, w, h, mask, 0, 0, gdi::Rop::SrcAnd);
    QImage fore = gdi::createSurface(w, h);
    gdi::bitBlt(fore, 0, 0, w, h, src, sL, sT, gdi::Rop::SrcCopy);
    gdi::bitBlt(fore, 0, 0, w, h, inverse, 0, 0, gdi::Rop::SrcAnd);
    gdi::bitBlt(back, 0, 0, w, h, fore, 0, 0, gdi::Rop::SrcInvert);
    gdi::bitBlt(dst, x, y, w, h, back, 0, 0, gdi::Rop::SrcCopy);
}

void Button_XP::ensureSurface() {
    if (m_Surface.size() != size() || m_Surface.isNull())
        m_Surface = gdi::createSurface(width(), height());
}

void Button_XP::render() {
    ensureSurface();
    m_Surface.fill(gdi::toQRgb(TranslateColor(m_SurfaceBackColor)));
    PaintBackground();
    if (m_ButtonStyle != 4)
        DrawBorder();
    CalcLayout();
    DrawPicture();
    if (g_HasFocus == 1 && m_ShowFocusRect && m_ButtonStyle != 3)
        gdi::drawFocusRect(m_Surface, g_FocusRect);
    blowUpForDevice();
    DrawCaption();
}

void Button_XP::blowUpForDevice() {
    const qreal ratio = devicePixelRatioF();
    if (ratio == 1.0) {
        m_Device = QImage();
        return;
    }
    // Every line of the face stays where the design puts it, as a block of device pixels; only
    // the caption, drawn next, takes the finer grid.
    const int w = static_cast<int>(std::ceil(m_Surface.width() * ratio));
    const int h = static_cast<int>(std::ceil(m_Surface.height() * ratio));
    if (m_Device.size() != QSize(w, h))
        m_Device = QImage(w, h, QImage::Format_RGB32);
    m_Device.setDevicePixelRatio(1);
    for (int y = 0; y < h; ++y) {
        const int sy = std::min(static_cast<int>(y / ratio), m_Surface.height() - 1);
        const auto* from = reinterpret_cast<const QRgb*>(m_Surface.constScanLine(sy));
        auto* to = reinterpret_cast<QRgb*>(m_Device.scanLine(y));
        for (int x = 0; x < w; ++x)
            to[x] = from[std::min(static_cast<int>(x / ratio), m_Surface.width() - 1)];
    }
    m_Device.setDevicePixelRatio(ratio);
}

void Button_XP::DrawRect(QImage& dc, int left, int top, int right, int bottom, OleColor colour,
                         int fill) {
    const std::uint32_t brush = TranslateColor(colour);
    if (fill == 1)
        gdi::fillRect(dc, {left, top, right, bottom}, brush);
    else
        gdi::frameRect(dc, {left, top, right, bottom}, brush);
}

void Button_XP::DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    gdi::drawLine(m_Surface, x1, y1, x2, y2, colour);
}

void Button_XP::PaintBackground() {
    if (m_ButtonStyle == 3)
        return;
    if (m_ButtonStyle == 2) {
        if (g_Pressed == 0 && m_TransparentBG)
            CopyParentBackground();
        else
            setSurfaceBackColor(m_BackColor);
        OleColor hoverFace = m_XPColor_Hover;
        OleColor pressedFace = m_XPColor_Pressed;
        if (m_XPDefaultColors) {
            const std::uint32_t highlight = TranslateColor(kSysHighlight);
            hoverFace = static_cast<OleColor>(addToParts(highlight, 171, 154, 108));
            pressedFace = static_cast<OleColor>(addToParts(highlight, 156, 139, 108));
        }
        if (g_Hovered == 1 && g_Pressed == 0)
            setSurfaceBackColor(hoverFace);
        if (g_Pressed == 1)
            setSurfaceBackColor(pressedFace);
        return;
    }
    if (m_TransparentBG)
        CopyParentBackground();
}

void Button_XP::CopyParentBackground() {
    // The container offers its picture as the dynamic property "Picture"; without one the
    // face keeps what it has.
    skipOnError([&] {
        const QWidget* container = parentWidget();
        if (!container)
            return;
        const QVariant v = container->property("Picture");
        QImage picture;
        if (v.metaType() == QMetaType::fromType<QImage>())
            picture = v.value<QImage>();
        else if (v.metaType() == QMetaType::fromType<QPixmap>())
            picture = v.value<QPixmap>().toImage();
        if (picture.isNull())
            return;
        picture = picture.convertToFormat(QImage::Format_RGB32);
        gdi::bitBlt(m_Surface, 0, 0, width(), height(), picture, x(), y(), gdi::Rop::SrcCopy);
    });
}

void Button_XP::drawEdge(Edge edge) {
    const std::uint32_t face = TranslateColor(m_SurfaceBackColor);
    if (m_BEVEL >= 2) {
        if (edge == Edge::Sunken)
            DrawBevelSunken(face, m_BEVEL, m_BEVELDEPTH);
        else
            DrawBevelRaised(face, m_BEVEL, m_BEVELDEPTH);
        return;
    }
    // The second frame lies one past the surface: only its top row and left column show.
    const bool sunken = edge == Edge::Sunken;
    DrawRect(m_Surface, 0, 0, width(), height(), sunken ? kSys3DHighlight : kSysButtonShadow, 0);
    DrawRect(m_Surface, 0, 0, width() + 1, height() + 1,
             sunken ? kSysButtonShadow : kSys3DHighlight, 0);
}

void Button_XP::DrawBorder() {
    if (!m_UserMode) {
        if (m_ButtonStyle == 3)
            DrawXPButton(0, 0);
        else if (m_ButtonStyle == 2)
            PaintBackground();
        else
            drawEdge(Edge::Raised);
        return;
    }
    if (m_ButtonStyle == 2) {
        if (m_XPShowBorderAlways || g_Hovered != 0)
            DrawRect(m_Surface, 0, 0, width(), height(), m_ForeColor, 0);
        return;
    }
    if (m_ButtonStyle == 3) {
        if (g_Pressed == 1)
            DrawXPButton(2, 0);
        else if (g_Hovered == 1)
            DrawXPButton(0, 1);
        else
            DrawXPButton(0, 0);
        return;
    }
    if (g_Pressed == 1)
        drawEdge(Edge::Sunken);
    if (g_Pressed == 0 && g_Hovered == 1)
        drawEdge(Edge::Raised);
    if (g_Pressed == 0 && g_Hovered == 0 && m_ButtonStyle == 0)
        drawEdge(Edge::Raised);
    if ((g_HasFocus == 1 && m_ButtonStyle == 0 && g_Pressed == 0) || m_Default)
        DrawDefaultFrame();
}

void Button_XP::DrawBevelRaised(std::uint32_t colour, int bevel, int depth) {
    drawBevel(colour, bevel, depth, Edge::Raised);
}

void Button_XP::DrawBevelSunken(std::uint32_t colour, int bevel, int depth) {
    drawBevel(colour, bevel, depth, Edge::Sunken);
}

void Button_XP::drawBevel(std::uint32_t colour, int bevel, int depth, Edge edge) {
    // Raised, the frames darken outward under top and left lines that lighten outward; sunken,
    // the other way round.
    auto darker = [depth](std::uint32_t c) { return ShiftColor(c, -depth); };
    auto lighter = [depth](std::uint32_t c) { return addToParts(c, depth, depth, depth); };
    const bool sunken = edge == Edge::Sunken;
    const int w = width();
    const int h = height();
    std::uint32_t c = colour;
    for (int i = bevel; i >= 0; --i) {
        c = sunken ? lighter(c) : darker(c);
        DrawRect(m_Surface, i, i, w - i, h - i, static_cast<OleColor>(c), 0);
    }
    c = colour;
    for (int j = bevel; j >= 0; --j) {
        c = sunken ? darker(c) : lighter(c);
        DrawLine(j, j, w - j - 1, j, c);
        DrawLine(j, j, j, h - j - 1, c);
    }
}

void Button_XP::DrawDefaultFrame() {
    if (m_BEVEL < 2) {
        DrawRect(m_Surface, 0, 0, width() - 1, height() - 1, kSysButtonShadow, 0);
        DrawRect(m_Surface, 0, 0, width() + 1, height() + 1, kSys3DHighlight, 0);
    } else {
        DrawBevelRaised(TranslateColor(m_SurfaceBackColor), m_BEVEL, m_BEVELDEPTH + 3);
    }
}

void Button_XP::DrawXPButton(int state, int hover) {
    const int W = g_ClientWidth;
    const int H = g_ClientHeight;
    const std::uint32_t K = TranslateColor(kSys3DDarkShadow);
    const std::uint32_t back = TranslateColor(m_BackColor);
    auto corners = [&](std::uint32_t c) {
        gdi::setPixel(m_Surface, 1, 1, c);
        gdi::setPixel(m_Surface, 1, H - 2, c);
        gdi::setPixel(m_Surface, W - 2, 1, c);
        gdi::setPixel(m_Surface, W - 2, H - 2, c);
    };
    auto line = [&](int x1, int y1, int x2, int y2, std::uint32_t from, int delta) {
        DrawLine(x1, y1, x2, y2, ShiftColor(from, delta));
    };
    // The focus and hover rims: a frame inside the outline, shaded lighter at the top and darker
    // at the bottom by the given steps.
    auto rim = [&](OleColor colour, int bottom, int top, int upper, int sides) {
        DrawRect(m_Surface, 1, 2, W - 1, H - 2, colour, 0);
        const std::uint32_t c = TranslateColor(colour);
        line(2, H - 2, W - 2, H - 2, c, bottom);
        line(2, 1, W - 2, 1, c, top);
        line(1, 2, W - 1, 2, c, upper);
        line(2, 3, 2, H - 3, c, sides);
        line(W - 3, 3, W - 3, H - 3, c, sides);
    };

    DrawRect(m_Surface, 0, 0, W, H, m_BackColor, 1);
    if (!Enabled()) {
        const std::uint32_t base = ShiftColor(back, 48);
        DrawRect(m_Surface, 0, 0, W, H, static_cast<OleColor>(ShiftColor(base, -24)), 1);
        DrawRect(m_Surface, 0, 0, W, H, static_cast<OleColor>(ShiftColor(base, -84)), 0);
        corners(ShiftColor(base, -72));
        return;
    }
    const OleColor focusRim =
        m_XPDefaultColors ? static_cast<OleColor>(RGBValue(140, 170, 230)) : m_XPColor_Pressed;
    const OleColor hoverRim =
        m_XPDefaultColors ? static_cast<OleColor>(RGBValue(225, 153, 71)) : m_XPColor_Hover;

    if (state == 0) {
        const std::uint32_t base = ShiftColor(back, 48);
        const float s = 25.0f / static_cast<float>(H);
        for (int i = 1; i <= H; ++i)
            DrawLine(0, i, W, i, ShiftColor(base, roundHalfEven(-static_cast<double>(s) * i)));
        DrawRect(m_Surface, 0, 0, W, H, static_cast<OleColor>(K), 0);
        corners(K);
        if (g_HasFocus == 1) {
            rim(focusRim, -33, 65, 50, 31);
        } else {
            line(2, H - 2, W - 2, H - 2, base, -48);
            line(1, H - 3, W - 2, H - 3, base, -32);
            line(W - 2, 2, W - 2, H - 2, base, -36);
            line(W - 3, 3, W - 3, H - 3, base, -24);
            line(2, 1, W - 2, 1, base, 16);
            line(1, 2, W - 2, 2, base, 10);
            line(1, 2, 1, H - 2, base, -5);
            line(2, 3, 2, H - 3, base, -10);
        }
        if (hover == 1)
            rim(hoverRim, -40, 90, 35, 20);
    } else if (state == 2) {
        const std::uint32_t base = ShiftColor(ShiftColor(back, 48), -32);
        const float s = 15.0f / static_cast<float>(H);
        for (int i = 1; i <= H; ++i)
            DrawLine(0, H - i, W, H - i,
                     ShiftColor(base, roundHalfEven(-static_cast<double>(s) * i)));
        DrawRect(m_Surface, 0, 0, W, H, static_cast<OleColor>(K), 0);
        corners(K);
        line(2, H - 2, W - 2, H - 2, base, 16);
        line(1, H - 3, W - 2, H - 3, base, 10);
        line(W - 2, 2, W - 2, H - 2, base, 5);
        DrawLine(W - 3, 3, W - 3, H - 3, base);
        line(2, 1, W - 2, 1, base, -32);
        line(1, 2, W - 2, 2, base, -24);
        line(1, 2, 1, H - 2, base, -32);
        line(2, 2, 2, H - 2, base, -22);
    }
}

void Button_XP::MakeRoundRegion() {
    const int W = g_ClientWidth;
    const int H = g_ClientHeight;
    QRegion region(0, 0, W, H);
    const QRect cut[] = {
        {0, 0, 2, 1},     {0, 1, 1, 1},     {W - 2, 0, 2, 1},     {W - 1, 1, 1, 1},
        {0, H - 1, 2, 1}, {0, H - 2, 1, 1}, {W - 2, H - 1, 2, 1}, {W - 1, H - 2, 1, 1},
    };
    for (const QRect& r : cut)
        region -= QRegion(r);
    setMask(region);
    g_ButtonRegion = true;
}

// ---- layout, picture and caption ----

void Button_XP::CalcLayout() {
    const int W = width();
    const int H = height();
    g_OuterRect = {0, 0, W - 1, H - 1};
    g_InnerRect = {4, 4, W - 4, H - 4};
    const int iL = g_InnerRect.left;
    const int iT = g_InnerRect.top;
    const int iw = g_InnerRect.width();
    const int ih = g_InnerRect.height();
    const int PW = m_PictureWidth;
    const int PH = m_PictureHeight;
    gdi::Rect& p = g_PictureRect;
    gdi::Rect& t = g_TextRect;

    // A picture object without an image has nothing to place.
    if (!g_CurrentPicture.hasImage()) {
        t = g_InnerRect;
        CalcTextRect();
        return;
    }
    if (m_Caption.isEmpty()) {
        p.left = iL + (iw - PW) / 2;
        p.top = iT + (ih - PH) / 2;
        p.right = p.left + PW;
        p.bottom = p.top + PH;
        return;
    }
    t = g_InnerRect;
    CalcTextRect();
    const int tw = t.width();
    const int th = t.height();
    auto placePicture = [&](int left, int top) {
        p.top = top;
        p.bottom = p.top + PH;
        p.left = left;
        p.right = p.left + PW;
    };
    auto placeText = [&](int left, int top) {
        t.top = top;
        t.bottom = t.top + th;
        t.left = left;
        t.right = t.left + tw;
    };
    switch (m_PicturePosition) {
    case 0:
        placePicture(iL + (iw - PW) / 2, iT + (ih - (th + 4 + PH)) / 2);
        placeText(iL + (iw - tw) / 2, p.bottom + 4);
        break;
    case 1:
        placePicture(iL + (iw - (tw + PW + 4)) / 2, iT + (ih - PH) / 2);
        placeText(p.right + 4, iT + (ih - th) / 2);
        break;
    case 2:
        placeText(iL + (iw - (tw + PW + 4)) / 2, iT + (ih - th) / 2);
        placePicture(t.right + 4, iT + (ih - PH) / 2);
        break;
    case 3:
        placeText(iL + (iw - tw) / 2, iT + (ih - (th + 4 + PH)) / 2);
        placePicture(iL + (iw - PW) / 2, t.bottom + 4);
        break;
    default:
        break;
    }
}

void Button_XP::CalcTextRect() {
    g_TextParams = gdi::TextParams{1, 1, 1};
    gdi::drawTextEx(&m_Surface, QWidget::font(), m_Caption, g_TextRect,
                    gdi::DT_CALCRECT | gdi::DT_WORDBREAK | gdi::DT_VCENTER | gdi::DT_CENTER,
                    g_TextParams, 0);
    const int tw = g_TextRect.width();
    const int th = g_TextRect.height();
    const int iw = g_InnerRect.width();
    const int ih = g_InnerRect.height();
    g_TextRect.left = g_InnerRect.left + (iw - tw) / 2;
    g_TextRect.top = g_InnerRect.top + (ih - th) / 2;
    g_TextRect.right = g_TextRect.left + tw;
    g_TextRect.bottom = g_TextRect.top + th;
}

void Button_XP::DrawPicture() {
    if (!g_CurrentPicture.hasImage())
        return;
    const gdi::Rect saved = g_PictureRect;
    int o = 0;
    if (g_Hovered == 1 && g_Pressed == 0 && m_ButtonStyle == 2)
        o = -3;
    else if (g_Pressed == 1 && m_ButtonStyle != 2)
        o = 1;
    g_PictureRect = {saved.left + o, saved.top + o, saved.right + o, saved.bottom + o};
    const int type = g_CurrentPicture.type();
    auto draw = [&](int normal, const gdi::Rect& r, int shadow) {
        if (type == Picture::Bitmap)
            DrawBitmapPicture(normal, r, shadow);
        else if (type == Picture::Icon)
            DrawIconPicture(normal, r, shadow);
    };
    if (Enabled()) {
        if (o == -3)
            draw(0, saved, 1);
        draw(1, g_PictureRect, 0);
    } else {
        draw(0, g_PictureRect, 0);
    }
    g_PictureRect = saved;
}

void Button_XP::DrawBitmapPicture(int normal, const gdi::Rect& r, int shadow) {
    const int OW = m_OriginalPicSizeW;
    const int OH = m_OriginalPicSizeH;
    const int PW = m_PictureWidth;
    const int PH = m_PictureHeight;
    if (OW <= 0 || OH <= 0 || PW <= 0 || PH <= 0)
        return;
    const QImage& bitmap = g_CurrentPicture.image();
    const std::uint32_t mask = static_cast<std::uint32_t>(m_MaskColor) & 0xFFFFFF;
    QImage a = gdi::createSurface(OW, OH);
    QImage b = gdi::createSurface(PW, PH);
    if (normal == 1) {
        gdi::bitBlt(a, 0, 0, bitmap.width(), bitmap.height(), bitmap, 0, 0, gdi::Rop::SrcCopy);
        gdi::stretchBlt(b, 0, 0, PW, PH, a, 0, 0, OW, OH);
        DrawTransparent(m_Surface, m_Surface, b, 0, 0, PW, PH, r.left, r.top, mask);
        return;
    }
    DrawRect(a, 0, 0, OW, OH, 0xFFFFFF, 1);
    DrawTransparent(a, a, bitmap, 0, 0, OW, OH, 0, 0, mask);
    gdi::stretchBlt(b, 0, 0, PW, PH, a, 0, 0, OW, OH);
    if (shadow == 1)
        gdi::drawStateMono(m_Surface, r.left, r.top, b, kShadowGrey);
    else
        gdi::drawStateDisabled(m_Surface, r.left, r.top, b);
}

void Button_XP::DrawIconPicture(int normal, const gdi::Rect& r, int shadow) {
    const int OW = m_OriginalPicSizeW;
    const int OH = m_OriginalPicSizeH;
    const int PW = m_PictureWidth;
    const int PH = m_PictureHeight;
    const QImage& icon = g_CurrentPicture.image();
    if (normal == 1) {
        gdi::drawImageScaled(m_Surface, r, icon, {0, 0, OW, OH});
        return;
    }
    if (OW <= 0 || OH <= 0 || PW <= 0 || PH <= 0)
        return;
    QImage a = gdi::createSurface(OW, OH);
    if (shadow == 1)
        gdi::drawIconStateMono(a, 0, 0, icon, kShadowGrey);
    else
        gdi::drawIconStateDisabled(a, 0, 0, icon);
    QImage b = gdi::createSurface(PW, PH);
    gdi::stretchBlt(b, 0, 0, r.width(), r.height(), a, 0, 0, OW, OH);
    DrawTransparent(m_Surface, m_Surface, b, 0, 0, PW, PH, r.left, r.top, 0);
}

void Button_XP::DrawCaption() {
    if (m_Caption.isEmpty())
        return;
    const std::uint32_t textColour = TranslateColor(m_ForeColor);
    const gdi::Rect saved = g_TextRect;
    if (g_Pressed == 1 && m_ButtonStyle != 2)
        g_TextRect = {saved.left + 1, saved.top + 1, saved.right + 1, saved.bottom + 1};
    const unsigned flags = gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_WORDBREAK;
    auto draw = [&](std::uint32_t colour) {
        if (!m_Device.isNull()) {
            gdi::Rect r = g_TextRect;
            gdi::drawTextEx(&m_Device, QWidget::font(), m_Caption, r, flags, g_TextParams, colour);
        }
        gdi::drawTextEx(&m_Surface, QWidget::font(), m_Caption, g_TextRect, flags, g_TextParams,
                        colour);
    };
    if (Enabled()) {
        draw(textColour);
        g_TextRect = saved;
    } else {
        draw(TranslateColor(kSysButtonShadow));
    }
}

} // namespace korimo
