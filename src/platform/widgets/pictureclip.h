#pragma once

#include <QImage>

namespace korimo {

// A strip image cut into equal cells, numbered row by row from the top left.
class PictureClip {
public:
    PictureClip() = default;
    PictureClip(const QImage& picture, int rows, int cols);

    void setPicture(const QImage& picture);
    const QImage& Picture() const { return m_picture; }
    int Rows() const { return m_rows; }
    void setRows(int rows) { m_rows = rows > 0 ? rows : 1; }
    int Cols() const { return m_cols; }
    void setCols(int cols) { m_cols = cols > 0 ? cols : 1; }

    int CellWidth() const { return m_picture.width() / m_cols; }
    int CellHeight() const { return m_picture.height() / m_rows; }

    // The picture of cell index; a null image for an index outside the strip.
    QImage GraphicCell(int index) const;

private:
    QImage m_picture;
    int m_rows = 1;
    int m_cols = 1;
};

} // namespace korimo
