#include "app/vidbas_dialogs.h"

#include "platform/dialogs/scripteddialogprovider.h"

#include <QDir>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

const QChar kNul(u'\0');

class SaveDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldCurrent = QDir::currentPath();
        ASSERT_TRUE(m_tmp.isValid());
        m_dir = QDir(m_tmp.path()).canonicalPath();
    }
    void TearDown() override { QDir::setCurrent(m_oldCurrent); }

    QString graphicFilter() const {
        QString list;
        for (const char* part :
             {"Graphic Files (*.bmp;*.jpg;*.tga;*.gif)", "*.bmp;*.jpg;*.tga;*.gif",
              "BMP Files (*.bmp)", "*.bmp", "GIF Files (*.gif)", "*.gif"})
            list += QString::fromLatin1(part) + kNul;
        return list + kNul;
    }

    korimo::test::ScriptedDialogProvider dialogs;
    QTemporaryDir m_tmp;
    QString m_dir;
    QString m_oldCurrent;
};

} // namespace

TEST_F(SaveDialogTest, ChosenNameComesBackBareAndMovesCurrentFolder) {
    ASSERT_TRUE(QDir(m_dir).mkdir("frames"));
    QDir::setCurrent(m_dir);
    dialogs.saveAnswer = m_dir + "/frames/shot one.jpg";

    EXPECT_EQ(VidBAS::ShowSave("Save Video Frame", graphicFilter()),
              m_dir + "/frames/shot one.jpg");
    EXPECT_EQ(QDir::currentPath(), m_dir + "/frames");
    EXPECT_EQ(dialogs.last.title, "Save Video Frame");
    EXPECT_EQ(dialogs.last.dir, m_dir);
    EXPECT_EQ(dialogs.last.filterIndex, 1);
    EXPECT_EQ(dialogs.last.nameFilters, QStringList({"Graphic Files (*.bmp *.jpg *.tga *.gif)",
                                                     "BMP Files (*.bmp)", "GIF Files (*.gif)"}));
}

TEST_F(SaveDialogTest, CancelGivesEmptyTextAndKeepsFolder) {
    EXPECT_EQ(VidBAS::ShowSave("Save Video Frame", graphicFilter()), QString());
    EXPECT_EQ(dialogs.asked, 1);
    EXPECT_EQ(QDir::currentPath(), m_oldCurrent);
}

TEST_F(SaveDialogTest, ANameInADeepFolderComesBackWhole) {
    // Folders of long names, as deep as it takes to pass a thousand characters.
    QString folder = m_dir;
    while (folder.size() < 1000)
        folder += "/" + QString(100, u'\u00e9');
    ASSERT_TRUE(QDir().mkpath(folder));
    dialogs.saveAnswer = folder + "/frame.bmp";
    EXPECT_EQ(VidBAS::ShowSave("Save Video Frame", graphicFilter()).toStdString(),
              dialogs.saveAnswer.toStdString());
    EXPECT_EQ(QDir::currentPath(), folder);
}

TEST(BrowseForFolder, ChoiceReplacesPathAndCancelKeepsCallersText) {
    korimo::test::ScriptedDialogProvider dialogs;
    QWidget owner;
    QString path = "  /home/user/old  ";

    EXPECT_EQ(VidBAS::BrowseForFolder(&owner, path), "False");
    EXPECT_EQ(path, "  /home/user/old  ");
    EXPECT_EQ(dialogs.last.title, "Current:   /home/user/old  ");
    EXPECT_EQ(dialogs.last.owner, &owner);

    dialogs.folderAnswer = "/srv/captures";
    EXPECT_EQ(VidBAS::BrowseForFolder(&owner, path), "True");
    EXPECT_EQ(path, "/srv/captures");
}
