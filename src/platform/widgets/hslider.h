#pragma once

#include <QWidget>

namespace korimo {

// The horizontal position slider: a 32-bit value from 0 to Max, a selection band drawn under
// the track, arrow keys that move by one step. Change follows every new value; Scroll only the
// user's own moves (mouse or keys).
class HSlider : public QWidget {
    Q_OBJECT
public:
    explicit HSlider(QWidget* parent = nullptr);

    int Value() const { return m_value; }
    void setValue(int value);
    int Max() const { return m_max; }
    void setMax(int max);
    int SelStart() const { return m_selStart; }
    void setSelStart(int start);
    int sellength() const { return m_selLength; }
    void setsellength(int length);
    int SmallChange() const { return m_smallChange; }
    void setSmallChange(int step) { m_smallChange = step > 0 ? step : 1; }

    QSize sizeHint() const override { return {120, 21}; }

signals:
    void Change();
    void Scroll();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRect trackRect() const;
    int valueAt(int x) const;
    int xFor(int value) const;
    void userMove(int value);

    int m_value = 0;
    int m_max = 10;
    int m_selStart = 0;
    int m_selLength = 0;
    int m_smallChange = 1;
    bool m_dragging = false;
};

} // namespace korimo
