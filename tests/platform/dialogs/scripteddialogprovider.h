#pragma once

#include "dialogs/dialogprovider.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace korimo::test {

// Answers the dialogs with prepared results, and remembers how it was asked. Installed for the
// life of the object.
class ScriptedDialogProvider : public DialogProvider {
public:
    struct Request {
        QWidget* owner = nullptr;
        QString title;
        QString dir;
        QString initialName;
        QStringList nameFilters;
        int filterIndex = 0;
        bool multiSelect = false;
    };

    ScriptedDialogProvider() { setDialogProvider(this); }
    ~ScriptedDialogProvider() override { setDialogProvider(nullptr); }

    QStringList openAnswer;
    QString saveAnswer;
    QString folderAnswer;
    Request last;
    int asked = 0;

    QStringList getOpenFileNames(QWidget* owner, const QString& title, const QString& initDir,
                                 const QString& initialName, const QStringList& nameFilters,
                                 int filterIndex, bool multiSelect) override {
        remember({owner, title, initDir, initialName, nameFilters, filterIndex, multiSelect});
        return openAnswer;
    }
    QString getSaveFileName(QWidget* owner, const QString& title, const QString& initDir,
                            const QStringList& nameFilters, int filterIndex) override {
        remember({owner, title, initDir, QString(), nameFilters, filterIndex, false});
        return saveAnswer;
    }
    QString getExistingDirectory(QWidget* owner, const QString& title,
                                 const QString& startDir) override {
        remember({owner, title, startDir, QString(), {}, 0, false});
        return folderAnswer;
    }

private:
    void remember(Request request) {
        last = std::move(request);
        ++asked;
    }
};

} // namespace korimo::test
