#pragma once

#include "dialogs/commondialogs.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace korimo {

// The multi-select open dialog. The object keeps its dialog record between calls, so fields
// one call leaves behind are still there for the next.
class cFileDialog {
public:
    cFileDialog();

    bool CancelError() const { return m_CancelError; }
    void setCancelError(bool on) { m_CancelError = on; }
    QString Filename() const { return m_Filename; }
    void setFilename(const QString& name);
    QString FileTitle() const { return m_FileTitle; }
    void setFileTitle(const QString& title) { m_FileTitle = title; }
    QString Filter() const { return m_Filter; }
    void setFilter(const QString& filter);
    int FilterIndex() const { return m_ofn.nFilterIndex; }
    void setFilterIndex(int index) { m_ofn.nFilterIndex = index; }
    QString DefaultExt() const { return m_DefaultExt; }
    void setDefaultExt(const QString& ext);
    QString DialogTitle() const { return m_ofn.lpstrTitle; }
    void setDialogTitle(const QString& title) { m_ofn.lpstrTitle = title; }
    int flags() const { return m_flags; }
    void setflags(int value) { m_flags = value; }
    QWidget* hwnd() const { return m_ofn.hwndOwner; }
    void sethwnd(QWidget* owner) { m_ofn.hwndOwner = owner; }
    QString InitDir() const { return m_InitDir; }
    void setInitDir(const QString& dir);

    // Runs the open dialog. A cancel changes nothing and raises nothing, whatever CancelError
    // holds; it shows up later as an empty selection in ParseMultiFileName.
    void ShowOpen();
    // Splits the selection in Filename. Several files append their names behind the first
    // count entries of names; one file replaces names and count. An empty selection sets
    // VidBAS::g_OpenCancelled and leaves the outputs alone.
    void ParseMultiFileName(QString& folder, QStringList& names, int& count);

    const OpenFileNameRecord& record() const { return m_ofn; }

private:
    void Class_Initialize();
    static QString StripNulls(const QString& text);

    OpenFileNameRecord m_ofn;
    bool m_CancelError = false;
    QString m_Filename;
    QString m_FileTitle;
    QString m_Filter;
    QString m_DefaultExt;
    QString m_InitDir;
    int m_flags = 0;
};

} // namespace korimo
