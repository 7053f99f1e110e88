#pragma once

#include <QPoint>
#include <QSize>
#include <optional>

namespace korimo {

// The page is modelled at screen resolution; the screen is taken as 96 pixels per inch.
inline constexpr double kScreenPixelsPerInch = 96.0;

// How much smaller the preview page is than the printed one, in screen pixels.
inline constexpr int kPreviewShrinkWidth = 420;
inline constexpr int kPreviewShrinkHeight = 780;

// The printer's unprintable margins in printer pixels.
struct PrinterMargins {
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;
};

// Paper by its PaperSize number (0 custom, 1 A5, 2 A4, 3 A3, 4 B4, 5 B5, 6 Quarto): width and
// height in millimetres; nothing for any other number.
std::optional<QSize> paperMillimetres(long paperSize, int customWidth, int customHeight);
// The printer's paper code for a PaperSize number (256 for a user-defined paper).
std::optional<int> paperCode(long paperSize);

double millimetresToScreenPixels(double millimetres);

// Margins from the printer's physical size, printable size and physical offsets; the far
// margins round ties to even.
PrinterMargins marginsFromDevice(QSize physical, QSize printable, QPoint offset);

// The page box in screen pixels: the paper less a quarter of the margins, and for a preview
// shrunk by a fixed amount. May come out empty or negative for a paper of no size.
QSize pageBoxSize(QSize paperMm, const PrinterMargins& margins, bool forPrinter);

// Where a picture sits on the page for Align = row * 3 + column; (0, 0) outside 0..8.
QPoint picturePosition(long align, QSize page, QSize picture);

// Rounds ties to the even neighbour, as the layout does for the far edge and the far margins.
long roundHalfEven(double value);

} // namespace korimo
