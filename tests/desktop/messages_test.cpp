#include "app/errfrm.h"
#include "app/vidbas.h"
#include "screenpixels.h"
#include "support/modalanswerer.h"
#include "support/waiting.h"
#include "windowsystem.h"

#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

using namespace korimo;
using namespace korimo::test;

// A title wider than its label: the title's ink, found as what changes when the title goes,
// must lie inside the label with room at both ends, centred, not cut off at both ends.
TEST(MessageWindow, TheLongestTitleIsShownWholeAndCentred) {
    VidBAS::ResetState();
    QWidget owner;
    owner.resize(720, 420);
    owner.show();
    ASSERT_TRUE(waitUntilManaged(&owner));

    ColumnSpan ink;
    int labelWidth = 0;
    bool seen = false;
    ModalAnswerer answerer([&](QWidget* w) {
        auto* frm = qobject_cast<ErrFrm*>(w);
        ASSERT_NE(frm, nullptr);
        seen = true;
        ASSERT_TRUE(waitUntilManaged(frm));
        pumpFor(300);
        const QRect label = screenRect(frm->ErrTitle);
        labelWidth = label.width();
        keepScreenshot(grabScreen(clientGeometry(xwindow(frm)).adjusted(-20, -20, 20, 20)),
                       QStringLiteral("message-window-longest-title"));
        const QImage withTitle = grabScreen(label);
        const QString title = frm->ErrTitle->text();
        frm->ErrTitle->clear();
        frm->ErrTitle->repaint();
        pumpFor(300);
        ink = changedColumns(withTitle, grabScreen(label));
        frm->ErrTitle->setText(title);
        frm->LblEnd_Click();
    });
    ShowMessage(&owner,
                QStringLiteral("Error Downloading Video! Are you connected to the Internet?"),
                QStringLiteral("Error downloading video. Check URL address and try again. Also, "
                               "server may be slow or down."));
    ASSERT_TRUE(seen);
    ASSERT_GE(ink.first, 0) << "no title was drawn";
    const int leftRoom = ink.first;
    const int rightRoom = labelWidth - 1 - ink.last;
    EXPECT_GE(leftRoom, 2) << "cut at the start";
    EXPECT_GE(rightRoom, 2) << "cut at the end";
    EXPECT_LE(std::abs(leftRoom - rightRoom), 3) << leftRoom << " " << rightRoom;
    // Shown at a readable size: it still spans most of its label.
    EXPECT_GT(ink.last - ink.first, labelWidth / 2);
}
