#include "dialogs/commondialogs.h"

#include "scripteddialogprovider.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korimo;

namespace {

const QChar kNul(u'\0');

// The parts, each followed by one NUL.
QString nulList(const QStringList& parts) {
    QString text;
    for (const QString& part : parts)
        text += part + kNul;
    return text;
}

class CommonDialogs : public ::testing::Test {
protected:
    void SetUp() override { m_oldCurrent = QDir::currentPath(); }
    void TearDown() override { QDir::setCurrent(m_oldCurrent); }

    OpenFileNameRecord openRecord(int flags, int size) {
        OpenFileNameRecord ofn;
        ofn.Flags = flags;
        ofn.nMaxFile = size;
        ofn.lpstrFile = QString(size, kNul);
        ofn.lpstrTitle = QStringLiteral("Pick");
        return ofn;
    }

    test::ScriptedDialogProvider dialogs;
    QTemporaryDir tmp;
    QString m_oldCurrent;
};

} // namespace

TEST(NameFilters, PatternListsBecomeQtFiltersAndAllFilesMatchesNamesWithoutDot) {
    const QString list = nulList({"Video Files (*.avi;*.mpeg)", "*.avi;*.mpeg", "Clips", "*.mov",
                                  "All Files (*.*)", "*.*"}) +
                         kNul;
    EXPECT_EQ(nameFiltersFromList(list),
              QStringList({"Video Files (*.avi *.mpeg)", "Clips (*.mov)", "All Files (*)"}));
}

TEST(NameFilters, ListEndsAtDoubleNulAndDropsDescriptionWithoutPatterns) {
    const QString list =
        nulList({"BMP Files (*.bmp)", "*.bmp", "Orphan"}) + kNul + nulList({"Hidden (*.x)", "*.x"});
    EXPECT_EQ(nameFiltersFromList(list), QStringList({"BMP Files (*.bmp)"}));
    EXPECT_TRUE(nameFiltersFromList(QString()).isEmpty());
}

TEST(OpenSelection, SeveralFilesGiveFolderThenNamesEndedByDoubleNul) {
    EXPECT_EQ(openSelectionText({"/videos/a.avi", "/videos/b.mpg", "/videos/c.mov"}, true),
              nulList({"/videos", "a.avi", "b.mpg", "c.mov"}) + kNul);
    // Only the root keeps its separator.
    EXPECT_EQ(openSelectionText({"/a.avi", "/b.avi"}, true),
              nulList({"/", "a.avi", "b.avi"}) + kNul);
}

TEST(OpenSelection, OneFileGivesItsFullPath) {
    EXPECT_EQ(openSelectionText({"/videos/a.avi"}, true), nulList({"/videos/a.avi"}) + kNul);
    EXPECT_EQ(openSelectionText({"/videos/a.avi"}, false), nulList({"/videos/a.avi"}));
    EXPECT_TRUE(openSelectionText({}, true).isEmpty());
}

TEST_F(CommonDialogs, OpenFillsWholeBufferAndMovesCurrentFolder) {
    ASSERT_TRUE(tmp.isValid());
    const QString dir = QDir(tmp.path()).canonicalPath();
    dialogs.openAnswer = {dir + "/one.avi", dir + "/two.avi"};
    OpenFileNameRecord ofn = openRecord(OFN_ALLOWMULTISELECT | OFN_EXPLORER, 300);
    ofn.lpstrFilter = nulList({"AVI (*.avi)", "*.avi", "All (*.*)", "*.*"}) + kNul;
    ofn.nFilterIndex = 2;

    ASSERT_NE(GetOpenFileName(ofn), 0);
    EXPECT_EQ(ofn.lpstrFile.size(), 300);
    EXPECT_TRUE(ofn.lpstrFile.startsWith(nulList({dir, "one.avi", "two.avi"}) + kNul));
    EXPECT_EQ(ofn.lpstrFile.count(kNul), 300 - dir.size() - 14);
    EXPECT_EQ(QDir::currentPath(), dir);
    EXPECT_TRUE(dialogs.last.multiSelect);
    EXPECT_EQ(dialogs.last.title, "Pick");
    EXPECT_EQ(dialogs.last.nameFilters, QStringList({"AVI (*.avi)", "All (*)"}));
    EXPECT_EQ(dialogs.last.filterIndex, 2);
    // No initial folder set: the dialog chooses where it starts.
    EXPECT_TRUE(dialogs.last.dir.isEmpty());
}

TEST_F(CommonDialogs, OpenCancelOrOverlongSelectionLeavesRecordAndFolder) {
    OpenFileNameRecord ofn = openRecord(OFN_ALLOWMULTISELECT, 40);
    ofn.lpstrInitialDir = QStringLiteral("/srv") + kNul + kNul;
    const QString before = ofn.lpstrFile;

    EXPECT_EQ(GetOpenFileName(ofn), 0);
    EXPECT_EQ(dialogs.last.dir, "/srv");
    EXPECT_EQ(ofn.lpstrFile, before);

    // Folder, names and NULs make 41 characters, one more than the buffer: refused, never cut.
    dialogs.openAnswer = {"/" + QString(30, u'x'), "/abcdef"};
    EXPECT_EQ(GetOpenFileName(ofn), 0);
    EXPECT_EQ(ofn.lpstrFile, before);
    EXPECT_EQ(QDir::currentPath(), m_oldCurrent);
}

TEST_F(CommonDialogs, SaveWritesPathAndNulOverBufferStart) {
    ASSERT_TRUE(tmp.isValid());
    const QString dir = QDir(tmp.path()).canonicalPath();
    OpenFileNameRecord ofn;
    ofn.nMaxFile = 513;
    ofn.lpstrFile = QString(512, u' ') + kNul;
    dialogs.saveAnswer = dir + "/frame.bmp";

    ASSERT_NE(GetSaveFileName(ofn), 0);
    EXPECT_EQ(ofn.lpstrFile.size(), 513);
    EXPECT_EQ(ofn.lpstrFile.left(dir.size() + 11), dir + "/frame.bmp" + kNul);
    EXPECT_EQ(ofn.lpstrFile.mid(dir.size() + 11), QString(512 - dir.size() - 11, u' ') + kNul);
    EXPECT_EQ(textBeforeNul(ofn.lpstrFile), dir + "/frame.bmp");
    EXPECT_EQ(QDir::currentPath(), dir);
}

TEST_F(CommonDialogs, SavePathLongerThanBufferIsRefused) {
    OpenFileNameRecord ofn;
    ofn.nMaxFile = 20;
    ofn.lpstrFile = QString(19, u' ') + kNul;
    dialogs.saveAnswer = "/tmp/" + QString(15, u'y');
    EXPECT_EQ(GetSaveFileName(ofn), 0);
    EXPECT_EQ(ofn.lpstrFile, QString(19, u' ') + kNul);
    EXPECT_EQ(QDir::currentPath(), m_oldCurrent);

    dialogs.saveAnswer = "/tmp/" + QString(14, u'y');
    EXPECT_NE(GetSaveFileName(ofn), 0);
}
