#pragma once

#include <QString>
#include <cerrno>
#include <functional>

namespace korimo::test {

// Faults the files tests put into this process's system calls, which the test programs reach
// through link-time wrappers (see CMakeLists.txt). A fault strikes only files in the folder it
// is armed for, so the test framework's own output goes on as usual.
enum class SysFault {
    WriteFails,       // write() fails with the error given
    ShortWrites,      // write() takes at most a few bytes at a time, as it may on any file
    FsyncFails,       // fsync() fails with the error given
    SizeFallsShort,   // fstat() tells one byte less than the file holds: a write went missing
    NoUnnamedFiles,   // open() refuses O_TMPFILE, as file systems without unnamed files do
    SyncTakesAMinute, // fsync() leaves the file's times a minute back, as a slow disk would
};

// Armed for the life of the object.
class ArmedFault {
public:
    ArmedFault(SysFault fault, const QString& folder, int err = EIO);
    ~ArmedFault();
    ArmedFault(const ArmedFault&) = delete;
    ArmedFault& operator=(const ArmedFault&) = delete;
    // How many calls the fault has struck so far.
    int hits() const;

private:
    int m_slot = -1;
};

// Runs then once, right after the first close() of a file in folder, for the life of the object.
class AfterClose {
public:
    AfterClose(const QString& folder, std::function<void()> then);
    ~AfterClose();
    AfterClose(const AfterClose&) = delete;
    AfterClose& operator=(const AfterClose&) = delete;
};

} // namespace korimo::test
