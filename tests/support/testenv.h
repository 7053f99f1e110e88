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

// The cache of generated media that test runs share (made on first use). Whatever goes in is
// made under a name of its own and renamed into place, so runs side by side never meet; anything
// else a test writes goes into a temporary folder of its own.
QString testDataDir();

} // namespace korimo::test
