#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace korimo::test {

// A settings file in a fresh temporary folder for the life of the object.
class ScopedSettingsFile {
public:
    ScopedSettingsFile();
    ~ScopedSettingsFile();
    QString path() const;
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// The folder tests may write generated media into (made on first use).
QString testDataDir();

} // namespace korimo::test
