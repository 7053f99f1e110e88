#include "controls/button_xp.h"

#include "controls/button_xpcolors.h"
#include "controls/xpshared.h"
#include "forms/runtime.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QRegion>
#include <QShortcutEvent>
#include <QUrl>
#include <cmath>
#include <stdexcept>

namespace korimo {

namespace {

const QString kOverWav = QStringLiteral(".\\resources\\over.wav");
const QString kClickWav = QStringLiteral(".\\resources\\click.wav");

int readInt(const PropertyBag& bag, const char* key, int fallback) {
    bool ok = false;
    const int v = bag.ReadProperty(QString::fromLatin1(key), fallback).toInt(&ok);
    return ok ? v : fallback;
}

// Colours may come as unsigned values (&H8000000F written as an unsigned literal): keep the bits.
OleColor readColour(const PropertyBag& bag, const char* key, OleColor fallback) {
    bool ok = false;
    const qlonglong v = bag.ReadProperty(QString::fromLatin1(key), fallback).toLongLong(&ok);
    return ok ? static_cast<OleColor>(static_cast<std::uint32_t>(v)) : fallback;
}

bool readBool(const PropertyBag& bag, const char* key, bool fallback) {
    const QVariant v = bag.ReadProperty(QString::fromLatin1(key), fallback);
    if (v.metaType().id() == QMetaType::QString) {
        const QString s = v.toString();
        if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
        bool ok = false;
        const int n = s.toInt(&ok);
        return ok ? n != 0 : fallback;
    }
    return v.toBool();
}

QString readString(const PropertyBag& bag, const char* key, const QString& fallback) {
    return bag.ReadProperty(QString::fromLatin1(key), fallback).toString();
}

Picture readPicture(const PropertyBag& bag, const char* key) {
    const QVariant v = bag.ReadProperty(QString::fromLatin1(key));
    if (!v.isValid())
        return {};
    if (v.metaType() == QMetaType::fromType<Picture>())
        return v.value<Picture>();
    if (v.metaType() == QMetaType::fromType<QImage>())
        return Picture::fromBitmap(v.value<QImage>());
    if (v.metaType() == QMetaType::fromType<QPixmap>())
        return Picture::fromBitmap(v.value<QPixmap>().toImage());
    return {};
}

QVariant pictureValue(const Picture& p) {
    return p.isNone() ? QVariant() : QVariant::fromValue(p);
}

Qt::CursorShape cursorShape(int pointer) {
    switch (pointer) {
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 5:
    case 15:
        return Qt::SizeAllCursor;
    case 6:
        return Qt::SizeBDiagCursor;
    case 7:
        return Qt::SizeVerCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    case 9:
        return Qt::SizeHorCursor;
    case 10:
        return Qt::UpArrowCursor;
    case 11:
        return Qt::WaitCursor;
    case 12:
        return Qt::ForbiddenCursor;
    case 13:
        return Qt::BusyCursor;
    case 14:
        return Qt::WhatsThisCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

void StdFont::changed() {
    if (FontChanged)
        FontChanged();
}
void StdFont::setName(const QString& name) {
    m_font.setFamily(name);
    changed();
}
void StdFont::setSize(double points) {
    if (points > 0)
        m_font.setPointSizeF(points);
    changed();
}
void StdFont::setBold(bool on) {
    m_font.setBold(on);
    changed();
}
void StdFont::setItalic(bool on) {
    m_font.setItalic(on);
    changed();
}
void StdFont::setUnderline(bool on) {
    m_font.setUnderline(on);
    changed();
}
void StdFont::setStrikethrough(bool on) {
    m_font.setStrikeOut(on);
    changed();
}

Button_XP::Button_XP(QWidget* parent) : QWidget(parent) {
    // UserControl_Initialize: a font of our own, every coordinate in pixels.
    g_Font.assign(ambientFont());
    g_Font.FontChanged = [this] { g_Font_FontChanged(); };
    m_MousePointer = 99;
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    OverTimer.setInterval(kHoverPollMs);
    connect(&OverTimer, &QTimer::timeout, this,
            [this] { skipOnError([this] { OverTimer_Timer(); }); });
    resize(twipsToPixels(990), twipsToPixels(480));
}

Button_XP::~Button_XP() {
    // UserControl_Terminate: the outline belongs to the window and goes with it.
    OverTimer.stop();
    g_ButtonRegion = false;
}

QString Button_XP::displayName() const {
    return objectName().isEmpty() ? QStringLiteral("Button_XP1") : objectName();
}

QFont Button_XP::ambientFont() const {
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void Button_XP::Refresh() {
    render();
    update();
}

bool Button_XP::Enabled() const {
    return !testAttribute(Qt::WA_ForceDisabled);
}

void Button_XP::setEnabled(bool on) {
    QWidget::setEnabled(on);
    announce("Enabled");
    Refresh();
}

QFont Button_XP::Font() const {
    return g_Font.font();
}

void Button_XP::setFont(const QFont& font) {
    g_Font.setName(font.family());
    const double points =
        font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    g_Font.setSize(points);
    g_Font.setBold(font.bold());
    g_Font.setItalic(font.italic());
    g_Font.setUnderline(font.underline());
    g_Font.setStrikethrough(font.strikeOut());
    announce("Font");
}

void Button_XP::g_Font_FontChanged() {
    setSurfaceFont(g_Font.font());
    Refresh();
}

void Button_XP::setSurfaceFont(const QFont& font) {
    QWidget::setFont(font);
}

void Button_XP::setMousePointer(int pointer) {
    if (pointer < -32768 || pointer > 32767)
        throw std::overflow_error("Overflow");
    m_MousePointer = pointer;
    applyMousePointer();
    announce("MousePointer");
}

void Button_XP::setMouseIcon(const Picture& icon) {
    m_MouseIcon = icon;
    applyMousePointer();
    announce("MouseIcon");
}

void Button_XP::applyMousePointer() {
    if (m_MousePointer == 0 || (m_MousePointer == 99 && !m_MouseIcon.hasImage())) {
        unsetCursor();
    } else if (m_MousePointer == 99) {
        setCursor(QCursor(QPixmap::fromImage(m_MouseIcon.image())));
    } else {
        setCursor(cursorShape(m_MousePointer));
    }
}

void Button_XP::setShowFocusRect(bool on) {
    m_ShowFocusRect = on;
    announce("ShowFocusRect");
    Refresh();
}

void Button_XP::setURL(const QString& url) {
    m_URL = url;
    announce("URL");
}

void Button_XP::setCaption(const QString& caption) {
    m_Caption = caption;
    announce("Caption");
    SetAccessKey();
    Refresh();
}

void Button_XP::setButtonStyle(int style) {
    m_ButtonStyle = style;
    announce("ButtonStyle");
    if (style == 3)
        setTransparentBG(false);
    UserControl_Resize();
}

void Button_XP::setPicturePosition(int position) {
    m_PicturePosition = position;
    announce("PicturePosition");
    Refresh();
}

void Button_XP::setPicture(const Picture& picture) {
    g_CurrentPicture = picture;
    m_Picture = picture;
    if (picture.isNone()) {
        m_OriginalPicSizeW = 32;
        m_OriginalPicSizeH = 32;
    } else {
        m_OriginalPicSizeW = picture.size().width();
        m_OriginalPicSizeH = picture.size().height();
    }
    announce("Picture");
    if (m_PictureSize == 2) {
        // Clearing the picture under the own-size rule falls back to the 32 x 32 of no picture.
        m_PictureWidth = m_OriginalPicSizeW;
        m_PictureHeight = m_OriginalPicSizeH;
    }
    Refresh();
}

void Button_XP::setPictureWidth(int width) {
    m_PictureWidth = width;
    announce("PictureWidth");
    Refresh();
}

void Button_XP::setPictureHeight(int height) {
    m_PictureHeight = height;
    announce("PictureHeight");
    Refresh();
}

void Button_XP::setPictureSize(int size) {
    m_PictureSize = size;
    announce("PictureSize");
    switch (size) {
    case 0:
        m_PictureWidth = m_PictureHeight = 16;
        break;
    case 1:
        m_PictureWidth = m_PictureHeight = 32;
        break;
    case 2:
        if (!g_CurrentPicture.isNone()) {
            m_PictureWidth = m_OriginalPicSizeW;
            m_PictureHeight = m_OriginalPicSizeH;
        } else {
            m_PictureWidth = m_PictureHeight = 32;
        }
        break;
    default:
        break;
    }
    Refresh();
}

void Button_XP::setPictureHover(const Picture& picture) {
    m_PictureHover = picture;
    announce("PictureHover");
}

void Button_XP::setXPColor_Pressed(OleColor colour) {
    m_XPColor_Pressed = colour;
    announce("XPColor_Pressed");
}

void Button_XP::setXPColor_Hover(OleColor colour) {
    m_XPColor_Hover = colour;
    announce("XPColor_Hover");
}

void Button_XP::setXPDefaultColors(bool on) {
    m_XPDefaultColors = on;
    announce("XPDefaultColors");
}

void Button_XP::setBackColor(OleColor colour) {
    m_BackColor = colour;
    announce("BackColor");
    setSurfaceBackColor(colour);
    Refresh();
}

void Button_XP::setForeColor(OleColor colour) {
    m_ForeColor = colour;
    announce("ForeColor");
    m_SurfaceForeColor = colour;
    Refresh();
}

void Button_XP::setSoundOver(const QVariant& path) {
    m_SoundOver = path.toString();
    announce("SoundOver");
}

void Button_XP::setSoundClick(const QString& path) {
    m_SoundClick = path;
    announce("SoundClick");
}

void Button_XP::setDefCurHand(bool on) {
    m_DefCurHand = on;
    announce("DefCurHand");
}

void Button_XP::setXPShowBorderAlways(bool on) {
    m_XPShowBorderAlways = on;
    announce("XPShowBorderAlways");
}

void Button_XP::setMaskColor(OleColor colour) {
    m_MaskColor = colour;
    announce("MaskColor");
    Refresh();
}

void Button_XP::setTransparentBG(bool on) {
    m_TransparentBG = on;
    announce("TransparentBG");
    Refresh();
}

void Button_XP::setBEVEL(std::int16_t bevel) {
    m_BEVEL = bevel;
    announce("BEVEL");
    Refresh();
}

void Button_XP::setBEVELDEPTH(std::int16_t depth) {
    m_BEVELDEPTH = depth;
    announce("BEVELDEPTH");
    Refresh();
}

void Button_XP::setDefault(bool on) {
    m_Default = on;
    Refresh();
}

void Button_XP::setAmbientUserMode(bool on) {
    m_UserMode = on;
    UserControl_AmbientChanged(QStringLiteral("UserMode"));
}

void Button_XP::setSurfaceBackColor(OleColor colour) {
    // Setting the surface colour paints the whole face with it at once.
    m_SurfaceBackColor = colour;
    ensureSurface();
    m_Surface.fill(gdi::toQRgb(TranslateColor(colour)));
}

void Button_XP::UserControl_InitProperties() {
    m_BackColor = kSysButtonFace;
    m_ForeColor = kSysButtonText;
    m_ShowFocusRect = true;
    setSurfaceFont(ambientFont());
    g_Font.assign(ambientFont());
    m_Caption = displayName();
    m_PicturePosition = 1;
    m_ButtonStyle = 2;
    m_PictureWidth = 32;
    m_PictureHeight = 32;
    m_PictureSize = 1;
    m_OriginalPicSizeW = 0;
    m_OriginalPicSizeH = 0;
    m_PictureHover = Picture::empty();
    m_Picture = Picture::empty();
    m_URL.clear();
    m_XPColor_Pressed = kSys3DHighlight;
    m_XPColor_Hover = 0;
    m_XPDefaultColors = true;
    m_SoundOver.clear();
    m_SoundClick.clear();
    m_DefCurHand = false;
    m_XPShowBorderAlways = false;
    m_TransparentBG = false;
    m_MaskColor = 0;
    m_BEVEL = 1;
    m_BEVELDEPTH = 8;
}

void Button_XP::UserControl_ReadProperties(const PropertyBag& bag) {
    m_BackColor = readColour(bag, "BackColor", kSysButtonFace);
    setSurfaceBackColor(m_BackColor);
    m_ForeColor = readColour(bag, "ForeColor", kSysButtonText);
    m_SurfaceForeColor = m_ForeColor;
    m_ShowFocusRect = readBool(bag, "ShowFocusRect", true);
    m_Caption = readString(bag, "Caption", displayName());
    m_PicturePosition = readInt(bag, "PicturePosition", 1);
    m_ButtonStyle = readInt(bag, "ButtonStyle", 2);
    g_CurrentPicture = readPicture(bag, "Picture");
    m_PictureWidth = readInt(bag, "PictureWidth", 32);
    m_PictureHeight = readInt(bag, "PictureHeight", 32);
    m_PictureSize = readInt(bag, "PictureSize", 1);
    m_OriginalPicSizeW = readInt(bag, "OriginalPicSizeW", 32);
    m_OriginalPicSizeH = readInt(bag, "OriginalPicSizeH", 32);
    const QVariant font = bag.ReadProperty(QStringLiteral("Font"), ambientFont());
    const QFont f =
        font.metaType() == QMetaType::fromType<QFont>() ? font.value<QFont>() : ambientFont();
    setSurfaceFont(f);
    g_Font.assign(f);
    m_PictureHover = readPicture(bag, "PictureHover");
    m_Picture = readPicture(bag, "Picture");
    setMouseIcon(readPicture(bag, "MouseIcon"));
    QWidget::setEnabled(readBool(bag, "Enabled", true));
    m_MousePointer = static_cast<std::int16_t>(readInt(bag, "MousePointer", 0));
    applyMousePointer();
    m_URL = readString(bag, "URL", QString());
    m_XPColor_Pressed = readColour(bag, "XPColor_Pressed", kSys3DHighlight);
    m_XPColor_Hover = readColour(bag, "XPColor_Hover", kSys3DLight);
    m_XPDefaultColors = readBool(bag, "XPDefaultColors", true);
    m_SoundOver = readString(bag, "SoundOver", kOverWav);
    m_SoundClick = readString(bag, "SoundClick", kClickWav);
    m_DefCurHand = readBool(bag, "DefCurHand", false);
    m_XPShowBorderAlways = readBool(bag, "XPShowBorderAlways", false);
    m_MaskColor = readColour(bag, "MaskColor", 0);
    m_TransparentBG = readBool(bag, "TransparentBG", false);
    m_BEVEL = static_cast<std::int16_t>(readInt(bag, "BEVEL", 1));
    m_BEVELDEPTH = static_cast<std::int16_t>(readInt(bag, "BEVELDEPTH", 8));
    SetAccessKey();
    UserControl_Resize();
}

void Button_XP::UserControl_WriteProperties(PropertyBag& bag) const {
    auto write = [&bag](const char* key, const QVariant& value, const QVariant& fallback) {
        bag.WriteProperty(QString::fromLatin1(key), value, fallback);
    };
    write("Caption", m_Caption, displayName());
    write("PicturePosition", m_PicturePosition, 1);
    write("ButtonStyle", m_ButtonStyle, 2);
    write("Picture", pictureValue(g_CurrentPicture), QVariant());
    write("PictureWidth", m_PictureWidth, 32);
    write("PictureHeight", m_PictureHeight, 32);
    write("PictureSize", m_PictureSize, 1);
    write("OriginalPicSizeW", m_OriginalPicSizeW, 32);
    write("OriginalPicSizeH", m_OriginalPicSizeH, 32);
    write("PictureHover", pictureValue(m_PictureHover), QVariant());
    write("Enabled", Enabled(), true);
    write("Font", QWidget::font(), ambientFont());
    write("MouseIcon", pictureValue(m_MouseIcon), QVariant());
    write("MousePointer", m_MousePointer, 0);
    write("ShowFocusRect", m_ShowFocusRect, true);
    write("URL", m_URL, QString());
    write("XPColor_Pressed", m_XPColor_Pressed, kSys3DHighlight);
    write("XPColor_Hover", m_XPColor_Hover, kSys3DLight);
    write("XPDefaultColors", m_XPDefaultColors, true);
    write("BackColor", m_BackColor, kSysButtonFace);
    write("ForeColor", m_ForeColor, kSysButtonText);
    write("SoundOver", m_SoundOver, QString());
    write("SoundClick", m_SoundClick, QString());
    write("DefCurHand", m_DefCurHand, false);
    write("XPShowBorderAlways", m_XPShowBorderAlways, false);
    write("MaskColor", m_MaskColor, 0);
    write("TransparentBG", m_TransparentBG, false);
    write("BEVEL", static_cast<int>(m_BEVEL), 1);
    write("BEVELDEPTH", static_cast<int>(m_BEVELDEPTH), 8);
}

// ---- input ----

bool Button_XP::pointInside(float X, float Y) const {
    return X >= 0 && Y >= 0 && X < width() && Y < height();
}

void Button_XP::UserControl_MouseDown(int Button, int Shift, float X, float Y) {
    g_LastButton = Button;
    g_LastShift = Shift;
    g_LastX = X;
    g_LastY = Y;
    if (Button != 2) {
        g_Pressed = 1;
        skipOnError([&] { Refresh(); });
    }
    skipOnError([&] { emit MouseDown(Button, Shift, X, Y); });
}

void Button_XP::UserControl_MouseMove(int Button, int Shift, float X, float Y) {
    QPointer<Button_XP> self(this);
    if (pointInside(X, Y) && g_Hovered == 0) {
        OverTimer.start();
        g_Hovered = 1;
        if (!m_PictureHover.isNone())
            g_CurrentPicture = m_PictureHover;
        emit MouseIn(Shift);
        if (!self)
            return;
        Refresh();
        DoEvents();
        if (!self)
            return;
    }
    emit MouseMove(Button, Shift, X, Y);
}

void Button_XP::UserControl_MouseUp(int Button, int Shift, float X, float Y) {
    QPointer<Button_XP> self(this);
    g_Pressed = 0;
    if (Button != 2) {
        skipOnError([&] { Refresh(); });
        if (pointInside(X, Y)) {
            PlaySound(m_SoundClick);
            skipOnError([&] { emit Click(); });
            if (!self)
                return;
            skipOnError([&] { GoToURL(); });
        }
    }
    skipOnError([&] { emit MouseUp(Button, Shift, X, Y); });
}

void Button_XP::UserControl_DblClick() {
    // The second press of a double click arrives only as this call: press the button again.
    // Qt already holds the mouse for the widget until that press is released.
    UserControl_MouseDown(g_LastButton, g_LastShift, g_LastX, g_LastY);
}

void Button_XP::UserControl_KeyDown(int KeyCode, int Shift) {
    if (g_KeyHeld == 0) {
        if (KeyCode == 32) {
            g_Pressed = 1;
            g_Hovered = 1;
            Refresh();
        }
        g_KeyHeld = 1;
    }
    emit KeyDown(KeyCode, Shift);
}

void Button_XP::UserControl_KeyPress(int KeyAscii) {
    emit KeyPress(KeyAscii);
}

void Button_XP::UserControl_KeyUp(int KeyCode, int Shift) {
    QPointer<Button_XP> self(this);
    if (KeyCode == 32) {
        g_Pressed = 0;
        g_Hovered = 0;
        Refresh();
        UserControl_MouseUp(1, Shift, 0, 0);
        if (!self)
            return;
    }
    g_KeyHeld = 0;
    emit KeyUp(KeyCode, Shift);
}

void Button_XP::UserControl_AccessKeyPress(int) {
    QPointer<Button_XP> self(this);
    if (!Enabled())
        return;
    emit Click();
    if (self)
        skipOnError([&] { GoToURL(); });
}

void Button_XP::UserControl_EnterFocus() {
    g_HasFocus = 1;
    Refresh();
}

void Button_XP::UserControl_ExitFocus() {
    g_HasFocus = 0;
    g_Pressed = 0;
    Refresh();
}

void Button_XP::UserControl_AmbientChanged(const QString&) {
    Refresh();
}

void Button_XP::UserControl_Resize() {
    if (m_InResize)
        return;
    m_InResize = true;
    const int minimum = twipsToPixels(150);
    if (width() < 10)
        resize(minimum, height());
    if (height() < 10)
        resize(width(), minimum);
    g_ClientWidth = width();
    g_ClientHeight = height();
    g_FocusRect = {4, 4, width() - 4, height() - 4};
    // A window keeps its rounded outline in every style once it has one; the outline follows
    // the size, or a switch resized in its other look would show square corners.
    const bool outlined = g_ButtonRegion;
    g_ButtonRegion = false;
    if (m_ButtonStyle == 3 || outlined)
        MakeRoundRegion();
    m_InResize = false;
    Refresh();
}

void Button_XP::OverTimer_Timer() {
    bool over = pointerOverControl(this);
    if (over && !mask().isEmpty())
        over = mask().contains(mapFromGlobal(QCursor::pos()));
    if (over)
        return;
    OverTimer.stop();
    g_Hovered = 0;
    g_CurrentPicture = m_Picture;
    QPointer<Button_XP> self(this);
    emit MouseOut(g_LastShift);
    if (!self)
        return;
    Refresh();
    if (g_Pressed == 1) {
        // Shown released while the pointer is away; the press stays armed for its return.
        g_Pressed = 0;
        Refresh();
        g_Pressed = 1;
    }
}

void Button_XP::GoToURL() {
    if (m_URL.left(7) == QLatin1String("mailto:"))
        ShellOpen(window(), m_URL);
    else if (!m_URL.isEmpty())
        NavigateTo(m_URL);
}

void Button_XP::ShellOpen(QWidget*, const QString& address) {
    QDesktopServices::openUrl(QUrl(address));
}

void Button_XP::NavigateTo(const QString& address) {
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

bool Button_XP::PlaySound(const QString&) {
    return false;
}

void Button_XP::SetAccessKey() {
    const QString& c = m_Caption;
    const qsizetype n = c.size();
    QString keys;
    const qsizetype p = c.indexOf(QLatin1Char('&'));
    if (n >= 2 && p >= 0 && p != n - 1) {
        if (c.at(p + 1) != QLatin1Char('&')) {
            keys = c.at(p + 1).toLower();
        } else {
            const qsizetype p2 = c.indexOf(QLatin1Char('&'), p + 2);
            if (p2 >= 0 && p2 != n - 1 && c.at(p2 + 1) != QLatin1Char('&'))
                keys = c.at(p2 + 1).toLower();
        }
    }
    m_AccessKeys = keys;
    if (m_ShortcutId != 0) {
        releaseShortcut(m_ShortcutId);
        m_ShortcutId = 0;
    }
    if (!keys.isEmpty())
        m_ShortcutId = grabShortcut(QKeySequence(QStringLiteral("Alt+") + keys.toUpper()));
}

// ---- Qt events ----

void Button_XP::paintEvent(QPaintEvent*) {
    // The device image exists only off a ratio of 1, so its ratio, or 1 without it, says which
    // screen the faces were last drawn for.
    const qreal drawnFor = m_Device.isNull() ? 1.0 : m_Device.devicePixelRatio();
    if (m_Surface.size() != size() || drawnFor != devicePixelRatioF())
        render();
    QPainter p(this);
    p.drawImage(0, 0, m_Device.isNull() ? m_Surface : m_Device);
}

void Button_XP::resizeEvent(QResizeEvent*) {
    UserControl_Resize();
}

void Button_XP::mousePressEvent(QMouseEvent* e) {
    UserControl_MouseDown(vbButton(e->button()), vbShift(e->modifiers()),
                          static_cast<float>(e->position().x()),
                          static_cast<float>(e->position().y()));
}

void Button_XP::mouseMoveEvent(QMouseEvent* e) {
    UserControl_MouseMove(vbButton(e->buttons()), vbShift(e->modifiers()),
                          static_cast<float>(e->position().x()),
                          static_cast<float>(e->position().y()));
}

void Button_XP::mouseReleaseEvent(QMouseEvent* e) {
    UserControl_MouseUp(vbButton(e->button()), vbShift(e->modifiers()),
                        static_cast<float>(e->position().x()),
                        static_cast<float>(e->position().y()));
}

void Button_XP::mouseDoubleClickEvent(QMouseEvent*) {
    UserControl_DblClick();
}

void Button_XP::keyPressEvent(QKeyEvent* e) {
    QPointer<Button_XP> self(this);
    const int code = vbKeyCode(e->key());
    UserControl_KeyDown(code, vbShift(e->modifiers()));
    if (self && !e->text().isEmpty())
        UserControl_KeyPress(e->text().at(0).unicode());
    if (code != 32)
        e->ignore();
}

void Button_XP::keyReleaseEvent(QKeyEvent* e) {
    // Auto-repeat comes as key presses only; the repeated releases are not real.
    if (e->isAutoRepeat())
        return;
    UserControl_KeyUp(vbKeyCode(e->key()), vbShift(e->modifiers()));
    if (vbKeyCode(e->key()) != 32)
        e->ignore();
}

void Button_XP::focusInEvent(QFocusEvent*) {
    UserControl_EnterFocus();
}

void Button_XP::focusOutEvent(QFocusEvent*) {
    UserControl_ExitFocus();
}

void Button_XP::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange)
        Refresh();
    QWidget::changeEvent(e);
}

bool Button_XP::event(QEvent* e) {
    // A host's handler that throws stops at the control; Qt's event loop must never unwind.
    bool handled = true; // kept when what threw was our handling of the event
    skipOnError([&] {
        const auto* se = e->type() == QEvent::Shortcut ? static_cast<QShortcutEvent*>(e) : nullptr;
        if (se && se->shortcutId() == m_ShortcutId && !m_AccessKeys.isEmpty())
            UserControl_AccessKeyPress(m_AccessKeys.at(0).unicode());
        else
            handled = QWidget::event(e);
    });
    return handled;
}

} // namespace korimo
