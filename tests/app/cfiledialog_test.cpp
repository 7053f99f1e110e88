#include "app/cfiledialog.h"

#include "app/vidbas.h"
#include "platform/dialogs/scripteddialogprovider.h"
#include "support/modalanswerer.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korimo;

namespace {

const QChar kNul(u'\0');

const QString kVideoFilter = QStringLiteral(
    "Video Files (*.avi;*.mpeg;*.mpg;*.mpa;*.mov;*.wmv)|*.avi;*.mpeg;*.mpg;*.mpa;*.mov;*.wmv|AVI, "
    "DivX Files (*.avi)|*.avi|MPEG Files (*.mpeg)|*.mpeg|MPG Files (*.mpg)|*.mpg|MPA Files "
    "(*.mpa)|*.mpa|WMV Files (*.wmv)|*.wmv|MOV Files (*.mov)|*.mov|All Files (*.*)|*.*");

// The object set up the way the player's open command drives it.
void prepareOpen(cFileDialog& dialog, const QString& initDir) {
    dialog.setDialogTitle(QStringLiteral("Open Videos To Capture"));
    dialog.setFilter(kVideoFilter);
    dialog.setInitDir(initDir);
    dialog.setflags(0x200006);
    dialog.setflags(dialog.flags() | 0x200);
    dialog.setCancelError(false);
}

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        VidBAS::ResetState();
        m_oldCurrent = QDir::currentPath();
        ASSERT_TRUE(m_tmp.isValid());
        m_dir = QDir(m_tmp.path()).canonicalPath();
    }
    void TearDown() override {
        QDir::setCurrent(m_oldCurrent);
        VidBAS::ResetState();
    }

    QString m_dir;
    QTemporaryDir m_tmp;
    QString m_oldCurrent;
};

class ScriptedFileDialog : public FileDialogTest {
protected:
    test::ScriptedDialogProvider dialogs;
};

} // namespace

TEST_F(ScriptedFileDialog, ThreeFilesGiveFolderNamesAndCountInDialogOrder) {
    QWidget owner;
    cFileDialog dialog;
    prepareOpen(dialog, "/srv/videos");
    dialog.sethwnd(&owner);
    dialogs.openAnswer = {m_dir + "/c.avi", m_dir + "/a.mpg", m_dir + "/b.mov"};

    dialog.ShowOpen();
    EXPECT_EQ(dialogs.last.owner, &owner);
    EXPECT_EQ(dialogs.last.title, "Open Videos To Capture");
    EXPECT_EQ(dialogs.last.dir, "/srv/videos");
    EXPECT_TRUE(dialogs.last.multiSelect);
    EXPECT_EQ(dialogs.last.filterIndex, 1);
    EXPECT_EQ(dialog.record().Flags, 0x200206 | OFN_EXPLORER);
    EXPECT_EQ(dialog.Filename().size(), 8192);
    EXPECT_EQ(QDir::currentPath(), m_dir);

    QString folder;
    QStringList names;
    int count = 0;
    dialog.ParseMultiFileName(folder, names, count);
    EXPECT_FALSE(VidBAS::g_OpenCancelled);
    EXPECT_EQ(folder, m_dir);
    EXPECT_EQ(names, QStringList({"c.avi", "a.mpg", "b.mov"}));
    EXPECT_EQ(count, 3);
}

TEST_F(ScriptedFileDialog, SeveralNamesAreAppendedBehindTheCallersCount) {
    cFileDialog dialog;
    prepareOpen(dialog, m_dir);
    dialogs.openAnswer = {m_dir + "/a.avi", m_dir + "/b.avi"};
    dialog.ShowOpen();

    QString folder;
    QStringList names{"kept", "dropped", "dropped"};
    int count = 2;
    dialog.ParseMultiFileName(folder, names, count);
    EXPECT_EQ(names, QStringList({"kept", "dropped", "a.avi", "b.avi"}));
    EXPECT_EQ(count, 4);

    names = {"x"};
    count = 3;
    dialog.ParseMultiFileName(folder, names, count);
    EXPECT_EQ(names, QStringList({"x", "", "", "a.avi", "b.avi"}));
    EXPECT_EQ(count, 5);
}

TEST_F(ScriptedFileDialog, OneFileGivesFolderWithSeparatorAndReplacesCallersNames) {
    cFileDialog dialog;
    prepareOpen(dialog, m_dir);
    dialogs.openAnswer = {m_dir + "/clip.avi"};
    dialog.ShowOpen();
    ASSERT_EQ(dialog.Filename().size(), 8192);
    EXPECT_EQ(dialog.Filename().left(m_dir.size() + 11), m_dir + "/clip.avi" + kNul + kNul);

    QString folder;
    QStringList names{"old", "older"};
    int count = 5;
    dialog.ParseMultiFileName(folder, names, count);
    EXPECT_EQ(folder, m_dir + "/");
    EXPECT_EQ(names, QStringList({"clip.avi"}));
    EXPECT_EQ(count, 1);
}

TEST_F(ScriptedFileDialog, FilesInTheRootFolderKeepItsOnlySeparator) {
    cFileDialog dialog;
    prepareOpen(dialog, m_dir);
    dialogs.openAnswer = {"/one.avi", "/two.avi"};
    dialog.ShowOpen();
    EXPECT_EQ(QDir::currentPath(), "/");

    QString folder;
    QStringList names;
    int count = 0;
    dialog.ParseMultiFileName(folder, names, count);
    EXPECT_EQ(folder, "/");
    EXPECT_EQ(names, QStringList({"one.avi", "two.avi"}));

    cFileDialog single;
    prepareOpen(single, m_dir);
    dialogs.openAnswer = {"/one.avi"};
    single.ShowOpen();
    count = 0;
    single.ParseMultiFileName(folder, names, count);
    EXPECT_EQ(folder, "/");
    EXPECT_EQ(names, QStringList({"one.avi"}));
}

