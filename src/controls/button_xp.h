#pragma once

#include "controls/picture.h"
#include "draw/gdi.h"
#include "draw/olecolor.h"
#include "forms/propertybag.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace korimo {

// The caption font with a change notification: every attribute written raises FontChanged,
// whether or not it differs.
class StdFont {
public:
    const QFont& font() const { return m_font; }
    void setName(const QString& name);
    void setSize(double points);
    void setBold(bool on);
    void setItalic(bool on);
    void setUnderline(bool on);
    void setStrikethrough(bool on);
    // Replaces the whole font without notifications (creation and loading).
    void assign(const QFont& font) { m_font = font; }
    std::function<void()> FontChanged;

private:
    void changed();
    QFont m_font;
};

// The owner-drawn XP-look push button. Properties persist in a PropertyBag under keys named
// like the properties; the face is drawn into a persistent image that the widget paints from.
class Button_XP : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kVersion = "030102-15";

    explicit Button_XP(QWidget* parent = nullptr);
    ~Button_XP() override;

    void Refresh();

    bool Enabled() const;
    void setEnabled(bool on);
    QFont Font() const;
    void setFont(const QFont& font);
    // Qt widgets are windows without a handle of their own; the widget's identity stands in.
    quintptr hwnd() const { return reinterpret_cast<quintptr>(this); }
    int MousePointer() const { return m_MousePointer; }
    // Throws std::overflow_error for a value outside the 16-bit range, before anything changes.
    void setMousePointer(int pointer);
    Picture MouseIcon() const { return m_MouseIcon; }
    void setMouseIcon(const Picture& icon);
    bool ShowFocusRect() const { return m_ShowFocusRect; }
    void setShowFocusRect(bool on);
    void GoToURL();
    QString URL() const { return m_URL; }
    void setURL(const QString& url);
    QString Caption() const { return m_Caption; }
    void setCaption(const QString& caption);
    int ButtonStyle() const { return m_ButtonStyle; }
    void setButtonStyle(int style);
    int PicturePosition() const { return m_PicturePosition; }
    void setPicturePosition(int position);
    Picture picture() const { return g_CurrentPicture; }
    void setPicture(const Picture& picture);
    int PictureWidth() const { return m_PictureWidth; }
    void setPictureWidth(int width);
    int PictureHeight() const { return m_PictureHeight; }
    void setPictureHeight(int height);
    int PictureSize() const { return m_PictureSize; }
    void setPictureSize(int size);
    Picture PictureHover() const { return m_PictureHover; }
    void setPictureHover(const Picture& picture);
    OleColor XPColor_Pressed() const { return m_XPColor_Pressed; }
    void setXPColor_Pressed(OleColor colour);
    OleColor XPColor_Hover() const { return m_XPColor_Hover; }
    void setXPColor_Hover(OleColor colour);
    bool XPDefaultColors() const { return m_XPDefaultColors; }
    void setXPDefaultColors(bool on);
    OleColor BackColor() const { return m_BackColor; }
    void setBackColor(OleColor colour);
    OleColor ForeColor() const { return m_ForeColor; }
    void setForeColor(OleColor colour);
    QVariant SoundOver() const { return m_SoundOver; }
    void setSoundOver(const QVariant& path);
    QString SoundClick() const { return m_SoundClick; }
    void setSoundClick(const QString& path);
    QString version() const { return QString::fromLatin1(kVersion); }
    void setversion(const QString&) {}
    bool DefCurHand() const { return m_DefCurHand; }
    void setDefCurHand(bool on);
    bool XPShowBorderAlways() const { return m_XPShowBorderAlways; }
    void setXPShowBorderAlways(bool on);
    OleColor MaskColor() const { return m_MaskColor; }
    void setMaskColor(OleColor colour);
    bool TransparentBG() const { return m_TransparentBG; }
    void setTransparentBG(bool on);
    std::int16_t BEVEL() const { return m_BEVEL; }
    void setBEVEL(std::int16_t bevel);
    std::int16_t BEVELDEPTH() const { return m_BEVELDEPTH; }
    void setBEVELDEPTH(std::int16_t depth);

    // What the container tells the control: whether it is the window's default button, and
    // whether the window runs (user mode) or is being designed.
    bool Default() const { return m_Default; }
    void setDefault(bool on);
    bool AmbientUserMode() const { return m_UserMode; }
    void setAmbientUserMode(bool on);

    void UserControl_InitProperties();
    void UserControl_ReadProperties(const PropertyBag& bag);
    void UserControl_WriteProperties(PropertyBag& bag) const;

    // The keys of the access-key list derived from Caption ("" when none).
    QString AccessKeys() const { return m_AccessKeys; }
    // The persistent image, one pixel per design pixel.
    const QImage& surface() const { return m_Surface; }
    // What the window is painted from on a screen of another pixel ratio: the persistent image
    // with each design pixel a block of device pixels and the caption drawn at full resolution;
    // null at a ratio of 1.
    const QImage& deviceSurface() const { return m_Device; }
    bool isHovered() const { return g_Hovered != 0; }
    bool isPressed() const { return g_Pressed != 0; }
    bool hasFocusFlag() const { return g_HasFocus != 0; }
    gdi::Rect focusRect() const { return g_FocusRect; }
    gdi::Rect textRect() const { return g_TextRect; }
    gdi::Rect pictureRect() const { return g_PictureRect; }
    bool hoverTimerActive() const { return OverTimer.isActive(); }

