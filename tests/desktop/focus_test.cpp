#include "capturedesk.h"

#include "printer/printer.h"
#include "widgets/hslider.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

namespace {

class FocusAfterActionTest : public CaptureDeskTest {
protected:
    // After an action the main window is the active one with the slider focused: a real arrow
    // key steps the slider, and the windows the action opened stay visible above the main one.
    void expectKeysStepTheSlider(const char* action, const QList<QWidget*>& above) {
        SCOPED_TRACE(action);
        const XWindow mainId = xwindow(&main);
        EXPECT_TRUE(waitFor([&] { return activeWindow() == mainId; }, 5000))
            << "the active window is " << activeWindow() << ", not the main window " << mainId;
        // Whatever the manager was still to do with the windows just shown has been done.
        pumpFor(400);
        EXPECT_EQ(activeWindow(), mainId);
        // The slider is the control of Main that has the focus; the real key below shows that
        // the keyboard reaches it.
        EXPECT_EQ(main.focusWidget(), main.trkPosition);
        const int before = main.trkPosition->Value();
        ASSERT_TRUE(xdotool({"key", "Right"}));
        EXPECT_TRUE(waitFor([&] { return main.trkPosition->Value() > before; }, 5000))
            << "the arrow key did not reach the position slider";
        const auto order = stackingOrder();
        for (QWidget* w : above) {
            EXPECT_TRUE(w->isVisible());
            EXPECT_GT(order.indexOf(xwindow(w)), order.indexOf(mainId))
                << w->metaObject()->className() << " is below the main window";
        }
    }
};

} // namespace

TEST_F(FocusAfterActionTest, AfterCaptureSavePrintAndTheToolbarTheArrowKeysStepTheVideo) {
    openPaused();
    // The pointer rests off every window, so only the keyboard focus decides where keys go.
    ASSERT_TRUE(xdotool({"mousemove", "3", "3"}));
    QTemporaryDir dir;
    VidBAS::g_AutoSave = true;
    VidBAS::g_SpecialFolder = true;
    VidBAS::g_Folder = dir.path();

    // Saving straight from the video loads the viewer unseen, and its tool window shows.
    VidBAS::g_NoCap = true;
    main.Cmd2_Click(5);
    ASSERT_TRUE(QFileInfo::exists(dir.filePath("auto1.bmp")));
    ASSERT_NE(Tools::loaded(), nullptr);
    ASSERT_TRUE(waitUntilManaged(Tools::loaded()));
    expectKeysStepTheSlider("save without the viewer", {Tools::loaded()});
    VidBAS::g_NoCap = false;

    Viewer* viewer = capture();
    ASSERT_NE(viewer, nullptr);
    Tools* tools = Tools::loaded();
    ASSERT_NE(tools, nullptr);
    expectKeysStepTheSlider("capture", {viewer, tools});

    main.Cmd2_Click(5);
    ASSERT_TRUE(QFileInfo::exists(dir.filePath("auto2.bmp")));
    expectKeysStepTheSlider("save", {viewer, tools});

    Printer::setPdfOutput(dir.filePath("page.pdf"));
    main.Cmds_Click(6);
    Printer::setPdfOutput(QString());
    Printer::reset();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("page.pdf")));
    expectKeysStepTheSlider("print", {viewer, tools});

    // A dialog of the toolbar: once it is closed, the keys step the video again.
    {
        // Closed once the user can see it.
        ModalAnswerer closer([](QWidget* w) {
            EXPECT_TRUE(waitUntilManaged(w));
            closeLikeWindowManager(w);
        });
        main.Cmds_Click(8);
        EXPECT_EQ(closer.answered(), 1);
    }
    expectKeysStepTheSlider("options", {viewer, tools});
}
