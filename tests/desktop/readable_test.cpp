#include "capturedesk.h"
#include "noprinter.h"
#include "screenpixels.h"

#include "app/errfrm.h"
#include "app/options.h"
#include "app/urlfrm.h"
#include "app/videolist.h"
#include "support/testenv.h"
#include "viewers/resizedialog.h"
#include "widgets/indextab.h"
#include "widgets/label.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

using namespace korimo;
using namespace korimo::test;

namespace {

// Relative luminance and contrast ratio as the web's accessibility guidelines define them.
double luminance(QRgb c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double contrast(QRgb a, QRgb b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What the screen shows in that area once the program has painted what it has to paint and two
// grabs a moment apart agree.
QImage settledGrab(const QRect& area) {
    QCoreApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->repaint();
    QImage last;
    QImage now = grabScreen(area);
    waitFor(
        [&] {
            last = now;
            pumpFor(50);
            now = grabScreen(area);
            return now == last;
        },
        5000);
    return now;
}

struct Reading {
    double worst = 0;  // lowest contrast between the text colour and a pixel behind the text
    int inkPixels = 0; // pixels the text changes on the screen
};

// Grabs `area` with the text and with the text taken away; the pixels the text changes, and
// those next to them, are the ones behind it.
Reading readText(const QRect& area, QRgb colour, const std::function<void()>& takeAway,
                 const std::function<void()>& putBack) {
    const QImage with = settledGrab(area);
    takeAway();
    const QImage bare = settledGrab(area);
    putBack();
    Reading r;
    r.worst = 21;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x) {
            if (with.pixel(x, y) == bare.pixel(x, y))
                continue;
            ++r.inkPixels;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (bare.valid(x + dx, y + dy))
                        r.worst = std::min(r.worst, contrast(colour, bare.pixel(x + dx, y + dy)));
        }
    settledGrab(area);
    if (r.inkPixels == 0)
        keepScreenshot(with, QStringLiteral("unread-%1-%2").arg(area.x()).arg(area.y()));
    return r;
}

// The part of a widget the user sees, on the screen.
QRect shownArea(const QWidget* w) {
    const QRect seen = w->visibleRegion().boundingRect();
    return seen.translated(screenRect(w).topLeft());
}

QRgb textColour(const QLabel* l) {
    const auto group = l->isEnabled() ? QPalette::Active : QPalette::Disabled;
    return l->palette().color(group, l->foregroundRole()).rgb();
}

// Every label of the window that shows a text stands out from the skin behind it.
void expectLabelsReadable(QWidget* window, const QString& where) {
    ASSERT_TRUE(waitUntilManaged(window)) << where.toStdString();
    // A window the program still places (the tool window follows its viewer) is read once it
    // stays put.
    QRect placed = clientGeometry(xwindow(window));
    ASSERT_TRUE(waitFor([&] {
        pumpFor(200);
        const QRect now = clientGeometry(xwindow(window));
        return std::exchange(placed, now) == now;
    }));
    int checked = 0;
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->isVisible() || l->text().isEmpty() || l->visibleRegion().isEmpty())
            continue;
        const QString text = l->text();
        const Reading r = readText(
            shownArea(l), textColour(l), [&] { l->setText(QString()); }, [&] { l->setText(text); });
        ++checked;
        EXPECT_GT(r.inkPixels, 0) << where.toStdString() << ": \"" << text.toStdString()
                                  << "\" is not drawn";
        EXPECT_GE(r.worst, 4.5) << where.toStdString() << ": \"" << text.toStdString()
                                << "\" stands out only " << r.worst << " : 1";
    }
    EXPECT_GT(checked, 0) << where.toStdString();
    keepScreenshot(grabScreen(frameGeometry(xwindow(window))), where);
}

class ReadableTest : public CaptureDeskTest {
protected:
    void SetUp() override {
        CaptureDeskTest::SetUp();
        // Nothing of the program changes a text while it is read, and the pointer hovers nothing.
        for (QTimer* t : {&main.Timer1, &main.Timer2, &main.Timer3, &main.Timer4})
            t->stop();
        ASSERT_TRUE(moveTo(QPoint(0, 0)));
    }
};

} // namespace

