#include "screenpixels.h"
#include "windowsystem.h"

#include "app/main_form.h"
#include "app/options.h"
#include "controls/button_place.h"
#include "controls/button_xp.h"
#include "support/testenv.h"
#include "support/waiting.h"

#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

constexpr int kScale = 2;
const char* const kChild = "KORIMO_SCALED_CHILD";

// The screen's own pixels in that area, read from the X server without Qt's scaling.
QImage devicePixels(const QRect& area) {
    QProcess import;
    import.start(QStringLiteral("import"),
                 {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                  QStringLiteral("%1x%2+%3+%4")
                      .arg(area.width())
                      .arg(area.height())
                      .arg(area.x())
                      .arg(area.y()),
                  QStringLiteral("+repage"), QStringLiteral("png:-")});
    if (!import.waitForFinished(20000))
        return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

// Where the button lies on the screen in device pixels.
QRect deviceRect(const Button_XP* b) {
    const QRect client = clientGeometry(xwindow(b)); // the X server counts device pixels
    return QRect(client.topLeft() + b->mapTo(b->window(), QPoint(0, 0)) * kScale,
                 b->size() * kScale);
}

struct Blocks {
    int outsideWrong = 0;   // design pixels outside the caption not shown as one exact block
    int splitInCaption = 0; // 2 x 2 blocks in the caption holding more than one colour
    int firstWrongX = -1, firstWrongY = -1;
};

// Compares what the screen shows of the button with its design-pixel image: outside the
// caption every design pixel is a uniform block of its own colour; inside, the text may be finer.
Blocks readBlocks(const Button_XP* b, const QImage& shot) {
    Blocks out;
    const gdi::Rect t = b->textRect();
    const QRect caption(t.left, t.top, t.width(), t.height());
    const QRegion outline = b->mask().isEmpty() ? QRegion(b->rect()) : b->mask();
    for (int y = 0; y < b->height(); ++y)
        for (int x = 0; x < b->width(); ++x) {
            if (!outline.contains(QPoint(x, y)))
                continue;
            const QRgb a = shot.pixel(kScale * x, kScale * y);
            bool uniform = true;
            for (int j = 0; j < kScale; ++j)
                for (int i = 0; i < kScale; ++i)
                    uniform = uniform && shot.pixel(kScale * x + i, kScale * y + j) == a;
            if (caption.contains(QPoint(x, y))) {
                out.splitInCaption += !uniform;
            } else if (!uniform || a != gdi::toQRgb(gdi::pixel(b->surface(), x, y))) {
                if (out.outsideWrong++ == 0) {
                    out.firstWrongX = x;
                    out.firstWrongY = y;
                }
            }
        }
    return out;
}

void expectSharp(const Button_XP* b, const char* what) {
    ASSERT_TRUE(waitFor([&] { return b->isVisible(); }));
    pumpFor(300);
    const QImage shot = devicePixels(deviceRect(b));
    ASSERT_EQ(shot.size(), b->size() * kScale) << what;
    keepScreenshot(shot, QStringLiteral("sharp-%1").arg(QLatin1String(what)));
    const Blocks r = readBlocks(b, shot);
    EXPECT_EQ(r.outsideWrong, 0) << what << ": a design line is not an exact block, first at "
                                 << r.firstWrongX << "," << r.firstWrongY;
    // Glyph edges at the device's own pixels: a caption drawn once and doubled has none.
    EXPECT_GT(r.splitInCaption, 4) << what << ": the caption is pixel-doubled";
}

} // namespace

// At twice the scale the push buttons keep every design line as a block of device pixels and
// draw their captions at the screen's own resolution. Qt takes the scale when it starts, so the
// test runs itself again in a program of its own on a desktop of its own.
TEST(SharpAtTwiceTheScale, CaptionsAtDeviceResolutionFacesInBlocks) {
    if (!qEnvironmentVariableIsSet(kChild)) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChild), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(kScale));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QGuiApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=SharpAtTwiceTheScale.*")});
        ASSERT_TRUE(child.waitForFinished(150000));
        const QString log = QString::fromLocal8Bit(child.readAll());
        EXPECT_EQ(child.exitCode(), 0) << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("[  PASSED  ] 1 test"))) << log.toStdString();
        return;
    }
    ASSERT_EQ(qRound(qGuiApp->devicePixelRatio()), kScale);
    ScopedSettingsFile settings;
    // The options dialog fits the test screen at this scale; its buttons are bold white on blue.
    Main main;
    QPointer<Options> dlg = new Options(&main);
    dlg->Show(0, nullptr);
    ASSERT_TRUE(waitUntilManaged(dlg));
    expectSharp(dlg->Cmds[0], "options-save");

    // The main window's look, in every face style, on a window of its own.
    QWidget window;
    window.resize(420, 80);
    QList<Button_XP*> buttons;
    for (int style = 0; style < 4; ++style) {
        ButtonDesign d;
        d.geometry = QRect(10 + 100 * style, 20, 90, 29);
        d.caption = QStringLiteral("Load Video");
        d.style = style;
        d.backColor = style == 3 ? 0x00000040 : 0x00404040;
        buttons << placeButton(&window, d);
    }
    window.show();
    ASSERT_TRUE(waitUntilManaged(&window));
    for (Button_XP* b : buttons)
        expectSharp(b, qPrintable(QStringLiteral("style-%1").arg(b->ButtonStyle())));
    dlg->Unload();
}
