#include "app/vidbas.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(VidBAS, FileExistsNeedsAFileWithBytes) {
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.bmp");
    const QString full = dir.filePath("auto1.bmp");
    QFile(empty).open(QIODevice::WriteOnly);
    {
        QFile f(full);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM", 2);
    }
    EXPECT_FALSE(VidBAS::FileExists(empty));
    EXPECT_FALSE(VidBAS::FileExists(QString()));
    EXPECT_FALSE(VidBAS::FileExists(dir.path()));
    EXPECT_FALSE(VidBAS::FileExists(dir.filePath("missing.bmp")));
    EXPECT_TRUE(VidBAS::FileExists(full));
    EXPECT_EQ(VidBAS::g_ApiResult, 2);
}

TEST(VidBAS, AFileThatCannotBeReadStillExists) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "every file is readable to root";
    QTemporaryDir dir;
    const QString locked = dir.filePath("auto1.bmp");
    {
        QFile f(locked);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM", 2);
    }
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::WriteOwner));
    EXPECT_TRUE(VidBAS::FileExists(locked));
}

TEST(VidBAS, CheckVideoTypeLooksAtTheLastFourCharacters) {
    struct Case {
        const char* name;
        bool notVideo;
    };
    const Case cases[] = {
        {"clip.MPEG", false}, {"clip.mpeg", false},    {"a.swf", false}, {"b.Mpg", false},
        {"c.avi", false},     {"d.mov", false},        {"e.mpa", false}, {"f.WMV", false},
        {"g.mp4", true},      {"h.mpeg4", true},       {"i.avi ", true}, {"", true},
        {"avi", true},        {"/dir.avi/file", true}, {"x. avi", true},
    };
    for (const Case& c : cases) {
        VidBAS::g_NotVideo = !c.notVideo;
        VidBAS::CheckVideoType(QString::fromUtf8(c.name));
        EXPECT_EQ(VidBAS::g_NotVideo, c.notVideo) << c.name;
    }
    // A name of exactly four characters is judged by all of them.
    VidBAS::CheckVideoType(".avi");
    EXPECT_FALSE(VidBAS::g_NotVideo);
}

TEST(VidBAS, AutoSaveFolderMovesOutOfAReadOnlyProgramFolder) {
    QTemporaryDir dir;
    EXPECT_EQ(VidBAS::AutoSaveFolderFor(dir.path()), dir.path() + "/AutoSave");
    const QString elsewhere = VidBAS::AutoSaveFolderFor("/proc/self");
    EXPECT_TRUE(elsewhere.endsWith("/AutoSave"));
    EXPECT_FALSE(elsewhere.startsWith("/proc"));
}

TEST(VidBAS, TheAutoSaveFolderIsMadeWithTheFoldersAboveIt) {
    QTemporaryDir dir;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const bool hadData = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    // A new user's data folder does not hold the program's folders yet.
    const QString data = dir.filePath("fresh user/share");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    const QString folder = VidBAS::AutoSaveFolderFor("/proc/self");
    const bool made = VidBAS::CreateAutoSaveFolder("/proc/self");
    if (hadData)
        qputenv("XDG_DATA_HOME", oldData);
    else
        qunsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(folder.startsWith(data + "/")) << folder.toStdString();
    EXPECT_TRUE(made);
    EXPECT_TRUE(QDir(folder).exists());
    // Made again, an existing folder is no failure and stays as it was.
    QFile kept(folder + "/auto1.bmp");
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("BM", 2);
    kept.close();
    EXPECT_TRUE(VidBAS::CreateAutoSaveFolder(dir.path()));
    EXPECT_TRUE(QDir(dir.filePath("AutoSave")).exists());
    EXPECT_TRUE(VidBAS::FileExists(folder + "/auto1.bmp"));
}

TEST(VidBAS, ResetStateReturnsToStartValues) {
    VidBAS::g_CurrentFile = "x.avi";
    VidBAS::g_PlaylistCount = 3;
    VidBAS::g_ShowPlayErrors = true;
    VidBAS::g_PPosition = 7;
    VidBAS::ResetState();
    EXPECT_TRUE(VidBAS::g_CurrentFile.isEmpty());
    EXPECT_EQ(VidBAS::g_PlaylistCount, 0);
    EXPECT_FALSE(VidBAS::g_ShowPlayErrors);
    EXPECT_EQ(VidBAS::g_PPosition, 0);
}
