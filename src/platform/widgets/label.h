#pragma once

#include "draw/olecolor.h"

#include <QLabel>

namespace korimo {

// A window label that raises the designed events (Click, MouseDown, MouseMove) and takes its
// text colour as an OLE colour.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }
    OleColor ForeColor() const { return m_foreColor; }
    void setForeColor(OleColor colour);
    // Label Alignment: 0 left, 1 right, 2 centre.
    void setAlignment(int alignment);

signals:
    void Click();
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    OleColor m_foreColor = kSysButtonText;
    bool m_pressed = false;
};

} // namespace korimo