TEST_F(ScriptedFileDialog, CancelOnFreshObjectReportsCancelAndTouchesNothing) {
    cFileDialog dialog;
    prepareOpen(dialog, m_dir);
    dialog.ShowOpen();
    EXPECT_EQ(dialogs.asked, 1);
    EXPECT_TRUE(dialog.Filename().isEmpty());
    EXPECT_EQ(QDir::currentPath(), m_oldCurrent);

    QString folder = "keep";
    QStringList names{"a", "b"};
    int count = 7;
    dialog.ParseMultiFileName(folder, names, count);
    EXPECT_TRUE(VidBAS::g_OpenCancelled);
    EXPECT_EQ(folder, "keep");
    EXPECT_EQ(names, QStringList({"a", "b"}));
    EXPECT_EQ(count, 7);
}

TEST_F(ScriptedFileDialog, SingleSelectionResultReadsAsEmptySelection) {
    cFileDialog dialog;
    dialog.setflags(0x200006);
    dialogs.openAnswer = {m_dir + "/clip.avi"};
    dialog.ShowOpen();
    EXPECT_FALSE(dialogs.last.multiSelect);
    EXPECT_EQ(dialog.record().nMaxFile, 1024);
    EXPECT_EQ(dialog.Filename(), m_dir + "/clip.avi");

    QString folder;
    QStringList names;
    int count = 0;
    dialog.ParseMultiFileName(folder, names, count);
    EXPECT_TRUE(VidBAS::g_OpenCancelled);
    EXPECT_EQ(count, 0);
}

TEST_F(ScriptedFileDialog, NameWithoutFolderIsTakenWithoutItsNuls) {
    cFileDialog dialog;
    dialog.setFilename(QStringLiteral("clip.avi") + kNul + kNul + kNul);
    QString folder = "x";
    QStringList names;
    int count = 0;
    dialog.ParseMultiFileName(folder, names, count);
    EXPECT_TRUE(folder.isEmpty());
    EXPECT_EQ(names, QStringList({"clip.avi"}));
    EXPECT_EQ(count, 1);
}

TEST_F(ScriptedFileDialog, FilterBecomesNulListAndQtNameFilters) {
    cFileDialog dialog;
    dialog.setFilter("Pictures (*.bmp)|*.bmp|Notes: text|*.txt");
    EXPECT_EQ(dialog.Filter(), "Pictures (*.bmp)|*.bmp|Notes: text|*.txt");
    EXPECT_EQ(dialog.record().lpstrFilter,
              QString("Pictures (*.bmp)%1*.bmp%1Notes%1 text%1*.txt%1%1").arg(kNul));

    prepareOpen(dialog, m_dir);
    dialog.ShowOpen();
    const QStringList filters = dialogs.last.nameFilters;
    ASSERT_EQ(filters.size(), 8);
    EXPECT_EQ(filters.first(), "Video Files (*.avi *.mpeg *.mpg *.mpa *.mov *.wmv)");
    EXPECT_EQ(filters.at(1), "AVI, DivX Files (*.avi)");
    EXPECT_EQ(filters.last(), "All Files (*)");
}

TEST_F(ScriptedFileDialog, PropertiesKeepTheirRecordFieldsBetweenCalls) {
    cFileDialog dialog;
    EXPECT_TRUE(dialog.record().lpstrInitialDir.isNull());
    EXPECT_TRUE(dialog.record().lpstrDefExt.isNull());

    dialog.setDefaultExt("avi");
    dialog.setInitDir(m_dir);
    dialog.setFilterIndex(3);
    dialog.setFilename("start.avi");
    EXPECT_EQ(dialog.record().lpstrDefExt, QString("avi") + kNul + kNul);

    dialog.ShowOpen();
    dialog.ShowOpen();
    EXPECT_EQ(dialogs.asked, 2);
    EXPECT_EQ(dialogs.last.filterIndex, 3);
    EXPECT_EQ(dialogs.last.dir, m_dir);
    EXPECT_EQ(dialogs.last.initialName, "start.avi");
}

TEST_F(FileDialogTest, RealDialogReturnsTypedFilesAsSelectionBuffer) {
    for (const char* name : {"first.avi", "second.mpg", "third.mov"}) {
        QFile file(m_dir + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not really a video");
    }
    bool nonNative = false;
    test::ModalAnswerer answerer([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog)
            return;
        nonNative = dialog->testOption(QFileDialog::DontUseNativeDialog);
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (!edit) {
            dialog->reject();
            return;
        }
        edit->setText("\"first.avi\" \"second.mpg\" \"third.mov\"");
        QMetaObject::invokeMethod(dialog, "accept");
    });

    cFileDialog dialog;
    prepareOpen(dialog, m_dir);
    dialog.ShowOpen();
    EXPECT_TRUE(nonNative);
    EXPECT_EQ(QDir::currentPath(), m_dir);
    const QString chosen = QString("%2%1first.avi%1second.mpg%1third.mov%1%1").arg(kNul, m_dir);
    EXPECT_EQ(dialog.Filename(), chosen + QString(8192 - chosen.size(), kNul));

    QString folder;
    QStringList names;
    int count = 0;
    dialog.ParseMultiFileName(folder, names, count);
    EXPECT_EQ(folder, m_dir);
    EXPECT_EQ(names, QStringList({"first.avi", "second.mpg", "third.mov"}));
    EXPECT_EQ(count, 3);
}
