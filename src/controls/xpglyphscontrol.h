#pragma once

#include <QImage>
#include <QPointer>
#include <QVariant>
#include <QWidget>

class QLabel;
class QTimer;

namespace korimo {

class PropertyBag;

// The glyph part: paints its picture unscaled from the top-left corner, the same whether the
// control is enabled or not (the disabled look is a picture of its own).
class GlyphPicture : public QWidget {
public:
    using QWidget::QWidget;
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

// What the check box and the option button share: a glyph part `p` and a caption part `lbl`,
// looks chosen by an index into the control's own pictures, the press / move / release rules,
// key events that change nothing, and the 10 ms hover watch.
class XpGlyphControl : public QWidget {
    Q_OBJECT
public:
    explicit XpGlyphControl(QWidget* parent = nullptr);

    // The control's own state; a disabled container does not change it.
    bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
    void setEnabled(bool on);
    QString Caption() const;
    void setCaption(const QString& caption);

    // The picture index now shown (-1 before any), and the picture itself.
    int shownGlyph() const { return m_shown; }
    QImage shownPicture() const { return m_p->picture(); }
    bool hoverWatchRunning() const;

    QWidget* glyphPart() const;
    QLabel* captionPart() const { return m_lbl; }

    // `a \ 2` of the layouts: the difference rounded (halves to even), then halved toward zero.
    static int halfOfDifference(double a, double b);
    // The glyph box's Top in twips: 240 twips high, centred in a control this high.
    static int glyphTopTwips(double controlHeightTwips);
    // A stored property of the instance; its key matches whatever its case.
    static QVariant readStored(const PropertyBag& bag, const QString& key,
                               const QVariant& fallback);

signals:
    void Click();
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void MouseOut();
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    // The instance's stored properties changed and need saving with the host window.
    void PropertyChanged(const QString& name);

protected:
    // The picture index for a look of the current value, or -1 to keep what is shown.
    virtual int glyphIndex(int look) const = 0;
    virtual QImage glyphPicture(int index) const = 0;
    virtual void UserControl_Click() = 0;
    virtual void layoutParts() = 0;
    // Runs after the enabled state and the glyph changed.
    virtual void enabledApplied() {}
    // X and Y a move over the glyph part reports; the check box passes the pointer's.
    virtual QPointF glyphMovePosition(const QPointF& pointer) const { return pointer; }

    void DrawNormal();
    void DrawDisabled();
    // The look's picture of the current value, shown only while enabled.
    void showLook(int look);

    void UserControl_MouseDown(int Button, int Shift, float X, float Y);
    void UserControl_MouseMove(int Button, int Shift, float X, float Y);
    void UserControl_MouseUp(int Button, int Shift, float X, float Y);
    void Timer1_Timer();

    void setCaptionColour(const QColor& colour);
    // Control height and the label's height, in twips.
    double scaleHeightTwips() const;
    double captionHeightTwips() const;
    // The glyph box at the left edge, centred; the caption where the control puts it.
    void placeParts(int captionLeftTwips, int captionTopTwips);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    GlyphPicture* m_p = nullptr;
    QLabel* m_lbl = nullptr;
    QTimer* m_timer = nullptr;

private:
    bool filterPartEvent(QObject* watched, QEvent* event);
    void press(QWidget* part, QMouseEvent* event);
    void release(QWidget* part, QMouseEvent* event);
    void showGlyph(int index);

    int m_shown = -1;
    QPointer<QWidget> m_pressedPart;
};

} // namespace korimo
