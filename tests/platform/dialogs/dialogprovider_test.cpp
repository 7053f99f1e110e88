#include "dialogs/dialogprovider.h"

#include "scripteddialogprovider.h"
#include "support/modalanswerer.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWindow>
#include <gtest/gtest.h>

using namespace korimo;

TEST(DialogProvider, OpenDialogIsNonNativeWithChosenFilterAndCancelGivesNothing) {
    QtDialogProvider provider;
    bool nonNative = false;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QString filter;
    QString title;
    test::ModalAnswerer answerer([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return;
        nonNative = dialog->testOption(QFileDialog::DontUseNativeDialog);
        mode = dialog->fileMode();
        filter = dialog->selectedNameFilter();
        title = dialog->windowTitle();
        dialog->reject();
    });
    const QStringList chosen =
        provider.getOpenFileNames(nullptr, "Open Videos To Capture", QDir::tempPath(), QString(),
                                  {"AVI (*.avi)", "MPG (*.mpg)", "All (*)"}, 2, true);
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_TRUE(nonNative);
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(filter, "MPG (*.mpg)");
    EXPECT_EQ(title, "Open Videos To Capture");
}

TEST(DialogProvider, FolderPickerReturnsTheTypedFolder) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ASSERT_TRUE(QDir(tmp.path()).mkdir("captures"));
    const QString target = QDir(tmp.path()).canonicalPath() + "/captures";
    QtDialogProvider provider;
    bool dirsOnly = false;
    test::ModalAnswerer answerer([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return;
        dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly) &&
                   dialog->fileMode() == QFileDialog::Directory;
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setText(target);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(provider.getExistingDirectory(nullptr, "Current: /x", tmp.path()), target);
    EXPECT_TRUE(dirsOnly);
}

TEST(DialogProvider, TheFolderPickerTitleShowsTheCurrentFolderAsItIs) {
    QtDialogProvider provider;
    const QString title = QStringLiteral("Current: /srv/Tom & Jerry [*] caf\u00e9");
    QString shown;
    test::ModalAnswerer answerer([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog || !dialog->windowHandle())
            return;
        shown = dialog->windowHandle()->title();
        dialog->reject();
    });
    EXPECT_TRUE(provider.getExistingDirectory(nullptr, title, QDir::tempPath()).isEmpty());
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_EQ(shown.toStdString(), title.toStdString());
}
