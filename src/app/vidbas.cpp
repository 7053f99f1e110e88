#include "app/vidbas.h"

#include "forms/runtime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace VidBAS {

void ResetState() {
    g_CurrentFile.clear();
    g_Playlist.clear();
    g_PlaylistCount = 0;
    g_CurrentExt.clear();
    g_LoadPath.clear();
    g_NotVideo = false;
    g_OpenCancelled = false;
    g_OldDir.clear();
    g_Viewer2Open = false;
    g_ToolsOpen = false;
    g_SaveFile.clear();
    g_ErrText.clear();
    g_ShowPlayErrors = false;
    g_OfferDontShow = false;
    g_AutoSave = g_VidSave = g_AutoDir = g_NoCap = g_NoWin = g_LoadVid = false;
    g_SpecialFolder = false;
    g_Folder.clear();
    g_Ext.clear();
    g_HalfSpeed = false;
    g_HighQ = g_BW = false;
    g_PPosition = 0;
    g_PrintLayout = false;
    g_ToolTip = false;
    g_CtlIndex = 0;
    g_TwipsX = g_TwipsY = 0;
    g_Region = 0;
    g_HelpFile.clear();
    g_ApiResult = 0;
}

bool FileExists(const QString& path) {
    g_ApiResult = 0;
    if (path.isEmpty())
        return false;
    // A file the user may not read still stands there: an automatic name must not replace it.
    const QFileInfo info(path);
    if (info.isFile())
        g_ApiResult = info.size();
    return g_ApiResult != 0;
}

void CheckVideoType(const QString& name) {
    const QString ext = name.right(4).toLower().trimmed();
    static const QStringList accepted = {QStringLiteral("mpeg"), QStringLiteral(".mpg"),
                                         QStringLiteral(".avi"), QStringLiteral(".mov"),
                                         QStringLiteral(".swf"), QStringLiteral(".mpa"),
                                         QStringLiteral(".wmv")};
    g_NotVideo = !accepted.contains(ext);
}

void ShowHourglass() {
    korimo::setScreenMousePointer(11);
}
void ShowDefaultPointer() {
    korimo::setScreenMousePointer(0);
}
void ShowArrowHourglass() {
    korimo::setScreenMousePointer(13);
}

QString ProgramFolder() {
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() ? QDir::currentPath() : dir;
}

QString AutoSaveFolder() {
    return AutoSaveFolderFor(ProgramFolder());
}

QString AutoSaveFolderFor(const QString& programFolder) {
    if (::access(QFile::encodeName(programFolder).constData(), W_OK) == 0)
        return programFolder + QStringLiteral("/AutoSave");
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return (data.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share/Korimo") : data) +
           QStringLiteral("/AutoSave");
}

bool CreateAutoSaveFolder(const QString& programFolder) {
    // The per-user data folder of a new user holds none of the folders above it yet.
    return QDir().mkpath(AutoSaveFolderFor(programFolder));
}

} // namespace VidBAS
