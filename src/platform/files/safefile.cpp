#include "files/safefile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace korimo {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

// lead is the sentence up to the reason, which ends it.
[[noreturn]] void throwFor(const QString& lead, int err) {
    const QString reason = systemReason(err);
    throw FileWriteError((lead + reason + QLatin1Char('.')).toStdString(), reason);
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// The file a chosen name stands for: a link is followed to what it points at, as far as links go.
QString followLinks(QString path) {
    for (int depth = 0; depth < 40; ++depth) {
        const QFileInfo info(path);
        if (!info.isSymLink())
            break;
        path = info.symLinkTarget();
    }
    return path;
}

QString randomSuffix() {
    return QString::number(QRandomGenerator::global()->generate64() & 0xffffffffffULL, 16);
}

// A new name in folder made from fileName and a random ending, hidden when asked.
QString besideName(const QString& folder, const QString& fileName, bool hidden) {
    // Long names are cut so the added part still fits the file system's 255-byte limit.
    QString stem = fileName;
    while (native(stem).size() > 200)
        stem.chop(1);
    return folder + QLatin1Char('/') + (hidden ? QStringLiteral(".") : QString()) + stem +
           QLatin1Char('.') + randomSuffix();
}

// Renames without replacing anything under to. Returns false when to is taken.
bool renameNoReplace(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        throw std::system_error(errno, std::generic_category());
    // File systems without that rename still refuse to link over a name.
    if (::link(from.constData(), to.constData()) != 0) {
        if (errno == EEXIST)
            return false;
        throw std::system_error(errno, std::generic_category());
    }
    ::unlink(from.constData());
    return true;
}

} // namespace

SafeFile::SafeFile(const QString& target, Mode mode) {
    if (target.isEmpty())
        throw FileWriteError("No file name was given.", QString());
    QString path = QFileInfo(target).absoluteFilePath();
    if (mode == Replace)
        path = followLinks(path);
    m_target = path;
    const QFileInfo info(path);
    m_folder = info.absolutePath();
    const QString name = info.fileName();
    const QString cannot =
        QStringLiteral("The file ") + name + QStringLiteral(" cannot be written: ");

    mode_t keepMode = 0;
    struct stat st {};
    if (mode == Replace && ::stat(native(path).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throwFor(cannot, EISDIR);
        // A file made read-only is left alone, though the folder would let it be replaced.
        if (::access(native(path).constData(), W_OK) != 0)
            throwFor(cannot, errno);
        keepMode = st.st_mode & 07777;
    }

    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = besideName(m_folder, name, true);
        m_fd = ::open(native(m_temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        const int err = errno;
        m_temp.clear();
        if ((err == ENOENT || err == ENOTDIR) && !QFileInfo(m_folder).isDir())
            throw FileWriteError(
                QStringLiteral("The folder %1 does not exist.").arg(m_folder).toStdString(),
                systemReason(err));
        throwFor(cannot, err);
    }
    if (keepMode)
        ::fchmod(m_fd, keepMode);
    m_buffer.resize(kBufferSize);
}

SafeFile::~SafeFile() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_published && !m_temp.isEmpty())
        ::unlink(native(m_temp).constData());
}

void SafeFile::fail(const char* what, int err) const {
    throwFor(QString::fromLatin1(what) + QLatin1Char(' ') + QFileInfo(m_target).fileName() +
                 QStringLiteral(" failed: "),
             err);
}

void SafeFile::write(const void* data, std::size_t size) {
    if (m_finished)
        throw FileWriteError("The file is already complete.", QString());
    const char* p = static_cast<const char*>(data);
    // Large pieces (a writer's batch of rows) go straight to the file; small ones are gathered.
    if (size >= m_buffer.size()) {
        flushBuffer();
        writeOut(p, size);
        return;
    }
    while (size > 0) {
        const std::size_t take = std::min(size, m_buffer.size() - m_used);
        std::memcpy(m_buffer.data() + m_used, p, take);
        m_used += take;
        p += take;
        size -= take;
        if (m_used == m_buffer.size())
            flushBuffer();
    }
}

void SafeFile::flushBuffer() {
    writeOut(m_buffer.data(), m_used);
    m_used = 0;
}

void SafeFile::writeOut(const char* p, std::size_t left) {
    while (left > 0) {
        const ssize_t done = ::write(m_fd, p, left);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            fail("Writing", errno);
        }
        p += done;
        left -= static_cast<std::size_t>(done);
        m_written += done;
    }
}

void SafeFile::finish() {
    if (m_finished)
        return;
    flushBuffer();
    // Some file systems only learn at the sync, or even the close, that the data had no room.
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        fail("Writing", errno);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        fail("Writing", errno);
    if (st.st_size != m_written)
        fail("Writing", EIO);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail("Writing", errno);
    m_finished = true;
}

void SafeFile::commit() {
    finish();
    if (::rename(native(m_temp).constData(), native(m_target).constData()) != 0)
        fail("Saving", errno);
    m_published = true;
    syncFolder();
}

bool SafeFile::commitAs(const QString& name) {
    finish();
    const QFileInfo info(name);
    if (info.absolutePath() != m_folder)
        throw FileWriteError("A new name must lie in the folder the file was written in.",
                             QString());
    const QByteArray temp = native(m_temp);
    const QByteArray to = native(info.absoluteFilePath());
    m_target = info.absoluteFilePath();
    try {
        // Bounded: each pass is a race lost to another program saving into the same folder.
        for (int pass = 0; pass < 100; ++pass) {
            if (renameNoReplace(temp, to)) {
                m_published = true;
                syncFolder();
                return true;
            }
            struct stat st {};
            if (::lstat(to.constData(), &st) != 0) {
                if (errno == ENOENT)
                    continue;
                throw std::system_error(errno, std::generic_category());
            }
            if (!S_ISREG(st.st_mode) || st.st_size != 0)
                return false;
            // An empty file counts as free. It is moved aside before the new file takes the
            // name, so a file that another program finished meanwhile is never the one replaced.
            const QByteArray aside = native(besideName(m_folder, info.fileName(), false));
            if (::rename(to.constData(), aside.constData()) != 0) {
                if (errno == ENOENT)
                    continue;
                throw std::system_error(errno, std::generic_category());
            }
            if (::lstat(aside.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
                ::unlink(aside.constData());
                continue;
            }
            // Another program's file came in between: it goes back. Should a third have taken
            // the name meanwhile, that file stays under the visible name beside it.
            renameNoReplace(aside, to);
            return false;
        }
    } catch (const std::system_error& e) {
        fail("Saving", e.code().value());
    }
    return false;
}

void SafeFile::syncFolder() const {
    // The file is in place by now; a folder that cannot be synced changes nothing of that.
    const int fd = ::open(native(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

QString systemReason(int err) {
    return QString::fromStdString(std::generic_category().message(err));
}

void writeFileSafely(const QString& file, const QByteArray& bytes) {
    SafeFile out(file, SafeFile::Replace);
    out.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    out.commit();
}

} // namespace korimo
