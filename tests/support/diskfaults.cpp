#include "support/diskfaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korimo::test {

namespace {
const char kFiller[] = ".filler";

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString g_namespaceError = QStringLiteral("the private mount namespace was not entered");
} // namespace

void enterPrivateMountNamespace() {
    if (::unshare(CLONE_NEWNS) != 0) {
        g_namespaceError =
            QStringLiteral("unshare: ") + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        g_namespaceError =
            QStringLiteral("making / private: ") + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    g_namespaceError.clear();
}

PrivateMounts::PrivateMounts() : m_error(g_namespaceError) {}

PrivateMounts::~PrivateMounts() {
    for (auto it = m_mounted.crbegin(); it != m_mounted.crend(); ++it)
        ::umount2(native(*it).constData(), MNT_DETACH);
}

bool PrivateMounts::fail(const char* what) {
    m_error = QString::fromLatin1(what) + QStringLiteral(": ") +
              QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool PrivateMounts::tmpfs(const QString& dir, int sizeKiB) {
    const QByteArray options = "size=" + QByteArray::number(sizeKiB) + "k";
    return ok() &&
           (::mount("tmpfs", native(dir).constData(), "tmpfs", 0, options.constData()) == 0 ||
            fail("mount tmpfs"));
}

bool PrivateMounts::readOnly(const QString& path) {
    const QByteArray p = native(path);
    if (!ok())
        return false;
    if (::mount(p.constData(), p.constData(), nullptr, MS_BIND, nullptr) != 0)
        return fail("bind mount");
    m_mounted << path;
    if (::mount(nullptr, p.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        return fail("read-only remount");
    return true;
}

FullFolder::FullFolder(Kind kind) : m_kind(kind) {
    if (kind == FileSystem) {
        m_mounts = new PrivateMounts;
        m_mounts->tmpfs(m_dir.path(), 256);
    }
}

FullFolder::~FullFolder() {
    release();
    delete m_mounts;
}

QString FullFolder::unavailable() const {
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");
    return m_mounts ? m_mounts->error() : QString();
}

QString FullFolder::reason() const {
    return QString::fromLocal8Bit(std::strerror(m_kind == FileSystem ? ENOSPC : EFBIG));
}

void FullFolder::fill() {
    if (m_kind == FileSystem) {
        QFile filler(filePath(QString::fromLatin1(kFiller)));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        return;
    }
    ::getrlimit(RLIMIT_FSIZE, &m_savedLimit);
    m_savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = m_savedLimit;
    tiny.rlim_cur = 1;
    m_limited = ::setrlimit(RLIMIT_FSIZE, &tiny) == 0;
}

void FullFolder::release() {
    if (m_limited) {
        ::setrlimit(RLIMIT_FSIZE, &m_savedLimit);
        std::signal(SIGXFSZ, m_savedSignal);
        m_limited = false;
    }
    QFile::remove(filePath(QString::fromLatin1(kFiller)));
}

QStringList FullFolder::entries() const {
    QStringList all = QDir(path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                             QDir::Hidden | QDir::System);
    all.removeAll(QString::fromLatin1(kFiller));
    return all;
}

ReadOnlyPlace::ReadOnlyPlace(const QString& path) : m_path(path) {
    if (::geteuid() == 0) {
        m_mounts = new PrivateMounts;
        if (!m_mounts->readOnly(path))
            m_error = m_mounts->error();
        return;
    }
    struct stat st {};
    if (::stat(native(path).constData(), &st) != 0) {
        m_error = QStringLiteral("stat: ") + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_savedMode = st.st_mode & 07777;
    if (::chmod(native(path).constData(), m_savedMode & ~0222u) != 0)
        m_error = QStringLiteral("chmod: ") + QString::fromLocal8Bit(std::strerror(errno));
}

ReadOnlyPlace::~ReadOnlyPlace() {
    if (m_mounts) {
        delete m_mounts;
        return;
    }
    if (m_savedMode)
        ::chmod(native(m_path).constData(), m_savedMode);
}

} // namespace korimo::test
