#pragma once

#include <QImage>
#include <QRect>
#include <QString>

namespace korimo::test {

// What the X server shows in that part of the screen, window manager's frames included.
QImage grabScreen(const QRect& area);

// Keeps a screenshot for a person to look at, in the folder named by KORIMO_SCREENSHOTS; does
// nothing when it is not set.
void keepScreenshot(const QImage& shot, const QString& name);

// The columns in which two pictures of the same size differ, as a range [first, last]; first
// is -1 when they are the same. Shows where something drawn over a background lies.
struct ColumnSpan {
    int first = -1;
    int last = -1;
};
ColumnSpan changedColumns(const QImage& a, const QImage& b, int tolerance = 24);

} // namespace korimo::test
