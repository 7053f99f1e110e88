#pragma once

#include <QString>
#include <QStringList>

// The program-wide state that every window shares, and the small helpers several windows call.
// Plain variables, used only from the user-interface thread.
namespace VidBAS {

inline QString g_CurrentFile;
// First entry at index 1, as the open dialog fills it; index 0 stays empty.
inline QStringList g_Playlist;
inline int g_PlaylistCount = 0;
inline QString g_CurrentExt;
inline QString g_LoadPath;
inline bool g_NotVideo = false;
inline bool g_OpenCancelled = false;
inline QString g_OldDir;
inline bool g_Viewer2Open = false;
inline bool g_ToolsOpen = false;
inline QString g_SaveFile;
inline QString g_ErrText;
inline bool g_ShowPlayErrors = false;
inline bool g_OfferDontShow = false;
inline bool g_AutoSave = false;
inline bool g_VidSave = false;
inline bool g_AutoDir = false;
inline bool g_NoCap = false;
inline bool g_NoWin = false;
inline bool g_LoadVid = false;
inline bool g_SpecialFolder = false;
inline QString g_Folder;
inline QString g_Ext;
inline bool g_HalfSpeed = false;
inline bool g_HighQ = false;
inline bool g_BW = false;
inline int g_PPosition = 0;
inline bool g_PrintLayout = false;
inline bool g_ToolTip = false;
inline int g_CtlIndex = 0;
inline long g_TwipsX = 0;
inline long g_TwipsY = 0;
inline long g_Region = 0;
inline QString g_HelpFile;
inline long long g_ApiResult = 0;

// Back to the values the program starts with (tests start each case from here).
void ResetState();

// True when a file of non-zero length stands at the path; every error reads as absent.
bool FileExists(const QString& path);
// Sets g_NotVideo from the last four characters of the name.
void CheckVideoType(const QString& name);

void ShowHourglass();
void ShowDefaultPointer();
void ShowArrowHourglass();

// The executable's folder.
QString ProgramFolder();
// The folder "AutoSave" beside the program, or in the per-user data folder when the program's
// folder cannot be written to (an installed program).
QString AutoSaveFolder();
// The same choice for a given program folder.
QString AutoSaveFolderFor(const QString& programFolder);
// Makes that folder, with any missing folders above it; true when it stands there afterwards.
bool CreateAutoSaveFolder(const QString& programFolder);

} // namespace VidBAS
