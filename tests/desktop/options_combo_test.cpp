#include "app/main_form.h"
#include "app/options.h"
#include "app/vidbas.h"
#include "noprinter.h"
#include "screenpixels.h"
#include "support/testenv.h"
#include "support/waiting.h"
#include "widgets/indextab.h"
#include "windowsystem.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPointer>
#include <QTabBar>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

bool near(QRgb pixel, QColor colour, int tolerance = 12) {
    return std::abs(qRed(pixel) - colour.red()) <= tolerance &&
           std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
           std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

} // namespace

// The open list of "Align Graphic" as the screen shows it: the blue of the closed box with
// white names on it, not the grey of a menu.
TEST(OptionsDialog, TheOpenAlignListIsBlueWithWhiteNames) {
    ASSERT_TRUE(kNoPrinter);
    VidBAS::ResetState();
    ScopedSettingsFile settings;
    Main main;
    QPointer<Options> dlg = new Options(&main);
    dlg->Show(0, &main);
    ASSERT_TRUE(waitUntilActive(dlg));

    QTabBar* bar = dlg->IndexTab1->tabBar();
    ASSERT_TRUE(clickAt(screenRect(bar).topLeft() + bar->tabRect(4).center()));
    ASSERT_TRUE(waitFor([&] { return dlg->cmbAlign->isVisible(); }, 10000));
    ASSERT_TRUE(clickAt(screenRect(dlg->cmbAlign).center()));
    QAbstractItemView* list = dlg->cmbAlign->view();
    ASSERT_TRUE(waitFor([&] { return list->window()->isVisible(); }, 10000));
    pumpFor(400);

    // The names' area of the open list, as the window system shows it.
    QWidget* port = list->viewport();
    const QRect area = screenRect(port);
    const QImage shot = grabScreen(area);
    keepScreenshot(grabScreen(area.adjusted(-30, -60, 30, 30)),
                   QStringLiteral("options-align-list-open"));
    const QColor blue(0x1E, 0x7C, 0xBB);
    int blueCount = 0;
    int whiteCount = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            blueCount += near(shot.pixel(x, y), blue);
            whiteCount += near(shot.pixel(x, y), Qt::white, 30);
        }
    }
    const int all = shot.width() * shot.height();
    ASSERT_GT(all, 0);
    // Mostly background, the rest names: a chosen name may sit on the highlight colour.
    EXPECT_GT(blueCount, all / 2) << blueCount << " of " << all;
    EXPECT_GT(whiteCount, all / 50) << whiteCount << " of " << all;

    ASSERT_TRUE(xdotool({"key", "Escape"}));
    EXPECT_TRUE(waitFor([&] { return !list->window()->isVisible(); }, 10000));
    dlg->Unload();
}
