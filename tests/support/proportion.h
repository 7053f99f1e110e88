#pragma once

#include <QRect>
#include <cmath>
#include <gtest/gtest.h>

namespace korimo::test {

// Each edge of `now` sits within half a pixel of where `design`, placed on an area of size
// `from`, falls on an area of size `to`.
inline ::testing::AssertionResult inProportion(const QRect& now, const QRect& design, QSize from,
                                               QSize to) {
    const double sx = double(to.width()) / from.width();
    const double sy = double(to.height()) / from.height();
    const double edges[4][2] = {
        {double(now.x()), design.x() * sx},
        {double(now.y()), design.y() * sy},
        {double(now.x() + now.width()), (design.x() + design.width()) * sx},
        {double(now.y() + now.height()), (design.y() + design.height()) * sy}};
    for (const auto& e : edges)
        if (std::abs(e[0] - e[1]) > 0.5)
            return ::testing::AssertionFailure() << "edge at " << e[0] << ", wanted " << e[1];
    return ::testing::AssertionSuccess();
}

} // namespace korimo::test
