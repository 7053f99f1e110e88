#include "dialogs/dialogprovider.h"

#include "forms/runtime.h"

#include <QFileDialog>
#include <QPointer>

namespace korimo {

namespace {

DialogProvider* g_provider = nullptr;

void applyFilters(QFileDialog& dialog, const QStringList& nameFilters, int filterIndex) {
    if (nameFilters.isEmpty())
        return;
    dialog.setNameFilters(nameFilters);
    // The index counts from 1, as the dialog records do.
    if (filterIndex >= 1 && filterIndex <= nameFilters.size())
        dialog.selectNameFilter(nameFilters.at(filterIndex - 1));
}

// exec() on a heap dialog guarded by QPointer: the owner may be destroyed while the dialog runs.
QStringList runDialog(QFileDialog* dialog) {
    QPointer<QFileDialog> guard(dialog);
    int result = QDialog::Rejected;
    {
        const NestedLoopScope waiting;
        result = dialog->exec();
    }
    if (!guard)
        return {};
    QStringList chosen;
    if (result == QDialog::Accepted)
        chosen = guard->selectedFiles();
    delete guard.data();
    return chosen;
}

QFileDialog* makeDialog(QWidget* owner, const QString& title, const QString& dir,
                        const char* name) {
    // The title may hold a folder's name.
    auto* dialog = new QFileDialog(owner, literalTitle(title), dir);
    dialog->setObjectName(QLatin1String(name));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    return dialog;
}

} // namespace

QStringList QtDialogProvider::getOpenFileNames(QWidget* owner, const QString& title,
                                               const QString& initDir, const QString& initialName,
                                               const QStringList& nameFilters, int filterIndex,
                                               bool multiSelect) {
    QFileDialog* dialog = makeDialog(owner, title, initDir, "openFileDialog");
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    applyFilters(*dialog, nameFilters, filterIndex);
    if (!initialName.isEmpty())
        dialog->selectFile(initialName);
    return runDialog(dialog);
}

QString QtDialogProvider::getSaveFileName(QWidget* owner, const QString& title,
                                          const QString& initDir, const QStringList& nameFilters,
                                          int filterIndex) {
    QFileDialog* dialog = makeDialog(owner, title, initDir, "saveFileDialog");
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    applyFilters(*dialog, nameFilters, filterIndex);
    const QStringList chosen = runDialog(dialog);
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString QtDialogProvider::getExistingDirectory(QWidget* owner, const QString& title,
                                               const QString& startDir) {
    QFileDialog* dialog = makeDialog(owner, title, startDir, "folderDialog");
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    const QStringList chosen = runDialog(dialog);
    return chosen.isEmpty() ? QString() : chosen.first();
}

DialogProvider& dialogProvider() {
    static QtDialogProvider real;
    return g_provider ? *g_provider : real;
}

void setDialogProvider(DialogProvider* provider) {
    g_provider = provider;
}

} // namespace korimo
