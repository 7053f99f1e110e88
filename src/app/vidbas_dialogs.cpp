#include "app/vidbas_dialogs.h"

#include "dialogs/commondialogs.h"
#include "dialogs/dialogprovider.h"

#include <QApplication>
#include <QDir>
#include <climits>

namespace VidBAS {

using namespace korimo;

QString ShowSave(const QString& title, const QString& filter) {
    constexpr QChar nul(u'\0');
    OpenFileNameRecord ofn;
    ofn.lStructSize = 76;
    ofn.hwndOwner = QApplication::activeWindow();
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    // The buffer takes the longest path the system does (PATH_MAX bytes, never fewer characters):
    // a name the user chose is not refused for its length.
    ofn.lpstrFile = QString(PATH_MAX - 1, u' ') + nul;
    ofn.nMaxFile = PATH_MAX;
    ofn.lpstrFileTitle = QString(256, u' ') + nul;
    ofn.nMaxFileTitle = 257;
    ofn.lpstrInitialDir = QDir::currentPath() + nul;
    ofn.lpstrTitle = title + nul;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (GetSaveFileName(ofn) == 0)
        return {};
    return textBeforeNul(ofn.lpstrFile);
}

QString BrowseForFolder(QWidget* owner, QString& path) {
    const QString chosen =
        dialogProvider().getExistingDirectory(owner, QStringLiteral("Current: ") + path, QString());
    if (chosen.isEmpty())
        return QStringLiteral("False");
    path = chosen;
    return QStringLiteral("True");
}

} // namespace VidBAS
