#include "screenpixels.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdlib>

namespace korimo::test {

QImage grabScreen(const QRect& area) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

void keepScreenshot(const QImage& shot, const QString& name) {
    const QString dir = qEnvironmentVariable("KORIMO_SCREENSHOTS");
    if (dir.isEmpty() || shot.isNull())
        return;
    QDir().mkpath(dir);
    shot.save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

ColumnSpan changedColumns(const QImage& a, const QImage& b, int tolerance) {
    ColumnSpan span;
    if (a.size() != b.size())
        return span;
    for (int x = 0; x < a.width(); ++x) {
        for (int y = 0; y < a.height(); ++y) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance ||
                std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance) {
                if (span.first < 0)
                    span.first = x;
                span.last = x;
                break;
            }
        }
    }
    return span;
}

} // namespace korimo::test
