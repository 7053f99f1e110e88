#include "settings/settingsstore.h"

#include "files/safefile.h"
#include "forms/runtime.h"
#include "settings/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <limits>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace korimo {

namespace {

const QString kSection = QStringLiteral("Settings");

QString g_explicitFile;
QStringList* g_readLog = nullptr;
SettingsStore::WriteFailureHandler g_onWriteFailure;
// The last write failed and was told; the next failure is not told again.
bool g_failing = false;
// Values chosen in this run that the file could not take, by lower-cased key.
std::map<QString, std::pair<QString, QString>> g_unwritten;

// What the file held when last read, kept while the file stays the same: the hover hints read
// their setting on every move of the mouse.
struct Snapshot {
    bool valid = false;
    struct stat st {}; // zeroed for a missing file, so that it matches no file that is there
    int error = 0;     // why a file that is there could not be read
    IniText text;
};
Snapshot g_snapshot;

QString storePath() {
    if (!g_explicitFile.isEmpty())
        return g_explicitFile;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tarsk/Korimo.ini");
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// The file as it stands now. A file that cannot be read reads as empty.
const Snapshot& readStore() {
    const QByteArray path = QFile::encodeName(storePath());
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        const int err = errno;
        g_snapshot = Snapshot();
        g_snapshot.valid = true;
        g_snapshot.error = err == ENOENT ? 0 : err;
        return g_snapshot;
    }
    if (g_snapshot.valid && !g_snapshot.error && sameFile(st, g_snapshot.st))
        return g_snapshot;
    g_snapshot = Snapshot();
    g_snapshot.valid = true;
    g_snapshot.st = st;
    // Only a plain file is read: a pipe or a device there could hold the program waiting.
    if (!S_ISREG(st.st_mode)) {
        g_snapshot.error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return g_snapshot;
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        g_snapshot.error = errno;
        return g_snapshot;
    }
    QByteArray bytes;
    char block[4096];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            g_snapshot.error = errno;
        if (got <= 0)
            break;
        bytes.append(block, got);
    }
    ::close(fd);
    if (!g_snapshot.error)
        g_snapshot.text = IniText(bytes);
    return g_snapshot;
}

// Held while the file is read, changed and written, so that two copies of the program saving
// at once each keep the other's keys. The lock is the file's own beside the store, taken with
// flock, which the system lets go of when a copy dies holding it.
class StoreLock {
public:
    explicit StoreLock(const QString& store) {
        const QByteArray path = QFile::encodeName(store + QStringLiteral(".lock"));
        m_fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
                      0600);
        if (m_fd < 0) {
            // A folder that cannot take the lock cannot take the file either: the write goes
            // on and fails with the system's own reason.
            m_held = true;
            return;
        }
        // Another copy holds the lock only for one write; a few seconds means it is stuck.
        constexpr auto kPatience = std::chrono::seconds(4);
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        auto pause = std::chrono::milliseconds(1);
        for (;;) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
                m_held = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) {
                m_held = true; // a file system without locks: write as before
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return;
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(20));
        }
    }
    ~StoreLock() {
        if (m_fd >= 0)
            ::close(m_fd); // lets the lock go
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool held() const { return m_held; }

private:
    int m_fd = -1;
    bool m_held = false;
};

void tellFailure(const QString& reason) {
    if (g_failing)
        return;
    g_failing = true;
    if (g_onWriteFailure)
        g_onWriteFailure(storePath(), reason);
}

} // namespace

QString SettingsStore::get(const QString& key, const QString& defaultValue) {
    if (g_readLog)
        g_readLog->append(key);
    if (const auto kept = g_unwritten.find(key.toLower()); kept != g_unwritten.end())
        return kept->second.second;
    return readStore().text.value(kSection, key).value_or(defaultValue);
}

void SettingsStore::save(const QString& key, const QString& value) {
    g_unwritten[key.toLower()] = {key, value};
    const QString path = storePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        tellFailure(QStringLiteral("The folder %1 cannot be made").arg(folder));
        return;
    }
    const StoreLock lock(path);
    if (!lock.held()) {
        tellFailure(QStringLiteral("Locked by another program"));
        return;
    }
    // Read again under the lock: another window or copy of the program may have written since,
    // and only the keys changed here are written over what it left.
    g_snapshot.valid = false;
    const Snapshot& now = readStore();
    if (now.error) {
        // What the file holds cannot be kept if it cannot be read, so it is left alone.
        tellFailure(systemReason(now.error));
        return;
    }
    IniText text = now.text;
    for (const auto& [lower, entry] : g_unwritten)
        text.setValue(kSection, entry.first, entry.second);
    try {
        writeFileSafely(path, text.bytes());
    } catch (const FileWriteError& e) {
        tellFailure(e.reason().isEmpty() ? QString::fromUtf8(e.what()) : e.reason());
        return;
    }
    g_unwritten.clear();
    g_failing = false;
    g_snapshot.valid = false;
}

bool SettingsStore::toBool(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (ok && std::isfinite(d))
        return d != 0.0;
    throw StepError("not a Boolean: " + text.toStdString());
}

int SettingsStore::toInt(const QString& text) {
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d))
        throw StepError("not a number: " + text.toStdString());
    const double r = std::nearbyint(d);
    // Stored whole numbers are 16-bit in the design; larger ones overflow.
    if (r < std::numeric_limits<short>::min() || r > std::numeric_limits<short>::max())
        throw StepError("number out of range: " + text.toStdString());
    return static_cast<int>(r);
}

bool SettingsStore::getBool(const QString& key, bool defaultValue) {
    return toBool(get(key, boolText(defaultValue)));
}

int SettingsStore::getInt(const QString& key, int defaultValue) {
    return toInt(get(key, QString::number(defaultValue)));
}

void SettingsStore::saveBool(const QString& key, bool value) {
    save(key, boolText(value));
}

void SettingsStore::setWriteFailureHandler(WriteFailureHandler handler) {
    g_onWriteFailure = std::move(handler);
}

void SettingsStore::setFile(const QString& path) {
    g_explicitFile = path;
    g_snapshot = Snapshot();
    g_unwritten.clear();
    g_failing = false;
}

void SettingsStore::setReadLog(QStringList* log) {
    g_readLog = log;
}

QString SettingsStore::fileName() {
    return storePath();
}

} // namespace korimo
