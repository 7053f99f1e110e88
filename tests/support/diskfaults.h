#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

namespace korimo::test {

// Gives this process mounts of its own, so that what a test mounts never reaches the rest of the
// machine and goes when the process ends, however it ends. Called once, before threads start;
// needs the right to mount (root), and without it PrivateMounts says why it cannot mount.
void enterPrivateMountNamespace();

// Mounts made for one test, undone when the object goes.
class PrivateMounts {
public:
    PrivateMounts();
    ~PrivateMounts();
    PrivateMounts(const PrivateMounts&) = delete;
    PrivateMounts& operator=(const PrivateMounts&) = delete;

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    bool tmpfs(const QString& dir, int sizeKiB);
    // Binds path (a file or a folder) onto itself, read-only.
    bool readOnly(const QString& path);

private:
    bool fail(const char* what);
    QStringList m_mounted;
    QString m_error;
};

// A folder in which no file can grow, the way a full disk behaves. FileSystem: a small file
// system filled to the last byte (needs PrivateMounts). SizeLimit: an ordinary folder under a
// file-size limit of one byte with SIGXFSZ ignored, so writes fail with an error instead of
// ending the process. Files written before fill() are the older files a test keeps.
class FullFolder {
public:
    enum Kind { FileSystem, SizeLimit };
    explicit FullFolder(Kind kind);
    ~FullFolder();

    // Empty when the folder could be made, else why not.
    QString unavailable() const;
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    // The words the system gives for the failed write.
    QString reason() const;
    // Leaves no room from here on, until release() or the end of the object.
    void fill();
    void release();
    // Everything in the folder, hidden files included, but the filler of a full file system.
    QStringList entries() const;

private:
    Kind m_kind;
    QTemporaryDir m_dir;
    PrivateMounts* m_mounts = nullptr;
    bool m_limited = false;
    struct rlimit m_savedLimit {};
    void (*m_savedSignal)(int) = nullptr;
};

// Takes away the right to write a file or a folder from this process for the life of the
// object: a read-only bind mount where mounting is allowed (root writes through permission
// bits), else the permission bits.
class ReadOnlyPlace {
public:
    explicit ReadOnlyPlace(const QString& path);
    ~ReadOnlyPlace();
    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

private:
    QString m_path;
    PrivateMounts* m_mounts = nullptr;
    unsigned m_savedMode = 0;
    QString m_error;
};

} // namespace korimo::test