signals:
    void Click();
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    void MouseIn(int Shift);
    void MouseOut(int Shift);
    void PropertyChanged(const QString& name);

protected:
    // The two ways an address leaves the button; tests tell them apart.
    virtual void ShellOpen(QWidget* form, const QString& address);
    virtual void NavigateTo(const QString& address);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

public:
    // The host's calls, public so that hosts and tests can drive the control as designed.
    void UserControl_MouseDown(int Button, int Shift, float X, float Y);
    void UserControl_MouseMove(int Button, int Shift, float X, float Y);
    void UserControl_MouseUp(int Button, int Shift, float X, float Y);
    void UserControl_DblClick();
    void UserControl_KeyDown(int KeyCode, int Shift);
    void UserControl_KeyPress(int KeyAscii);
    void UserControl_KeyUp(int KeyCode, int Shift);
    void UserControl_AccessKeyPress(int KeyAscii);
    void UserControl_EnterFocus();
    void UserControl_ExitFocus();
    void UserControl_AmbientChanged(const QString& PropertyName);
    void UserControl_Resize();
    void OverTimer_Timer();

private:
    void announce(const char* name) { emit PropertyChanged(QString::fromLatin1(name)); }
    void g_Font_FontChanged();
    QString displayName() const;
    QFont ambientFont() const;
    void setSurfaceBackColor(OleColor colour);
    void setSurfaceFont(const QFont& font);
    void applyMousePointer();
    void SetAccessKey();
    bool PlaySound(const QString& path);
    bool pointInside(float X, float Y) const;

    // Face drawing.
    void render();
    void ensureSurface();
    void blowUpForDevice();
    void DrawRect(QImage& dc, int left, int top, int right, int bottom, OleColor colour, int fill);
    void DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour);
    void PaintBackground();
    void CopyParentBackground();
    void DrawBorder();
    enum class Edge { Raised, Sunken };
    void drawEdge(Edge edge);
    void DrawBevelRaised(std::uint32_t colour, int bevel, int depth);
    void DrawBevelSunken(std::uint32_t colour, int bevel, int depth);
    void drawBevel(std::uint32_t colour, int bevel, int depth, Edge edge);
    void DrawDefaultFrame();
    void DrawXPButton(int state, int hover);
    void MakeRoundRegion();
    void CalcLayout();
    void CalcTextRect();
    void DrawPicture();
    void DrawBitmapPicture(int normal, const gdi::Rect& r, int shadow);
    void DrawIconPicture(int normal, const gdi::Rect& r, int shadow);
    void DrawCaption();

    // Stored properties.
    QString m_Caption;
    int m_PicturePosition = 1;
    int m_ButtonStyle = 2;
    Picture m_Picture;
    Picture m_PictureHover;
    int m_PictureWidth = 32;
    int m_PictureHeight = 32;
    int m_PictureSize = 1;
    int m_OriginalPicSizeW = 32;
    int m_OriginalPicSizeH = 32;
    QString m_URL;
    bool m_ShowFocusRect = true;
    std::int16_t m_BEVEL = 1;
    std::int16_t m_BEVELDEPTH = 8;
    bool m_TransparentBG = false;
    OleColor m_MaskColor = 0;
    bool m_XPShowBorderAlways = false;
    bool m_DefCurHand = false;
    QString m_SoundOver;
    QString m_SoundClick;
    OleColor m_ForeColor = kSysButtonText;
    OleColor m_BackColor = kSysButtonFace;
    bool m_XPDefaultColors = true;
    OleColor m_XPColor_Pressed = kSys3DHighlight;
    OleColor m_XPColor_Hover = kSys3DLight;

    // The drawing surface.
    QImage m_Surface;
    QImage m_Device;
    OleColor m_SurfaceBackColor = kSysButtonFace;
    OleColor m_SurfaceForeColor = kSysButtonText;
    int m_MousePointer = 0;
    Picture m_MouseIcon;
    QString m_AccessKeys;
    bool m_Default = false;
    bool m_UserMode = true;
    bool m_InResize = false;
    int m_ShortcutId = 0;

    // State shared by input and drawing.
    StdFont g_Font;
    Picture g_CurrentPicture;
    int g_HasFocus = 0;
    int g_Pressed = 0;
    int g_Hovered = 0;
    int g_KeyHeld = 0;
    int g_LastButton = 0;
    int g_LastShift = 0;
    float g_LastX = 0;
    float g_LastY = 0;
    int g_ClientWidth = 0;
    int g_ClientHeight = 0;
    gdi::Rect g_FocusRect;
    bool g_ButtonRegion = false;
    gdi::Rect g_OuterRect;
    gdi::Rect g_InnerRect;
    gdi::Rect g_PictureRect;
    gdi::Rect g_TextRect;
    gdi::TextParams g_TextParams;
    QTimer OverTimer;
};

// The transparent copy the picture routines share: src's pixels of colour tc are left out and
// bg shows through; the result lands on dst at (x, y).
void DrawTransparent(QImage& dst, const QImage& bg, const QImage& src, int sL, int sT, int sR,
                     int sB, int x, int y, std::uint32_t tc);

} // namespace korimo
