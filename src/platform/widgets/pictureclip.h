#pragma once

#include <QImage>

namespace korimo {

// A strip image cut into equal cells, numbered row by row from the top left.
class PictureClip {
public:
    PictureClip() = default;
    PictureClip(const QImage& picture, int rows, int cols);

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
