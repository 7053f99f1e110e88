#pragma once

#include <QString>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace korimo {

// A file that could not be written: what() is a sentence to show, reason() the system's own
// words for the cause ("No space left on device"), empty when the cause is not the system's.
class FileWriteError : public std::runtime_error {
public:
    FileWriteError(const std::string& sentence, const QString& reason)
        : std::runtime_error(sentence), m_reason(reason) {}
    const QString& reason() const { return m_reason; }

private:
    QString m_reason;
};

// Writes a file through a temporary one beside it, so that nothing shows under the final name
// until every byte is on the disk, and a failure at any point, a full disk included, leaves the
// older file as it was and no temporary file behind. Every write, the flush, the sync, the
// close and the size are checked here rather than trusted to a library's commit.
// The temporary file has no name while it is written where the file system allows it, so a
// process that dies mid-save leaves nothing; elsewhere each save removes the temporary files
// that saves of this user which died left in its folder. A file replaced hands its mode,
// owner and group (as far as the user may set them), ACL and user attributes to the new one;
// one without its owner's write bit is read-only for everyone, root included.
class SafeFile {
public:
    enum Mode {
        Replace, // the user chose the name: a file under it is replaced, a link followed
        NewOnly  // the name was picked by the program: no file is ever replaced
    };

    // Opens the temporary file in the target's folder. Throws FileWriteError.
    SafeFile(const QString& target, Mode mode);
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    void write(const void* data, std::size_t size);

    // Replace: puts the finished file in place of the target. Throws FileWriteError.
    void commit();
    // NewOnly: puts the finished file under name (in the target's folder) unless another file
    // stands there; an empty regular file counts as free and is taken over. Returns false, the
    // finished file kept for another name, when the name is taken. Throws FileWriteError.
    bool commitAs(const QString& name);

    // Where the file goes: the target, or what a link under the target's name points at.
    const QString& target() const { return m_target; }

private:
    void openTemporary(const QString& name, const QString& cannot);
    void flushBuffer();
    void writeOut(const char* data, std::size_t size);
    void keepOldFilesAttributes() const;
    void giveName();
    void finish();
    void syncFolder() const;
    [[noreturn]] void fail(const char* what, int err) const;

    QString m_target;
    QString m_folder;
    QString m_temp;
    Mode m_mode;
    int m_fd = -1;
    bool m_unnamed = false;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
    long long m_written = 0;
    bool m_finished = false;
    bool m_published = false;
};

// The system's own words for an error number, as FileWriteError::reason() gives them.
QString systemReason(int err);

// Replaces file with bytes through a SafeFile. Throws FileWriteError.
void writeFileSafely(const QString& file, const QByteArray& bytes);

} // namespace korimo
