#include "support/testenv.h"

#include "settings/settingsstore.h"

#include <QDir>

namespace korimo::test {

ScopedSettingsFile::ScopedSettingsFile() {
    SettingsStore::setFile(path());
}

ScopedSettingsFile::~ScopedSettingsFile() {
    SettingsStore::setFile(QString());
}

QString ScopedSettingsFile::path() const {
    return m_dir.filePath(QStringLiteral("Korimo.ini"));
}

QString testDataDir() {
    QString dir = qEnvironmentVariable("KORIMO_TEST_DATA");
    if (dir.isEmpty())
        dir = QDir::tempPath() + QStringLiteral("/korimo-test-data");
    QDir().mkpath(dir);
    return dir;
}

} // namespace korimo::test
