#pragma once

#include <QImage>
#include <QWidget>

namespace korimo {

// A black box that shows a picture at its own size from the top-left corner; with AutoSize on
// the box takes the size of the picture it holds.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    QImage Picture() const { return m_picture; }
    void setPicture(const QImage& picture);
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);

signals:
    void MouseDown(int Button, int Shift, float X, float Y);
    // Raised when AutoSize gives the box a new size, also while it is hidden.
    void Resize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void followPicture();

    QImage m_picture;
    bool m_autoSize = false;
};

} // namespace korimo
