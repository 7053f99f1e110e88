#include "files/safefile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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

// Temporary files are hidden and carry this mark and kRandomDigits hex digits at the end of
// their name, so that a later save can tell them from the user's own files.
constexpr char kMark[] = ".korimo-";
constexpr int kRandomDigits = 16;
// A temporary file no save holds a lock on is left alone this long after its last change: the
// lock is taken a moment after the file is made and given up a moment before it is renamed.
constexpr std::time_t kStaleAfterSeconds = 10;
// Where locks do not work, only a file this old is taken for one whose save died.
constexpr std::time_t kStaleUnlockedAfterSeconds = 3600;

QString randomSuffix() {
    return QStringLiteral("%1").arg(QRandomGenerator::global()->generate64(), kRandomDigits, 16,
                                    QLatin1Char('0'));
}

// Long names are cut so the added part still fits the file system's 255-byte limit.
QString stemOf(QString fileName) {
    while (native(fileName).size() > 200)
        fileName.chop(1);
    return fileName;
}

// A new hidden name in folder made from fileName, the mark and a random ending.
QString temporaryName(const QString& folder, const QString& fileName) {
    return folder + QStringLiteral("/.") + stemOf(fileName) + QLatin1String(kMark) + randomSuffix();
}

// A new visible name beside fileName, outside the temporary files' names: a file moved there
// may turn out to be another program's finished file, which no save may clear.
QString asideName(const QString& folder, const QString& fileName) {
    return folder + QLatin1Char('/') + stemOf(fileName) + QLatin1Char('.') + randomSuffix();
}

