#pragma once

#include <QImage>
#include <QWidget>

namespace korimo {

// A window's skin: paints its picture over the whole panel, holds the window's controls and
// reports presses and moves on the bare skin.
class Elastic : public QWidget {
    Q_OBJECT
    // What the skin shows, at the panel's size: controls that draw a transparent background copy
    // their part of it.
    Q_PROPERTY(QImage Picture READ shownPicture)
public:
    explicit Elastic(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    QImage shownPicture() const;
    // Only whether a picture box sizes the window; 0 lets it, 7 holds the layout.
    int LayoutMode() const { return m_layoutMode; }
    void setLayoutMode(int mode) { m_layoutMode = mode; }

    // A generated dark, rounded skin of the given size, for windows without a picture of their own.
    static QImage darkSkin(QSize size, QColor accent = QColor(0x40, 0x00, 0x00));

signals:
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    int m_layoutMode = 7;
};

} // namespace korimo