// The main window's texts, the status line and the download notices included.
TEST_F(ReadableTest, MainWindowTexts) {
    main.LblHide->setCaption(QStringLiteral("Capture video frame to graphic"));
    main.lbldl->show();
    main.Label3->show();
    expectLabelsReadable(&main, QStringLiteral("readable-main"));
}

// Every tab of the options dialog: the white headings on their band, the blue and dark blue notes
// and the black texts beside the boxes on the page.
TEST_F(ReadableTest, EveryOptionsTab) {
    ASSERT_TRUE(kNoPrinter);
    QPointer<Options> dlg = new Options(&main);
    dlg->Show(0, &main);
    for (int tab = 0; tab < dlg->IndexTab1->TabCount(); ++tab) {
        dlg->IndexTab1->setCurrentTab(tab);
        expectLabelsReadable(dlg, QStringLiteral("readable-options-tab%1").arg(tab));
    }
    dlg->Unload();
}

TEST_F(ReadableTest, MessageWindow) {
    VidBAS::g_OfferDontShow = true;
    QPointer<ErrFrm> frm = new ErrFrm;
    frm->Load();
    frm->ErrTitle->setText(QStringLiteral("Error!"));
    frm->Label1->setText(QStringLiteral("Frame advance not supported by this format."));
    frm->Show(0, &main);
    expectLabelsReadable(frm, QStringLiteral("readable-message"));
    frm->Unload();
    VidBAS::g_OfferDontShow = false;
}

// The small windows: the address dialog with an address typed, the video list with a name, the
// tool window and the resize dialog.
TEST_F(ReadableTest, AddressListToolAndResizeWindows) {
    QPointer<URLFrm> url = new URLFrm(&main);
    url->Show(0, &main);
    expectLabelsReadable(url, QStringLiteral("readable-address"));
    QLineEdit* field = url->edtURL;
    field->setText(QStringLiteral("http://example.org/clip.mpg"));
    // Without its blinking text cursor.
    field->setReadOnly(true);
    const Reading typed = readText(
        shownArea(field), qRgb(255, 255, 255), [&] { field->setText(QString()); },
        [&] { field->setText(QStringLiteral("http://example.org/clip.mpg")); });
    EXPECT_GT(typed.inkPixels, 0);
    EXPECT_GE(typed.worst, 4.5) << "the typed address";
    url->Unload();

    VidBAS::g_Playlist = {QStringLiteral("/videos"), QStringLiteral("/videos/clip.mpg")};
    VidBAS::g_PlaylistCount = 1;
    QPointer<VideoList> list = new VideoList(&main);
    list->Show(0, &main);
    ASSERT_TRUE(waitUntilManaged(list));
    ASSERT_TRUE(waitFor([&] { return list->VidList->count() == 1; }));
    QListWidgetItem* item = list->VidList->item(0);
    const QString name = item->text();
    const QRect itemArea = list->VidList->visualItemRect(item).translated(
        screenRect(list->VidList->viewport()).topLeft());
    const Reading listed = readText(
        itemArea, qRgb(255, 255, 255), [&] { item->setText(QString()); },
        [&] { item->setText(name); });
    EXPECT_GT(listed.inkPixels, 0);
    EXPECT_GE(listed.worst, 4.5) << "a name in the video list";
    keepScreenshot(grabScreen(frameGeometry(xwindow(list))), QStringLiteral("readable-list"));
    list->Unload();

    openPaused();
    ASSERT_NE(capture(), nullptr);
    ASSERT_NE(Tools::loaded(), nullptr);
    expectLabelsReadable(Tools::loaded(), QStringLiteral("readable-tools"));

    QPointer<Resize> resize = new Resize(&main);
    resize->Show(0, &main);
    expectLabelsReadable(resize, QStringLiteral("readable-resize"));
    resize->Unload();
}
