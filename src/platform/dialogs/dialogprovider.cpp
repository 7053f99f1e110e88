#include "dialogs/dialogprovider.h"

#include "forms/runtime.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
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

// The save dialog refuses a name in a folder that does not exist and stays open for another,
// so the user learns of it there and not from a failed save afterwards.
class SaveFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

protected:
    void accept() override {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty()) {
            const QFileInfo file(chosen.first());
            if (!file.isDir() && !QFileInfo(file.absolutePath()).isDir()) {
                messageBox(this, QMessageBox::Warning, windowTitle(),
                           QDir::toNativeSeparators(file.absolutePath()) +
                               QStringLiteral("\nThis folder does not exist.\nCheck the path "
                                              "and try again."),
                           QMessageBox::Ok, QMessageBox::Ok);
                return;
            }
        }
        QFileDialog::accept();
    }
};

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

template <class Dialog = QFileDialog>
QFileDialog* makeDialog(QWidget* owner, const QString& title, const QString& dir,
                        const char* name) {
    // The title may hold a folder's name.
    auto* dialog = new Dialog(owner, literalTitle(title), dir);
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
    QFileDialog* dialog = makeDialog<SaveFileDialog>(owner, title, initDir, "saveFileDialog");
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
