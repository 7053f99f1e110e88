#include "widgets/pictureclip.h"

#include <algorithm>

namespace korimo {

PictureClip::PictureClip(const QImage& picture, int rows, int cols)
    : m_picture(picture), m_rows(std::max(rows, 1)), m_cols(std::max(cols, 1)) {}

QImage PictureClip::GraphicCell(int index) const {
    if (m_picture.isNull() || index < 0 || index >= m_rows * m_cols)
        return {};
    const int w = CellWidth();
    const int h = CellHeight();
    if (w <= 0 || h <= 0)
        return {};
    return m_picture.copy((index % m_cols) * w, (index / m_cols) * h, w, h);
}

} // namespace korimo
