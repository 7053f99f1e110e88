#include "app/vidbas_dialogs.h"
#include "support/modalanswerer.h"
#include "support/waiting.h"
#include "windowsystem.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korimo::test;

namespace {

QString graphicFilter() {
    const QChar nul(u'\0');
    return QStringLiteral("BMP Files (*.bmp)") + nul + QStringLiteral("*.bmp") + nul + nul;
}

} // namespace

// The real save dialog a user sees: a name typed into a folder that does not exist brings a
// message over the dialog, which then stays open and takes a good name.
TEST(SaveDialog, ANameInAMissingFolderKeepsTheDialogOpenWithAMessage) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = QDir(tmp.path()).canonicalPath();
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir);

    // The message comes up in a loop of its own, inside the dialog's; it is answered there.
    QString message;
    ModalAnswerer messageAnswerer([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !message.isEmpty())
            return;
        message = box->text();
        ASSERT_TRUE(waitUntilActive(box));
        ASSERT_TRUE(xdotool({"key", "Return"}));
    });
    bool stillOpen = false;
    bool answered = false;
    ModalAnswerer answerer(typeIntoFirstFileDialog(
        QStringLiteral("no such folder/frame.bmp"), answered,
        [&](const QPointer<QFileDialog>& dialog) {
            waitFor([&] { return !message.isEmpty() || !dialog || !dialog->isVisible(); }, 10000);
            pumpFor(200);
            stillOpen = dialog && dialog->isVisible();
            if (stillOpen) {
                ASSERT_TRUE(waitUntilActive(dialog));
                ASSERT_TRUE(typeAndEnter(QStringLiteral("frame.bmp")));
            }
        }));
    const QString chosen = VidBAS::ShowSave(QStringLiteral("Save Video Frame"), graphicFilter());
    QDir::setCurrent(before);

    EXPECT_TRUE(answered);
    EXPECT_TRUE(message.contains(QStringLiteral("no such folder"))) << message.toStdString();
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(chosen.toStdString(), (dir + QStringLiteral("/frame.bmp")).toStdString());
}
