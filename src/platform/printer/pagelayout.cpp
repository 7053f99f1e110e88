#include "printer/pagelayout.h"

#include <cmath>

namespace korimo {

std::optional<QSize> paperMillimetres(long paperSize, int customWidth, int customHeight) {
    switch (paperSize) {
    case 0:
        return QSize(customWidth, customHeight);
    case 1:
        return QSize(148, 210);
    case 2:
        return QSize(210, 297);
    case 3:
        return QSize(297, 420);
    case 4:
        return QSize(250, 354);
    case 5:
        return QSize(182, 257);
    case 6:
        return QSize(215, 275);
    default:
        return std::nullopt;
    }
}

std::optional<int> paperCode(long paperSize) {
    static constexpr int codes[] = {256, 11, 9, 8, 12, 13, 15};
    if (paperSize < 0 || paperSize > 6)
        return std::nullopt;
    return codes[paperSize];
}

double millimetresToScreenPixels(double millimetres) {
    return millimetres / 25.4 * kScreenPixelsPerInch;
}

// The default floating-point rounding mode is to nearest, ties to even.
long roundHalfEven(double value) {
    return std::lrint(value);
}

PrinterMargins marginsFromDevice(QSize physical, QSize printable, QPoint offset) {
    PrinterMargins m;
    m.top = offset.y();
    m.bottom = roundHalfEven(double(physical.height()) - (double(printable.height()) + m.top));
    m.left = offset.x();
    m.right = roundHalfEven(double(physical.width()) - (double(printable.width()) + m.left));
    return m;
}

QSize pageBoxSize(QSize paperMm, const PrinterMargins& margins, bool forPrinter) {
    const double w =
        millimetresToScreenPixels(paperMm.width()) - double(margins.right + margins.left) / 4.0;
    const double h =
        millimetresToScreenPixels(paperMm.height()) - double(margins.bottom + margins.top) / 4.0;
    QSize page(int(std::lround(w)), int(std::lround(h)));
    if (!forPrinter)
        page -= QSize(kPreviewShrinkWidth, kPreviewShrinkHeight);
    return page;
}

QPoint picturePosition(long align, QSize page, QSize picture) {
    if (align < 0 || align > 8)
        return {0, 0};
    const double dW = double(page.width()) - picture.width();
    const double dH = double(page.height()) - picture.height();
    auto place = [](long step, double room) -> long {
        switch (step) {
        case 1:
            return long(std::floor(room / 2.0));
        case 2:
            return roundHalfEven(room);
        default:
            return 0;
        }
    };
    return {int(place(align % 3, dW)), int(place(align / 3, dH))};
}

} // namespace korimo