bool isTemporaryName(const char* name) {
    const std::size_t length = std::strlen(name);
    const std::size_t tail = sizeof kMark - 1 + kRandomDigits;
    if (name[0] != '.' || length < tail + 2)
        return false;
    const char* end = name + length - kRandomDigits;
    if (std::memcmp(end - (sizeof kMark - 1), kMark, sizeof kMark - 1) != 0)
        return false;
    return std::all_of(end, name + length,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Removes this user's temporary files that a save which died left in folder. A save under way
// holds a lock on its file, which the system lets go when the process ends, however it ends.
void removeStaleTemporaries(const QString& folder) {
    DIR* dir = ::opendir(native(folder).constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        struct stat named {};
        // Nothing but this user's plain files is opened: opening a device may act on it.
        if (!isTemporaryName(entry->d_name) ||
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(named.st_mode) || named.st_uid != ::geteuid())
            continue;
        // Opened for writing where it can be: some network file systems lock only such files.
        int fd = ::openat(dirFd, entry->d_name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_ino == named.st_ino && st.st_dev == named.st_dev) {
            const std::time_t age = now - st.st_mtime;
            bool stale = age >= kStaleAfterSeconds;
            if (stale && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
                stale = errno != EWOULDBLOCK && age >= kStaleUnlockedAfterSeconds;
            if (stale)
                ::unlinkat(dirFd, entry->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// A file-size limit ends a process that writes past it unless the signal is ignored; ignored,
// the write fails with an error the save reports. A handler someone set is left as it is.
void ignoreFileSizeSignal() {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
        current.sa_handler == SIG_DFL)
        std::signal(SIGXFSZ, SIG_IGN);
}

QByteArray descriptorPath(int fd) {
    return "/proc/self/fd/" + QByteArray::number(fd);
}

// The value of one extended attribute of path; false when it has none or cannot be read.
bool readAttribute(const QByteArray& path, const char* name, std::vector<char>& value) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::getxattr(path.constData(), name, nullptr, 0);
        if (size < 0)
            return false;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::getxattr(path.constData(), name, value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
    return false;
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

SafeFile::SafeFile(const QString& target, Mode mode) : m_mode(mode) {
    if (target.isEmpty())
        throw FileWriteError("No file name was given.", QString());
    ignoreFileSizeSignal();
    QString path = QFileInfo(target).absoluteFilePath();
    if (mode == Replace)
        path = followLinks(path);
    m_target = path;
    const QFileInfo info(path);
    m_folder = info.absolutePath();
    const QString name = info.fileName();
    const QString cannot =
        QStringLiteral("The file ") + name + QStringLiteral(" cannot be written: ");

    struct stat st {};
    if (mode == Replace && ::stat(native(path).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throwFor(cannot, EISDIR);
        // A file made read-only is left alone, though the folder would let it be replaced;
        // root is asked the owner's write bit, as access() grants root everything.
        if (!(st.st_mode & S_IWUSR))
            throwFor(cannot, EACCES);
        if (::access(native(path).constData(), W_OK) != 0)
            throwFor(cannot, errno);
    }
    // Before the file is made: a constructor that throws leaves nothing to remove it.
    m_buffer.resize(kBufferSize);
    removeStaleTemporaries(m_folder);
    openTemporary(name, cannot);
    // Other saves into the folder see by the lock that this file's save is alive.
    ::flock(m_fd, LOCK_EX | LOCK_NB);
}

void SafeFile::openTemporary(const QString& name, const QString& cannot) {
    m_fd = ::open(native(m_folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
        // The file gets its name through /proc; without it the named way is taken.
        if (::access(descriptorPath(m_fd).constData(), F_OK) == 0) {
            m_unnamed = true;
            return;
        }
        ::close(m_fd);
        m_fd = -1;
    }
    // Any refusal (a file system without unnamed files among them) is met again, and told, by
    // the named way.
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = temporaryName(m_folder, name);
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

void SafeFile::keepOldFilesAttributes() const {
    const QByteArray old = native(m_target);
    struct stat st {};
    if (m_mode != Replace || ::stat(old.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    // Each step is taken as far as the user may; what cannot be kept does not stop the save.
    std::vector<char> names(4096), value;
    ssize_t size = ::listxattr(old.constData(), names.data(), names.size());
    if (size < 0 && errno == ERANGE) {
        size = ::listxattr(old.constData(), nullptr, 0);
        names.resize(static_cast<std::size_t>(std::max<ssize_t>(size, 0)));
        size = ::listxattr(old.constData(), names.data(), names.size());
    }
    for (const char* n = names.data(); size > 0 && n < names.data() + size; n += std::strlen(n) + 1)
        if (std::strncmp(n, "user.", 5) == 0 && readAttribute(old, n, value))
            ::fsetxattr(m_fd, n, value.data(), value.size(), 0);
    // Only root may give the file away; a user may still give it a group of theirs, which
    // keeps a shared folder's files in the team's group.
    if (::fchown(m_fd, st.st_uid, st.st_gid) != 0) {
        [[maybe_unused]] const int ignored = ::fchown(m_fd, static_cast<uid_t>(-1), st.st_gid);
    }
    // The ACL, or none where the folder's default gave the new file one the old did not have.
    const char* acl = "system.posix_acl_access";
    if (readAttribute(old, acl, value))
        ::fsetxattr(m_fd, acl, value.data(), value.size(), 0);
    else if (errno == ENODATA)
        ::fremovexattr(m_fd, acl);
    // Last: a change of owner clears the set-id bits, and the mode sets the ACL's mask, which
    // the old mode's group bits already are.
    ::fchmod(m_fd, st.st_mode & 07777);
}

void SafeFile::giveName() {
    const QString name = QFileInfo(m_target).fileName();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temp = temporaryName(m_folder, name);
        if (::linkat(AT_FDCWD, descriptorPath(m_fd).constData(), AT_FDCWD, native(temp).constData(),
                     AT_SYMLINK_FOLLOW) == 0) {
            m_temp = temp;
            return;
        }
        if (errno != EEXIST)
            fail("Saving", errno);
    }
    fail("Saving", EEXIST);
}

void SafeFile::finish() {
    if (m_finished)
        return;
    flushBuffer();
    keepOldFilesAttributes();
    // Some file systems only learn at the sync, or even the close, that the data had no room.
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        fail("Writing", errno);
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        fail("Writing", errno);
    if (st.st_size != m_written)
        fail("Writing", EIO);
    // Named only now, and hidden, so that the close can still be checked before the file
    // takes the final name.
    if (m_unnamed)
        giveName();
    // The lock goes with the close: a fresh time keeps other saves' clearing away until the
    // file has its final name a moment later.
    ::futimens(m_fd, nullptr);
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
            const QByteArray aside = native(asideName(m_folder, info.fileName()));
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
