#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace korimo {

// Asks the user for files and folders. The program talks to this interface only, so tests can
// answer the dialogs without a person at the screen.
class DialogProvider {
public:
    virtual ~DialogProvider() = default;

    // Absolute paths of the chosen files in the dialog's order; empty when cancelled.
    virtual QStringList getOpenFileNames(QWidget* owner, const QString& title,
                                         const QString& initDir, const QString& initialName,
                                         const QStringList& nameFilters, int filterIndex,
                                         bool multiSelect) = 0;
    // The chosen path, or an empty text when cancelled. Overwriting asks the user first; a name
    // in a folder that does not exist is refused with a message and the dialog stays open.
    virtual QString getSaveFileName(QWidget* owner, const QString& title, const QString& initDir,
                                    const QStringList& nameFilters, int filterIndex) = 0;
    // The chosen folder, or an empty text when cancelled.
    virtual QString getExistingDirectory(QWidget* owner, const QString& title,
                                         const QString& startDir) = 0;
};

// Real, non-native QFileDialogs: they look and behave the same on every desktop.
class QtDialogProvider : public DialogProvider {
public:
    QStringList getOpenFileNames(QWidget* owner, const QString& title, const QString& initDir,
                                 const QString& initialName, const QStringList& nameFilters,
                                 int filterIndex, bool multiSelect) override;
    QString getSaveFileName(QWidget* owner, const QString& title, const QString& initDir,
                            const QStringList& nameFilters, int filterIndex) override;
    QString getExistingDirectory(QWidget* owner, const QString& title,
                                 const QString& startDir) override;
};

// The provider in use: the real dialogs unless one was set.
DialogProvider& dialogProvider();
// Replaces the provider; nullptr brings back the real dialogs. The caller keeps ownership.
void setDialogProvider(DialogProvider* provider);

} // namespace korimo
