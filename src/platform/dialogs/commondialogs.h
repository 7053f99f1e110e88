#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace korimo {

// Flag bits of the file dialog record.
inline constexpr int OFN_OVERWRITEPROMPT = 0x2;
inline constexpr int OFN_HIDEREADONLY = 0x4;
inline constexpr int OFN_ALLOWMULTISELECT = 0x200;
inline constexpr int OFN_PATHMUSTEXIST = 0x800;
inline constexpr int OFN_EXPLORER = 0x80000;
inline constexpr int OFN_LONGNAMES = 0x200000;

// The file dialog record in its designed layout. Text buffers are QStrings that keep their
// NULs, so a buffer of n characters stays n characters long; a null QString is a null pointer.
struct OpenFileNameRecord {
    int lStructSize = 0;
    QPointer<QWidget> hwndOwner;
    long hInstance = 0;
    QString lpstrFilter;
    QString lpstrCustomFilter;
    int nMaxCustFilter = 0;
    int nFilterIndex = 0;
    QString lpstrFile;
    int nMaxFile = 0;
    QString lpstrFileTitle;
    int nMaxFileTitle = 0;
    QString lpstrInitialDir;
    QString lpstrTitle;
    int Flags = 0;
    int nFileOffset = 0;
    int nFileExtension = 0;
    QString lpstrDefExt;
    long lCustData = 0;
    long lpfnHook = 0;
    QString lpTemplateName;
};

// The text before the first NUL, or the whole text when it holds none.
QString textBeforeNul(const QString& text);

// Turns a dialog filter list (description NUL patterns NUL ... NUL) into Qt name filters such
// as "Video Files (*.avi *.mpeg)". Patterns are split at ";", and "*.*" means every file.
QStringList nameFiltersFromList(const QString& filterList);

// The text an open dialog leaves in its file buffer, NULs included but not padded: with
// multi-selection of several files "folder NUL name NUL name NUL NUL", of one file its full
// path NUL NUL; without multi-selection the full path NUL.
QString openSelectionText(const QStringList& files, bool multiSelect);

// Runs the open dialog over the record. On success (non-zero) lpstrFile holds the selection
// padded with NULs to nMaxFile characters (raised first when the selection is longer), and the
// folder of the chosen files is now the process's current folder. Cancel returns 0 and leaves
// the record as it was.
int GetOpenFileName(OpenFileNameRecord& ofn);

// Runs the save dialog over the record. On success (non-zero) the chosen path and one NUL are
// written over the start of lpstrFile and its folder becomes the current folder; cancel, or a
// path that does not fit the buffer, returns 0.
int GetSaveFileName(OpenFileNameRecord& ofn);

} // namespace korimo
