#include "syscallfaults.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

extern "C" {
ssize_t __real_write(int fd, const void* data, size_t size);
int __real_fsync(int fd);
int __real_fstat(int fd, struct stat* st);
int __real_open(const char* path, int flags, ...);
int __real_close(int fd);
}

namespace korimo::test {

namespace {

struct Slot {
    std::atomic<bool> armed{false};
    SysFault fault{};
    int err = 0;
    std::string folder; // canonical, with a trailing slash
    std::atomic<int> hits{0};
};

Slot g_slots[8];

std::atomic<bool> g_closeArmed{false};
std::string g_closeFolder;
std::function<void()> g_afterClose;

std::string folderOf(const char* path) {
    char resolved[PATH_MAX];
    if (!::realpath(path, resolved))
        return {};
    return std::string(resolved) + '/';
}

// The folder the file open on fd lies in; an unnamed file shows as "folder/#inode (deleted)".
std::string folderOfDescriptor(int fd) {
    char link[64], target[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return {};
    target[n] = '\0';
    const char* slash = std::strrchr(target, '/');
    return slash ? std::string(static_cast<const char*>(target), slash + 1) : std::string();
}

Slot* struck(SysFault fault, const std::string& folder) {
    if (folder.empty())
        return nullptr;
    for (Slot& slot : g_slots)
        if (slot.armed.load() && slot.fault == fault && slot.folder == folder) {
            ++slot.hits;
            return &slot;
        }
    return nullptr;
}

bool anyArmed() {
    return std::any_of(std::begin(g_slots), std::end(g_slots),
                       [](const Slot& s) { return s.armed.load(); });
}

} // namespace

ArmedFault::ArmedFault(SysFault fault, const QString& folder, int err) {
    for (int i = 0; i < int(std::size(g_slots)); ++i)
        if (!g_slots[i].armed.load()) {
            Slot& slot = g_slots[i];
            slot.fault = fault;
            slot.err = err;
            slot.folder = folderOf(QFile::encodeName(folder).constData());
            slot.hits = 0;
            slot.armed = true;
            m_slot = i;
            return;
        }
    std::abort();
}

ArmedFault::~ArmedFault() {
    g_slots[m_slot].armed = false;
}

int ArmedFault::hits() const {
    return g_slots[m_slot].hits.load();
}

AfterClose::AfterClose(const QString& folder, std::function<void()> then) {
    g_closeFolder = folderOf(QFile::encodeName(folder).constData());
    g_afterClose = std::move(then);
    g_closeArmed = true;
}

AfterClose::~AfterClose() {
    g_closeArmed = false;
    g_afterClose = nullptr;
}

} // namespace korimo::test

using korimo::test::SysFault;

extern "C" ssize_t __wrap_write(int fd, const void* data, size_t size) {
    if (korimo::test::anyArmed()) {
        const std::string folder = korimo::test::folderOfDescriptor(fd);
        if (const auto* slot = korimo::test::struck(SysFault::WriteFails, folder)) {
            errno = slot->err;
            return -1;
        }
        if (korimo::test::struck(SysFault::ShortWrites, folder))
            size = std::min<size_t>(size, 1000);
    }
    return __real_write(fd, data, size);
}

extern "C" int __wrap_fsync(int fd) {
    if (!korimo::test::anyArmed())
        return __real_fsync(fd);
    const std::string folder = korimo::test::folderOfDescriptor(fd);
    if (const auto* slot = korimo::test::struck(SysFault::FsyncFails, folder)) {
        errno = slot->err;
        return -1;
    }
    const int result = __real_fsync(fd);
    if (result == 0 && korimo::test::struck(SysFault::SyncTakesAMinute, folder)) {
        struct timespec times[2];
        ::clock_gettime(CLOCK_REALTIME, &times[0]);
        times[0].tv_sec -= 60;
        times[1] = times[0];
        ::futimens(fd, times);
    }
    return result;
}

extern "C" int __wrap_close(int fd) {
    std::function<void()> then;
    if (korimo::test::g_closeArmed.load() &&
        korimo::test::folderOfDescriptor(fd) == korimo::test::g_closeFolder) {
        korimo::test::g_closeArmed = false;
        then = std::move(korimo::test::g_afterClose);
    }
    const int result = __real_close(fd);
    if (then)
        then();
    return result;
}

extern "C" int __wrap_fstat(int fd, struct stat* st) {
    const int result = __real_fstat(fd, st);
    if (result == 0 && S_ISREG(st->st_mode) && st->st_size > 0 && korimo::test::anyArmed() &&
        korimo::test::struck(SysFault::SizeFallsShort, korimo::test::folderOfDescriptor(fd)))
        --st->st_size;
    return result;
}

extern "C" int __wrap_open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    if ((flags & O_TMPFILE) == O_TMPFILE && korimo::test::anyArmed() &&
        korimo::test::struck(SysFault::NoUnnamedFiles, korimo::test::folderOf(path))) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return __real_open(path, flags, mode);
}
