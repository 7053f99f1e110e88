#pragma once

#include <QBrush>
#include <QHash>
#include <QImage>
#include <QWidget>

namespace korimo {

// Where a control placed at `place` on a skin of size `from` goes when the skin takes size `to`:
// each edge keeps its share of the skin, so controls that touch keep touching.
QRect elasticPlace(const QRect& place, QSize from, QSize to);

// A window's skin: paints its picture over the whole panel, holds the window's controls, keeps
// them in proportion when the window is sized away from the size they were placed for, and
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
    // 7 holds the layout: a size change scales the places of the controls the skin holds. 0
    // releases it: the controls stay put, so a picture box can size the window; going back to 7
    // takes the size and places of that moment as the base the next size change scales from.
    int LayoutMode() const { return m_layoutMode; }
    void setLayoutMode(int mode);
    // The size the controls' base places belong to; invalid until the skin is first laid out.
    QSize baseSize() const { return m_base; }

    // A picture of that size shaded from top to bottom through the stops; the skins start here.
    static QImage shadedSkin(QSize size, const QGradientStops& stops);
    // A generated dark, rounded skin of the given size, for windows without a picture of their own.
    static QImage darkSkin(QSize size, QColor accent = QColor(0x40, 0x00, 0x00));

signals:
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    struct Place {
        QRect base;    // at m_base, never rounded through a scaled size
        QRect applied; // where the last layout put it
    };
    QList<QWidget*> controls() const;
    void takeBase();
    void scaleControls();

    QImage m_picture;
    int m_layoutMode = 7;
    QSize m_base;
    QSize m_laidOut;
    QHash<const QObject*, Place> m_places;
};

} // namespace korimo
