#pragma once

#include <QString>

class QWidget;

namespace VidBAS {

// The save dialog. The filter is a dialog filter list (description NUL patterns NUL ... NUL).
// Returns the chosen full path, or an empty text when the user cancelled; choosing makes the
// file's folder the current folder.
QString ShowSave(const QString& title, const QString& filter);

// The folder picker. Returns "True" with path holding the chosen folder, or "False" with path
// left as it was when the user cancelled.
QString BrowseForFolder(QWidget* owner, QString& path);

} // namespace VidBAS
