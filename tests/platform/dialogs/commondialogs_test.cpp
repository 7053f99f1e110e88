#include "dialogs/commondialogs.h"

#include "scripteddialogprovider.h"

#include <QDir>
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

TEST_F(CommonDialogs, OpenCancelLeavesRecordAndFolderAndALongSelectionGrowsTheBuffer) {
    OpenFileNameRecord ofn = openRecord(OFN_ALLOWMULTISELECT, 40);
    ofn.lpstrInitialDir = QStringLiteral("/srv") + kNul + kNul;
    const QString before = ofn.lpstrFile;

    EXPECT_EQ(GetOpenFileName(ofn), 0);
    EXPECT_EQ(dialogs.last.dir, "/srv");
    EXPECT_EQ(ofn.lpstrFile, before);
    EXPECT_EQ(QDir::currentPath(), m_oldCurrent);

    dialogs.openAnswer = {"/" + QString(29, u'x'), "/abcdef"};
    EXPECT_NE(GetOpenFileName(ofn), 0);
    EXPECT_EQ(ofn.lpstrFile, nulList({"/", QString(29, u'x'), "abcdef"}) + kNul);
    EXPECT_EQ(ofn.nMaxFile, 40);

    // Folder, names and NULs make 41 characters, one more than the buffer: it grows, nothing is
    // cut.
    dialogs.openAnswer = {"/" + QString(30, u'x'), "/abcdef"};
    EXPECT_NE(GetOpenFileName(ofn), 0);
    EXPECT_EQ(ofn.lpstrFile, nulList({"/", QString(30, u'x'), "abcdef"}) + kNul);
    EXPECT_EQ(ofn.nMaxFile, 41);
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
