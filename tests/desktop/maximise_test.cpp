#include "windowsystem.h"

#include "app/main_form.h"
#include "app/mainwindowtest.h"
#include "app/switchlook.h"
#include "controls/button_xp.h"
#include "support/proportion.h"
#include "support/waiting.h"
#include "viewers/viewer.h"
#include "widgets/elastic.h"
#include "widgets/label.h"
#include "widgets/picturebox.h"

#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

class MaximiseTest : public MainWindowTest {
protected:
    // The caption button "[]" clicked by the user's mouse, wherever it is now.
    void clickMaximise() {
        const QPoint at =
            clientGeometry(xwindow(&main)).topLeft() + main.LblCmds[1]->geometry().center();
        ASSERT_TRUE(xdotool({"mousemove", "--sync", QString::number(at.x()),
                             QString::number(at.y()), "click", "1"}));
    }
    // Until the window system shows the window at `size` and Qt has followed it.
    bool settlesAt(QSize size) {
        return waitFor([&] {
            return clientGeometry(xwindow(&main)).size() == size && main.size() == size &&
                   main.Elastic1->size() == size;
        });
    }
    bool maximised() {
        return windowState(xwindow(&main)).contains("_NET_WM_STATE_MAXIMIZED_HORZ");
    }
};

} // namespace

TEST_F(MaximiseTest, CaptionButtonMaximisesWithEveryControlInProportionAndRestoresExactly) {
    ASSERT_TRUE(waitUntilManaged(&main));
    const QSize design = main.size();
    ASSERT_TRUE(settlesAt(design));
    // A control put on the skin after start-up is held like those of the design.
    auto* later = new Label(main.Elastic1);
    later->setGeometry(100, 420, 60, 20);
    later->show();
    QHash<QWidget*, QRect> designed;
    for (auto* w : main.Elastic1->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        designed.insert(w, w->geometry());

    clickMaximise();
    ASSERT_TRUE(waitFor([&] { return maximised(); }));
    const QSize full = clientGeometry(xwindow(&main)).size();
    ASSERT_TRUE(settlesAt(full));
    ASSERT_GT(full.width(), design.width() * 3 / 2);
    for (auto it = designed.begin(); it != designed.end(); ++it)
        EXPECT_TRUE(inProportion(it.key()->geometry(), it.value(), design, full))
            << it.key()->metaObject()->className() << " " << it.key()->objectName().toStdString();
    // The video area grows with the window; the close button stays by the right edge.
    EXPECT_GT(main.MMPlay->width(), designed.value(main.MMPlay).width() * 3 / 2);
    EXPECT_LT(full.width() - main.LblCmds[2]->geometry().right(), 60);
    // The rounded outline covers the whole maximised window.
    EXPECT_EQ(shapeExtents(xwindow(&main)).size(), full);
    // The sound switch, on from the start, shows its whole ON face at the new size, not one cut
    // to the outline it had before.
    Button_XP* sound = main.Cmd2[6];
    EXPECT_TRUE(switchIsOn(sound));
    EXPECT_TRUE(sound->mask().isEmpty() || sound->mask().boundingRect() == sound->rect())
        << sound->mask().boundingRect().width() << " x " << sound->mask().boundingRect().height();

    clickMaximise();
    ASSERT_TRUE(waitFor([&] { return !maximised(); }));
    EXPECT_FALSE(main.g_Maximised);
    ASSERT_TRUE(settlesAt(design));
    for (auto it = designed.begin(); it != designed.end(); ++it)
        EXPECT_EQ(it.key()->geometry(), it.value()) << it.key()->objectName().toStdString();
    EXPECT_EQ(shapeExtents(xwindow(&main)).size(), design);
}

// Each new picture sizes the viewer to the designed frame around it under a manager, and that
// size is the one its skin's layout holds from then on.
TEST_F(MaximiseTest, ViewerFitsEachNewPictureInsideItsDesignedMargins) {
    QImage picture(150, 90, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QApplication::clipboard()->setImage(picture);
    Viewer* v = loadViewer(Viewer::First);
    ASSERT_NE(v, nullptr);
    v->Show(0, &main);
    ASSERT_TRUE(waitUntilManaged(v));
    for (QSize next : {QSize(150, 90), QSize(400, 300), QSize(64, 48)}) {
        if (next != picture.size()) {
            picture = QImage(next, QImage::Format_RGB32);
            picture.fill(Qt::darkMagenta);
            // The manager answers the window's new size only after the fit.
            ManagerPaused busy;
            v->ClipPic->setPicture(picture);
            v->fit();
        }
        // The picture box sits 8 pixels in from the left and top, with 9 and 11 pixels of skin
        // right and below it.
        const QSize client = next + QSize(17, 19);
        EXPECT_TRUE(waitFor([&] {
            return clientGeometry(xwindow(v)).size() == client && v->size() == client &&
                   v->Picture1->geometry() == QRect(QPoint(8, 8), next) &&
                   v->ClipPic->size() == next && v->Elastic1->baseSize() == client;
        })) << next.width()
            << " x " << next.height() << " client " << clientGeometry(xwindow(v)).width() << "x"
            << clientGeometry(xwindow(v)).height() << " v " << v->width() << "x" << v->height()
            << " pic1 " << v->Picture1->x() << "," << v->Picture1->y() << " "
            << v->Picture1->width() << "x" << v->Picture1->height() << " clip "
            << v->ClipPic->width() << " base " << v->Elastic1->baseSize().width() << "x"
            << v->Elastic1->baseSize().height();
    }
    v->Unload();
}
