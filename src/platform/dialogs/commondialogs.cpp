#include "dialogs/commondialogs.h"

#include "dialogs/dialogprovider.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace korimo {

namespace {

constexpr QChar kNul(u'\0');

QStringList patternsOf(const QString& patternText) {
    QStringList patterns;
    for (const QString& part : patternText.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = part.trimmed();
        if (pattern.isEmpty())
            continue;
        // On Linux "*.*" would miss every file without a dot; the dialogs meant "all files".
        patterns.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    return patterns;
}

// Qt reads the patterns from the last bracketed group of the filter text, so the description's
// own "(*.avi;*.mpeg)" is replaced by the converted list.
QString descriptionWithoutPatterns(const QString& description) {
    const QString text = description.trimmed();
    if (text.endsWith(u')')) {
        const qsizetype open = text.lastIndexOf(u'(');
        if (open >= 0)
            return text.left(open).trimmed();
    }
    return text;
}

QString folderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

QString padWithNuls(const QString& text, int length) {
    QString padded = text;
    if (padded.size() < length)
        padded.append(QString(length - padded.size(), kNul));
    return padded;
}

} // namespace

QString textBeforeNul(const QString& text) {
    const qsizetype nul = text.indexOf(kNul);
    return nul < 0 ? text : text.left(nul);
}

QStringList nameFiltersFromList(const QString& filterList) {
    QStringList entries;
    for (const QString& entry : filterList.split(kNul)) {
        if (entry.isEmpty())
            break; // the list ends at the first empty entry (the double NUL)
        entries.append(entry);
    }
    QStringList filters;
    for (qsizetype i = 0; i + 1 < entries.size(); i += 2) {
        const QStringList patterns = patternsOf(entries.at(i + 1));
        if (patterns.isEmpty())
            continue;
        QString description = descriptionWithoutPatterns(entries.at(i));
        if (!description.isEmpty())
            description.append(u' ');
        filters.append(description + u'(' + patterns.join(u' ') + u')');
    }
    return filters;
}

QString openSelectionText(const QStringList& files, bool multiSelect) {
    if (files.isEmpty())
        return {};
    const QString first = QFileInfo(files.first()).absoluteFilePath();
    if (!multiSelect)
        return first + kNul;
    if (files.size() == 1)
        return first + kNul + kNul;
    const QString folder = folderOf(files.first());
    const QDir dir(folder);
    QString text = folder + kNul;
    for (const QString& file : files)
        text += dir.relativeFilePath(QFileInfo(file).absoluteFilePath()) + kNul;
    return text + kNul;
}

int GetOpenFileName(OpenFileNameRecord& ofn) {
    const bool multi = (ofn.Flags & OFN_ALLOWMULTISELECT) != 0;
    // A null initial folder lets the dialog start where it likes.
    const QString initDir = textBeforeNul(ofn.lpstrInitialDir);
    const QStringList files = dialogProvider().getOpenFileNames(
        ofn.hwndOwner, textBeforeNul(ofn.lpstrTitle), initDir,
        textBeforeNul(ofn.lpstrFile).trimmed(), nameFiltersFromList(ofn.lpstrFilter),
        ofn.nFilterIndex, multi);
    if (files.isEmpty())
        return 0;
    const QString text = openSelectionText(files, multi);
    // The buffer grows to the selection: every file chosen is handed on, none cut or dropped.
    ofn.nMaxFile = std::max(ofn.nMaxFile, static_cast<int>(text.size()));
    ofn.lpstrFile = padWithNuls(text, ofn.nMaxFile);
    QDir::setCurrent(folderOf(files.first()));
    return 1;
}

int GetSaveFileName(OpenFileNameRecord& ofn) {
    const QString initDir = textBeforeNul(ofn.lpstrInitialDir);
    const QString chosen =
        dialogProvider().getSaveFileName(ofn.hwndOwner, textBeforeNul(ofn.lpstrTitle), initDir,
                                         nameFiltersFromList(ofn.lpstrFilter), ofn.nFilterIndex);
    if (chosen.isEmpty())
        return 0;
    const QString path = QFileInfo(chosen).absoluteFilePath();
    if (path.size() + 1 > ofn.nMaxFile)
        return 0;
    if (ofn.lpstrFile.size() < path.size() + 1)
        ofn.lpstrFile = padWithNuls(ofn.lpstrFile, path.size() + 1);
    ofn.lpstrFile.replace(0, path.size() + 1, path + kNul);
    QDir::setCurrent(folderOf(path));
    return 1;
}

} // namespace korimo
