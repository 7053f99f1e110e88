#include "windowsystem.h"

#include "app/main_form.h"
#include "app/mainwindowtest.h"
#include "support/waiting.h"
#include "widgets/label.h"

#include <QGuiApplication>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

using namespace korimo;
using namespace korimo::test;

namespace {

// The window manager's own maximise and restore, as its window menu or a pager asks for them.
bool managerMaximises(XWindow window, bool on) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false;
    const auto atom = [c](const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window);
    message.type = atom("_NET_WM_STATE");
    message.data.data32[0] = on ? 1 : 0; // add or remove
    message.data.data32[1] = atom("_NET_WM_STATE_MAXIMIZED_VERT");
    message.data.data32[2] = atom("_NET_WM_STATE_MAXIMIZED_HORZ");
    message.data.data32[3] = 2; // from a pager, as the user's own choice
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_send_event(c, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
    return true;
}

class ManagerStateTest : public MainWindowTest {
protected:
    void clickMaximise() { ASSERT_TRUE(clickAt(screenRect(main.LblCmds[1]).center())); }
    bool maximised() {
        return windowState(xwindow(&main)).contains("_NET_WM_STATE_MAXIMIZED_HORZ");
    }
    bool settledAt(QSize size) {
        return waitFor(
            [&] { return clientGeometry(xwindow(&main)).size() == size && main.size() == size; });
    }
};

} // namespace

// Maximised or restored by the window manager, the caption button "[]" does the other with one
// click.
TEST_F(ManagerStateTest, TheCaptionButtonFollowsTheManagersMaximiseAndRestore) {
    ASSERT_TRUE(waitUntilManaged(&main));
    const QSize design = main.size();
    const XWindow id = xwindow(&main);

    ASSERT_TRUE(managerMaximises(id, true));
    ASSERT_TRUE(waitFor([&] { return maximised(); }));
    const QSize full = clientGeometry(id).size();
    ASSERT_TRUE(settledAt(full));
    ASSERT_NE(full, design);
    clickMaximise();
    EXPECT_TRUE(waitFor([&] { return !maximised(); }, 5000)) << "one click did not restore";
    EXPECT_TRUE(settledAt(design));
    EXPECT_FALSE(main.g_Maximised);

    clickMaximise();
    ASSERT_TRUE(waitFor([&] { return maximised(); }));
    ASSERT_TRUE(settledAt(full));
    ASSERT_TRUE(managerMaximises(id, false));
    ASSERT_TRUE(waitFor([&] { return !maximised(); }));
    ASSERT_TRUE(settledAt(design));
    clickMaximise();
    EXPECT_TRUE(waitFor([&] { return maximised(); }, 5000)) << "one click did not maximise";
    EXPECT_TRUE(settledAt(full));
    EXPECT_TRUE(main.g_Maximised);
    clickMaximise();
    EXPECT_TRUE(waitFor([&] { return !maximised(); }, 5000));
    EXPECT_TRUE(settledAt(design));
}
